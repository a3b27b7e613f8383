// SPDX-License-Identifier: MIT
// Luminance analysis and mapping for picture adjustment: the histogram's
// black and white points and the tone curve that stretches [g, ...] to 0..255
// with a brightness factor.
#pragma once

#include <array>
#include <cstdint>

namespace lumarel {

using Histogram = std::array<std::uint32_t, 256>;
using ToneTable = std::array<std::uint8_t, 256>;

inline constexpr int kBlackPointCap = 50;
inline constexpr int kWhitePointFloor = 205;

// Level where the darkest 0.1 % of `pixelCount` pixels end (bin 0 ignored),
// at most 50; 0 when 0.1 % is less than one pixel.
int BlackPoint(const Histogram& histogram, int pixelCount);
// Level where the brightest 0.1 % end (bin 255 ignored), at least 205; 255
// when 0.1 % is less than one pixel.
int WhitePoint(const Histogram& histogram, int pixelCount);

// Curve t = (x - start) x slope, passed through a brightness factor r that
// lifts (r > 1) or lowers (r < 1) the dark and middle levels; r = 1 is t.
ToneTable MakeToneTable(int start, double slope, double r);

}  // namespace lumarel
