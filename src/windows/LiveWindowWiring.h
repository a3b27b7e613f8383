// SPDX-License-Identifier: MIT
// How the program wires its Live window: the live transfer behind the buttons,
// the start-up buffers, and what the picture windows share (scratch files, the
// file record, the palette mode). The photo opens as an Openfile window.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "windows/FileWindow.h"
#include "windows/LiveWindow.h"

namespace lumarel {

struct LiveBuffers {
  std::span<const std::uint8_t> liveFrame;       // 160 x 120 live frame
  std::span<std::uint8_t> livePhoto;             // 640 x 480 zoom still
  std::span<std::uint8_t> workspace;             // the shared picture workspace
  std::span<const std::uint8_t> defaultPalette;  // unchanging palette copy (palette displays)
};

// `host` is the frame; `menuItemEnabled` reads the "LIVEIMAGE" menu; `add`
// puts a new "Live Image Photo" window into the MDI client.
void WireLiveWindow(LiveImageWindow& window, ChildHost& host, LiveLink* link,
                    PictureWindowContext& pictures, const LiveBuffers& buffers,
                    std::function<bool(int id)> menuItemEnabled, AddFileWindow add);

}  // namespace lumarel
