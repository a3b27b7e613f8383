// SPDX-License-Identifier: MIT
// Packing what the camera sees into live-frame and zoom packets: the inverse
// of the program's decoding of those packets.
//
// Live frame (160 x 120): 60 packets, packet k carries camera line k (picture
// row 2k). Packet byte i (0..111, the first three are the packet's own marker,
// sequence and complement bytes) is one sample: high nibble brightness A / 16,
// low nibble a signed colour difference / 16, P = R - A in even packets and
// Q = B - A in odd ones. Sample i lands at output column 3i/2 - 8.
//
// Zoom still (640 x 480): 2160 packets, nine per camera line of 648 pixels
// (picture row 2j + 1 for line j); nine groups of twelve bytes in bytes 3..110:
// Y0..Y7, then v, v', u, u' (signed) for pixels 0..3 and 4..7 of the group.
#pragma once

#include <cstdint>

#include "Jpeg.h"
#include "Protocol.h"

namespace lumarel::sim {

constexpr int kLiveWidth = 160;
constexpr int kLiveHeight = 120;
constexpr std::uint32_t kLivePackets = 60;
constexpr int kZoomWidth = 640;
constexpr int kZoomHeight = 480;
constexpr std::uint32_t kZoomPackets = 2160;
constexpr int kZoomPacketsPerLine = 9;

// Packet k (0..59) of a live frame from a 160 x 120 picture.
Packet EncodeLivePacket(const RgbImage& frame, std::uint32_t k);

// Packet k (0..2159) of a zoom still from a 640 x 480 picture.
Packet EncodeZoomPacket(const RgbImage& photo, std::uint32_t k);

}  // namespace lumarel::sim
