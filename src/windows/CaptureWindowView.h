// SPDX-License-Identifier: MIT
// What the two picture windows (Capture and Openfile) share: the ImageDoc,
// the two scroll bars that appear when the client is smaller than at
// creation, painting the picture 1:1 (centred when the client is larger), the
// "Save changes to %s?" question on close, and the commands Image Adjustment,
// Print and Copy to Clipboard. Each window adds its own creation, Save As and
// the rest of its commands.
#pragma once

#include <QSize>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "imagefile/ExifFile.h"
#include "platform/Clock.h"
#include "shell/OpenDialogRecord.h"
#include "windows/CaptureWindowScroll.h"
#include "windows/ChildWindow.h"
#include "windows/ImageDoc.h"
#include "windows/WheelSteps.h"

class QScrollBar;

namespace lumarel {

class CameraLink;
class LinkOperations;

// The process-wide things picture windows use; owned by whoever creates them
// and kept for the whole run.
struct PictureWindowContext {
  std::string tempPathA;  // scratch files of the saves and the upload
  std::string tempPathB;
  FileDialogRecord* fileDialog = nullptr;  // shared by Open and every Save As
  bool paletteDisplay = false;
  std::span<std::uint8_t> currentPalette;  // the shared 1032-byte palette buffer
  Clock* clock = nullptr;                  // file names and dates; null: the system clock
  FreeSpaceQuery freeSpace;                // empty: the file system's own figure
  const CameraLink* link = nullptr;        // null: no camera behind the windows
  LinkOperations* operations = nullptr;  // every camera command of the windows
  // Sends a command to the Preview window (the next picture of a chain).
  std::function<void(int id)> previewCommand;

  Clock& ClockOrSystem() const { return clock ? *clock : SystemClock(); }
};

class PictureWindow : public ChildWindow {
  Q_OBJECT
 public:
  PictureWindow(ChildKind kind, ChildHost& host, PictureWindowContext& context,
                ImageDocInit&& init, QWidget* parent = nullptr);
  ~PictureWindow() override;

  ImageDoc& Doc() { return *doc_; }
  const ImageDoc& Doc() const { return *doc_; }
  PictureWindowContext& Context() { return context_; }
  const PictureWindowContext& Context() const { return context_; }
  Notifier& Messages() { return Host().Messages(); }
  // The client area: the widget less the scroll bars that are shown.
  QSize ClientSize() const;
  QScrollBar* HorizontalBar() const { return hbar_; }
  QScrollBar* VerticalBar() const { return vbar_; }
  const ScrollAxis& Horizontal() const { return horizontal_; }
  const ScrollAxis& Vertical() const { return vertical_; }
  // Takes the client size the window has at creation, without scroll bars, as
  // its full client size and hides both bars. Runs when the window is first
  // shown; tests may call it again after resizing.
  void InitialiseClient();
  // Applies a scroll notification to one bar, as its arrows, track and thumb do.
  void ScrollNotify(Qt::Orientation orientation, PictureScrollAction action, int thumbPosition = 0);

  bool Command(int id) override;
  bool QueryEndSession() override;
  void Activated() override;

  // 40018: the picture goes to the clipboard as a complete BMP file (mime type
  // image/bmp: the 14-byte file header, then the DIB) together with the
  // picture itself. `bytes` is the block the copy needs ("Not enough memory."
  // when it cannot be had).
  void CopyToClipboard(std::size_t bytes);
  // The picture as the window paints it (before any palette mapping).
  QImage PictureImage() const;
  // The active child of the MDI area holding this window.
  bool IsActiveChild() const;
  // Unsaved changes show as "*" after the title of the window's frame in the
  // MDI area (its title bar, and the frame's title while it is maximised);
  // windowTitle() itself stays the plain name the menus and questions use.
  void ShowModifiedMark();
  void ActivateSelf();

 protected:
  // Save As (40003); true when the picture was written to a file.
  virtual bool SaveAs() = 0;
  virtual QSize FullClient() const = 0;
  virtual void SetFullClient(QSize size) = 0;
  // The bar maximum for a client extent along one axis.
  virtual int ScrollMaximum(Qt::Orientation orientation, int client) const = 0;
  // How many bytes of the picture block Copy to Clipboard takes.
  virtual std::size_t ClipboardBytes() const = 0;

  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  // One notch of the wheel is one line of the scroll bar: vertical, or
  // horizontal for a sideways wheel or with Shift held.
  void wheelEvent(QWheelEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void UpdateRanges();
  void PlaceBars();
  void SyncBar(QScrollBar* bar, const ScrollAxis& axis);
  void OnBarAction(Qt::Orientation orientation, int action);
  void RemakeSharedPalette();

  PictureWindowContext& context_;
  std::unique_ptr<ImageDoc> doc_;
  QScrollBar* hbar_;
  QScrollBar* vbar_;
  ScrollAxis horizontal_;
  ScrollAxis vertical_;
  WheelSteps wheel_;
  bool initialised_ = false;
};

}  // namespace lumarel
