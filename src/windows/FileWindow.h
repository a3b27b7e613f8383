// SPDX-License-Identifier: MIT
// The Openfile window: a 640 x 480 picture opened from a file or taken from
// the live picture. Save As proposes a name from the local date and time;
// "Data out to camera" sends the picture in Fine or Normal quality, with the
// upload's watchdog on the window's timer 1. The full client size that decides
// the scroll ranges is shared by all Openfile windows.
#pragma once

#include <functional>
#include <string>

#include "windows/CaptureWindowView.h"
#include "windows/QtTimers.h"

namespace lumarel {

inline constexpr int kFileWindowPictureWidth = 640;
inline constexpr int kFileWindowPictureHeight = 480;
inline constexpr const char* kLivePhotoTitle = "Live Image Photo";

class FileWindow final : public PictureWindow {
  Q_OBJECT
 public:
  // init's picture block already holds the picture (a copy of the picture
  // workspace); on palette displays the window's palette is made from it.
  FileWindow(ChildHost& host, PictureWindowContext& context, ImageDocInit&& init,
             QWidget* parent = nullptr);

  bool Command(int id) override;
  QSize sizeHint() const override;
  QtTimers& WindowTimers() { return timers_; }
  // The full client size of the Openfile windows, set by the last one created.
  static QSize SharedFullClient();

 protected:
  bool SaveAs() override;
  QSize FullClient() const override { return SharedFullClient(); }
  void SetFullClient(QSize size) override;
  int ScrollMaximum(Qt::Orientation orientation, int client) const override;
  std::size_t ClipboardBytes() const override;

 private:
  void MakeWindowPalette();
  void OnTimer(int id);
  void SendToCamera(bool fine);

  QtTimers timers_;
};

// Adds a new Openfile window to the MDI client at the default position.
using AddFileWindow = std::function<void(FileWindow* window)>;

// Opens an Openfile window on a picture read into init's picture block (the
// Open command, the live photo) with the given title, 640 x 480 client.
FileWindow* OpenFileWindow(ChildHost& host, PictureWindowContext& context, ImageDocInit&& init,
                           const std::string& title, const AddFileWindow& add);

// Save As's proposal: "%02d-%d-%d(%d-%d)" of two-digit year, month, day,
// hour and minute, e.g. "01-12-31(9-5)".
std::string FileWindowDefaultName(const LocalTime& time);

}  // namespace lumarel
