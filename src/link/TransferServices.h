// SPDX-License-Identifier: MIT
// What the transfers built on the link core (download, upload, delete, live
// and zoom) are given besides the CameraLink: the clock for upload dates, the
// Live window's timers, the display-palette mode with the shared palette, and
// the two live pictures the Live window paints.
#pragma once

#include <cstdint>
#include <span>

#include "platform/Clock.h"
#include "platform/Timers.h"

namespace lumarel {

struct TransferServices {
  Clock* clock = nullptr;
  Timers* liveTimers = nullptr;  // Live window ids 1..4
  bool paletteDisplay = false;   // 8-bit screen: pictures get a display palette
  std::span<std::uint8_t> currentPalette;  // shared 1032-byte display palette
  std::span<std::uint8_t> liveFrame;       // 59392-byte block, 160 x 120 x 24 DIB
  std::span<std::uint8_t> livePhoto;       // 925696-byte block, 640 x 480 x 24 DIB
};

// The picture block (and palette block) of the Capture window a download fills.
class DownloadTarget {
 public:
  virtual ~DownloadTarget() = default;
  // The picture block: 40-byte header and 24-bit rows once the picture has arrived.
  virtual std::span<std::uint8_t> Picture() = 0;
  // The window's 1032-byte palette block; empty when it has none.
  virtual std::span<std::uint8_t> Palette() = 0;
};

// Live window timer ids.
namespace live_timer {
inline constexpr int kWatchdog = 1;
inline constexpr int kBusyPress = 2;      // 100 ms, then 200 ms: zoom button pressed, released
inline constexpr int kFrameRetry = 3;     // 200 ms after a recovery: ask for a frame again
inline constexpr int kLivePress = 4;      // 200 ms: live button pressed by program
}  // namespace live_timer

}  // namespace lumarel
