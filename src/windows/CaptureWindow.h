// SPDX-License-Identifier: MIT
// The Capture window: one picture downloaded from the camera, shown 1:1 with
// scroll bars when the window is smaller than the picture. Created empty for
// a download (which fills its picture block), it runs the download's watchdog
// on its timer 1 and ends a download still running when it is destroyed. Its
// Save As offers the picture list's file name and, in a multi-picture Save As
// from the Preview window, closes the window and fetches the next picture.
#pragma once

#include <functional>
#include <optional>

#include "link/TransferServices.h"
#include "windows/CaptureWindowLink.h"
#include "windows/CaptureWindowView.h"
#include "windows/QtTimers.h"

namespace lumarel {

class CaptureWindow final : public PictureWindow, public DownloadTarget {
  Q_OBJECT
 public:
  // Takes the record's blocks over; with a camera link, the download becomes
  // active and the watchdog starts.
  CaptureWindow(ChildHost& host, PictureWindowContext& context, ImageDocInit&& init,
                QWidget* parent = nullptr);
  ~CaptureWindow() override;

  // DownloadTarget: the blocks the download fills.
  std::span<std::uint8_t> Picture() override { return Doc().Picture(); }
  std::span<std::uint8_t> Palette() override { return Doc().PaletteBlock.bytes(); }

  bool Command(int id) override;
  QSize sizeHint() const override;
  QtTimers& WindowTimers() { return timers_; }
  // The list entry of the picture this window holds, as it was when the
  // window was made for it. A reload may put another picture at the same
  // position; the window's name and date stay its own picture's.
  void SetListEntry(const windowlink::EntryFacts& entry) { entry_ = entry; }
  // The picture list's name for this picture ("1F01-12-31(9-5)"), or "".
  std::string DefaultFileName() const { return entry_ ? entry_->fileName : ""; }

 protected:
  bool SaveAs() override;
  QSize FullClient() const override;
  void SetFullClient(QSize size) override;
  int ScrollMaximum(Qt::Orientation orientation, int client) const override;
  std::size_t ClipboardBytes() const override;

 private:
  void SaveAsCommand();
  void OnTimer(int id);

  QtTimers timers_;
  std::optional<windowlink::EntryFacts> entry_;
};

// Adds a new Capture window to the MDI client: at the default position, or
// at (5, 5) during a multi-picture Save As.
using AddCaptureWindow = std::function<void(CaptureWindow* window, bool autoSavePosition)>;

// Opens an empty Capture window for list entry p (title: its label, client
// size: the picture's size) and returns it; null when p is not listed or its
// picture block cannot be had ("Not enough memory." shown).
CaptureWindow* OpenCaptureWindow(int p, ChildHost& host, PictureWindowContext& context,
                                 const AddCaptureWindow& add);

// The Preview window's download commands: Data in from camera (40005) opens a
// Capture window for the next chosen picture and starts its download; Save As
// (40003) does the same with the automatic Save As on. False for other ids or
// without a camera link.
bool RunPreviewDownloadCommand(int id, ChildHost& host, PictureWindowContext& context,
                               const AddCaptureWindow& add);

}  // namespace lumarel
