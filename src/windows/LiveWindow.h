// SPDX-License-Identifier: MIT
// The Live window (class "Liveimage"): the newest live frame at full size in a
// small box, the last zoom still at half size below it, and two owner-drawn
// buttons, the live button (2) and the zoom button (1). Each paint of the live
// frame asks the camera for the next one; the window stops the camera when it
// is maximized or loses activation. Save As writes the still; "Live &photo
// Zoom In" and a double-click on the still open it in a file window.
#pragma once

#include <QPointer>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "windows/ChildWindow.h"
#include "windows/ImageDoc.h"
#include "windows/LiveFaceButton.h"
#include "windows/LiveLink.h"
#include "windows/LivePhotoSave.h"

class QMdiSubWindow;

namespace lumarel {

class DisplayPalette;

struct LiveWindowServices {
  LiveLink* link = nullptr;
  std::span<const std::uint8_t> liveFrame;  // 160 x 120 x 24 DIB
  std::span<std::uint8_t> livePhoto;        // 640 x 480 x 24 DIB
  std::span<std::uint8_t> workspace;        // the shared 925696-byte picture workspace
  DisplayPalette* palette = nullptr;        // the shared palette; null: not a palette display
  std::span<const std::uint8_t> defaultPalette;  // unchanging logical palette copy
  LiveSaveContext save;
  // Whether an item of the "LIVEIMAGE" menu is enabled now.
  std::function<bool(int id)> menuItemEnabled;
  // Opens a file window: the record (blocks allocated, the picture block
  // holding a copy of the workspace) and its title.
  std::function<void(ImageDocInit&& init, const std::string& title)> openFileWindow;
};

class LiveImageWindow : public ChildWindow {
  Q_OBJECT
 public:
  static constexpr const char* kTitle = "Live image Window";
  explicit LiveImageWindow(ChildHost& host, QWidget* parent = nullptr);

  // The link and buffers; until then the window paints grey and its buttons do nothing.
  void Attach(LiveWindowServices services);
  const LiveWindowServices& Services() const { return services_; }

  bool Command(int id) override;
  void Activated() override;
  LiveFaceButton* Button(int id) const;

  // Presses the live button by program (the frame does so before it asks to exit).
  void PressLiveButton();
  void SetLiveButtonHandler(std::function<void()> handler) { onLiveButton_ = std::move(handler); }

  // The photo in a new "Live Image Photo" file window (command 40014).
  void ZoomIn();
  // Save As of the photo (command 40003); nothing when the dialog was cancelled.
  std::optional<SaveResult> SaveAs();
  // Deactivation and maximizing: the camera stops both transfers.
  void StopCamera();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void WatchSubWindow();
  void OnWindowStateChanged(Qt::WindowStates oldState, Qt::WindowStates newState);
  void OnAreaActivated(QMdiSubWindow* window);
  void Notify(int id, bool selected);
  void PaintLiveFrame(QPainter& p);
  void PaintPhoto(QPainter& p);
  bool Variant() const { return services_.link && services_.link->ModelVariant(); }

  LiveWindowServices services_;
  LiveFaceButton* zoomButton_ = nullptr;
  LiveFaceButton* liveButton_ = nullptr;
  QPointer<QMdiSubWindow> subWindow_;
  bool active_ = false;  // the last of the area's windows to be activated
  std::function<void()> onLiveButton_;
};

}  // namespace lumarel
