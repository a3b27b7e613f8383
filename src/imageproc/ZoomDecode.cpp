// SPDX-License-Identifier: MIT
#include "imageproc/ZoomDecode.h"

#include <algorithm>

#include "imageproc/FrameRows.h"
#include "imageproc/PictureRows.h"

namespace lumarel {
namespace {

constexpr int kGroupsPerPacket = 9;
constexpr int kGroupBytes = 12;
constexpr int kFirstGroupByte = 3;
constexpr std::size_t kMinimumPacket = kFirstGroupByte + kGroupsPerPacket * kGroupBytes;  // 111

void ZoomPixel(int y, int u, int v, std::uint8_t* bgr) {
  bgr[0] = ClampToByte(y + 2 * u + 13 * u / 100);
  bgr[1] = ClampToByte(y - 41 * u / 100 - 86 * v / 100);
  bgr[2] = ClampToByte(y + v + 68 * v / 100);
}

// Each byte halved before adding.
void Average(const std::uint8_t* a, const std::uint8_t* b, std::uint8_t* out, std::size_t n) {
  for (std::size_t k = 0; k < n; ++k) out[k] = static_cast<std::uint8_t>(a[k] / 2 + b[k] / 2);
}

void PlaceLine(const FrameRows& target, int line, const std::uint8_t* pixels, std::size_t bytes) {
  const int even = 2 * line;
  if (line == 0) target.Write(-1, pixels, bytes);
  std::uint8_t* row = target.Row(even, bytes);
  const std::uint8_t* above = line == 0 ? pixels : target.Row(even - 1, bytes);
  if (row && above) Average(above, pixels, row, bytes);
  target.Write(even + 1, pixels, bytes);
}

}  // namespace

void DecodeZoomGroups(std::span<const std::uint8_t> packet, int packetIndex,
                      ZoomDecoderState& state) {
  const int firstPixel = kZoomPixelsPerPacket * (packetIndex % kZoomPacketsPerLine);
  for (int g = 0; g < kGroupsPerPacket; ++g) {
    const std::uint8_t* group = packet.data() + kFirstGroupByte + kGroupBytes * g;
    std::uint8_t* out = state.line.data() + 3 * (firstPixel + 8 * g);
    for (int p = 0; p < 8; ++p, out += 3) {
      const int pair = p < 4 ? 0 : 1;
      const int v = static_cast<std::int8_t>(group[8 + pair]);
      const int u = static_cast<std::int8_t>(group[10 + pair]);
      ZoomPixel(group[p], u, v, out);
    }
  }
}

bool DecodeZoomPacket(std::span<const std::uint8_t> packet, int packetIndex,
                      ZoomDecoderState& state, std::span<std::uint8_t> photo) {
  if (packet.size() < kMinimumPacket || packetIndex < 0) return false;
  const auto rows = Rows24Of(photo);
  if (!rows) return false;
  DecodeZoomGroups(packet, packetIndex, state);
  if (packetIndex % kZoomPacketsPerLine == kZoomPacketsPerLine - 1) {
    const std::size_t bytes = 3 * static_cast<std::size_t>(std::min(rows->width, 640));
    PlaceLine(FrameRows(photo, *rows), packetIndex / kZoomPacketsPerLine, state.line.data(),
              bytes);
  }
  return true;
}

}  // namespace lumarel
