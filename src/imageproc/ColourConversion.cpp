// SPDX-License-Identifier: MIT
#include "imageproc/ColourConversion.h"

namespace lumarel {
namespace {

int RoundHalfAway(double v) { return static_cast<int>(v >= 0 ? v + 0.5 : v - 0.5); }

std::uint8_t ClampTruncate(double v) {
  if (v < 0) return 0;
  if (v > 255) return 255;
  return static_cast<std::uint8_t>(v);
}

}  // namespace

Luma ToLuma(std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
  const double b = blue, g = green, r = red;
  Luma l;
  l.y = static_cast<std::uint8_t>(0.299 * r + 0.587 * g + 0.114 * b + 0.5);
  l.cb = static_cast<std::int8_t>(RoundHalfAway(0.4997 * b - 0.1686 * r - 0.3311 * g));
  l.cr = static_cast<std::int8_t>(RoundHalfAway(0.4998 * r - 0.4185 * g - 0.0813 * b));
  return l;
}

void FromLuma(int y, int cb, int cr, std::uint8_t* bgr) {
  bgr[0] = ClampTruncate(y + 1.773 * cb + 0.5);
  bgr[1] = ClampTruncate(y - 0.7144 * cr - 0.3444 * cb + 0.5);
  bgr[2] = ClampTruncate(y + 1.4026 * cr + 0.5);
}

}  // namespace lumarel
