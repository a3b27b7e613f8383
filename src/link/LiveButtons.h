// SPDX-License-Identifier: MIT
// The Live window's side of the live picture: the live and zoom buttons with
// their faces, the paint-driven frame requests, activation, stopping the
// stream, and the window's timers (watchdog, busy press, frame retry, live
// press). Installs the live frame and zoom handlers (ResponseKind 2 and 3).
#pragma once

#include <memory>

#include "link/CameraLink.h"
#include "link/LinkWatchdog.h"
#include "link/LiveHandler.h"
#include "link/TransferServices.h"

namespace lumarel {

inline constexpr Rect kLiveButtonArea{200, 35, 300, 65};
inline constexpr Rect kZoomButtonArea{200, 85, 300, 115};
inline constexpr Rect kLivePhotoRepaintArea{4, 150, 644, 630};

class LiveControl {
 public:
  LiveControl(CameraLink& link, const TransferServices& services);

  // Owner-draw notification of the live button (id 2) or the zoom button (id 1).
  void LiveButtonNotified(bool selected, bool selectionChanged);
  void ZoomButtonNotified(bool selected, bool selectionChanged);
  // The Live window painted the live frame: the next frame is asked for.
  void Painted();
  // Live runs and a frame asked for has not fully arrived (a paint then asks
  // for nothing). Follows the frame itself, not the watchdog's flags.
  bool FrameOutstanding() const;
  // The Live window became active.
  void Activated();
  // Deactivation or maximizing: both transfers stop. True when a zoom was stopped.
  bool StopStream();
  // Timer `id` (1..4) of the Live window expired.
  void OnTimer(int id);

  const LiveFaces& Faces() const { return faces_; }

 private:
  void LiveOn();
  void LiveOff();
  void GreyPhoto();

  CameraLink& link_;
  const TransferServices& services_;
  LiveFaces faces_;
  LiveHandler* liveHandler_ = nullptr;  // owned by the link
  std::unique_ptr<LinkWatchdog> watchdog_;
  bool blink_ = false;
};

}  // namespace lumarel
