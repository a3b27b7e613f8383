// SPDX-License-Identifier: MIT
// Decoding of the camera's live frames: 60 packets of 112 packed samples
// (brightness in the high nibble, one colour component in the low nibble,
// the two components alternating between even and odd packets), widened from
// 112 samples to 168 pixels, written two rows per packet (a mixed row and
// the camera line) into a 160 x 120 24-bit picture.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace lumarel {

inline constexpr int kLiveSamples = 112;
inline constexpr int kLiveLinePixels = 168;
inline constexpr int kLiveFirstShownPixel = 8;
inline constexpr int kLivePacketsPerFrame = 60;

// What the decoder keeps across packets and frames.
struct LiveDecoderState {
  std::array<std::int8_t, kLiveSamples> firstChroma{};   // from the last even packet
  std::array<std::int8_t, kLiveSamples> secondChroma{};  // from the last odd packet
  std::array<std::uint8_t, kLiveLinePixels * 3> previousLine{};
  std::int32_t lineOffset = 0;  // bytes written into the frame since its start
};

// One camera line of 168 pixels (blue, green, red) from packet bytes 0..111;
// updates the chroma memory for the packet's parity. The widening needs a
// 113th sample for its last pixel: the 112th sample stands in for it.
void DecodeLiveLine(std::span<const std::uint8_t> packet, int packetIndex,
                    LiveDecoderState& state, std::array<std::uint8_t, kLiveLinePixels * 3>& line);

// Decodes live packet `packetIndex` (0..59) into the 24-bit picture `frame`
// (a DIB block): the mixed row at the line offset, then the camera line at
// the next row; the first mixed row lands in the spare row after the pixel
// rows. Rows outside -1..height-1, or past the end of the block, are not
// written. Returns false when the packet is shorter than 112 bytes or the
// frame is not a 24-bit picture (nothing changed).
bool DecodeLivePacket(std::span<const std::uint8_t> packet, int packetIndex,
                      LiveDecoderState& state, std::span<std::uint8_t> frame);

}  // namespace lumarel
