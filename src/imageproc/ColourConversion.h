// SPDX-License-Identifier: MIT
// Luminance / colour-difference conversion used by picture adjustment, with
// its rounding: Y rounds half up, Cb and Cr round half away from zero, and
// the way back clamps each sum before truncating it.
#pragma once

#include <cstdint>

namespace lumarel {

struct Luma {
  std::uint8_t y = 0;
  std::int8_t cb = 0;
  std::int8_t cr = 0;
};

Luma ToLuma(std::uint8_t blue, std::uint8_t green, std::uint8_t red);

// Writes blue, green, red from adjusted values at `bgr`.
void FromLuma(int y, int cb, int cr, std::uint8_t* bgr);

}  // namespace lumarel
