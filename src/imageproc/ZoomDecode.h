// SPDX-License-Identifier: MIT
// Decoding of the camera's full-size still: 2160 packets, nine to a camera
// line of 648 pixels, each packet 9 groups of 8 brightness values and two
// colour pairs. Each completed line fills two rows of the 640 x 480 picture:
// the average with the line above, then the line itself.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace lumarel {

inline constexpr int kZoomLinePixels = 648;
inline constexpr int kZoomPacketsPerLine = 9;
inline constexpr int kZoomPacketsPerPicture = 2160;
inline constexpr int kZoomPixelsPerPacket = 72;

struct ZoomDecoderState {
  std::array<std::uint8_t, kZoomLinePixels * 3> line{};  // blue, green, red
};

// Decodes packet bytes 3..110 of zoom packet `packetIndex` into the line
// buffer at pixels 72 x (index mod 9) onwards.
void DecodeZoomGroups(std::span<const std::uint8_t> packet, int packetIndex,
                      ZoomDecoderState& state);

// Decodes zoom packet `packetIndex` (0..2159) and, after every ninth packet,
// places the line in `photo` (a 24-bit DIB block): line j fills rows 2j and
// 2j + 1 from the top; the first line also goes to the spare row after the
// pixel rows when the block has room for it. Rows outside the picture are
// not written. Returns false when the packet is shorter than 111 bytes or
// the photo is not a 24-bit picture (nothing changed).
bool DecodeZoomPacket(std::span<const std::uint8_t> packet, int packetIndex,
                      ZoomDecoderState& state, std::span<std::uint8_t> photo);

}  // namespace lumarel
