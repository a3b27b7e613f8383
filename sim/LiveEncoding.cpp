// SPDX-License-Identifier: MIT
#include "LiveEncoding.h"

#include <algorithm>
#include <cmath>

#include "Packets.h"

namespace lumarel::sim {
namespace {

int Round(double value) { return static_cast<int>(std::lround(value)); }

// A brightness and a colour nibble packed into one live sample byte.
std::uint8_t LiveSample(const std::uint8_t* rgb, bool evenPacket) {
  const int r = rgb[0], g = rgb[1], b = rgb[2];
  // Inverse of B = A + Q, G = A - P/2 - Q/5, R = A + P with P = R - A, Q = B - A.
  const double a = (10.0 * g + 5.0 * r + 2.0 * b) / 17.0;
  const double colour = evenPacket ? r - a : b - a;
  const int brightness = std::clamp(Round(a / 16.0), 0, 15);
  const int difference = std::clamp(Round(colour / 16.0), -8, 7);
  return static_cast<std::uint8_t>((brightness << 4) | (difference & 0x0F));
}

struct ZoomColour {
  double y[8];
  int v[2];
  int u[2];
};

// Inverse of B = Y + 2.13u, G = Y - 0.41u - 0.86v, R = Y + 1.68v, chroma shared by four pixels.
ZoomColour ZoomGroup(const RgbImage& photo, int row, int firstColumn) {
  ZoomColour group{};
  double vSum[2] = {0, 0}, uSum[2] = {0, 0};
  for (int p = 0; p < 8; ++p) {
    const int column = std::min(firstColumn + p, photo.width - 1);
    const std::uint8_t* rgb = photo.Pixel(column, row);
    const double y = (rgb[1] + 0.41 / 2.13 * rgb[2] + 0.86 / 1.68 * rgb[0]) /
                     (1.0 + 0.41 / 2.13 + 0.86 / 1.68);
    group.y[p] = y;
    vSum[p / 4] += (rgb[0] - y) / 1.68;
    uSum[p / 4] += (rgb[2] - y) / 2.13;
  }
  for (int half = 0; half < 2; ++half) {
    group.v[half] = std::clamp(Round(vSum[half] / 4), -128, 127);
    group.u[half] = std::clamp(Round(uSum[half] / 4), -128, 127);
  }
  return group;
}

}  // namespace

Packet EncodeLivePacket(const RgbImage& frame, std::uint32_t k) {
  Packet packet = MakeDataPacket(k, nullptr, 0);
  const int row = std::min(static_cast<int>(2 * k), frame.height - 1);
  for (std::size_t i = kPayloadOffset; i < kPayloadSize; ++i) {
    const int column = std::clamp(static_cast<int>(3 * i / 2) - 8, 0, frame.width - 1);
    packet[i] = LiveSample(frame.Pixel(column, row), k % 2 == 0);
  }
  return packet;
}

Packet EncodeZoomPacket(const RgbImage& photo, std::uint32_t k) {
  Packet packet = MakeDataPacket(k, nullptr, 0);
  const int row = std::min(static_cast<int>(2 * (k / kZoomPacketsPerLine) + 1), photo.height - 1);
  const int lineStart = 72 * static_cast<int>(k % kZoomPacketsPerLine);
  for (int g = 0; g < 9; ++g) {
    const ZoomColour group = ZoomGroup(photo, row, lineStart + 8 * g);
    std::uint8_t* out = &packet[kPayloadOffset + 12 * g];
    for (int p = 0; p < 8; ++p) out[p] = static_cast<std::uint8_t>(std::clamp(Round(group.y[p]), 0, 255));
    out[8] = static_cast<std::uint8_t>(group.v[0]);
    out[9] = static_cast<std::uint8_t>(group.v[1]);
    out[10] = static_cast<std::uint8_t>(group.u[0]);
    out[11] = static_cast<std::uint8_t>(group.u[1]);
  }
  return packet;
}

}  // namespace lumarel::sim
