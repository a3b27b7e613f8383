// SPDX-License-Identifier: MIT
// Fixed-ratio resampling of 24-bit pictures: the half-size box average sent
// as a Normal-quality picture, the quarter-size upload thumbnail, and the two
// row stretches that widen the middle of a variant-1 photo to 640 pixels.
#pragma once

#include <cstdint>
#include <span>

namespace lumarel {

inline constexpr int kPhotoWidth = 640;
inline constexpr int kPhotoHeight = 480;

// Header and rows of a (W / 2) x (H / 2) picture into `out`: each pixel is
// the truncated mean of a 2 x 2 block. False (nothing written) when the
// source is not a 24-bit picture or `out` is too small.
bool MakeHalfSizePicture(std::span<const std::uint8_t> picture, std::span<std::uint8_t> out);

// Header and rows of a (W / 4) x (H / 4) thumbnail into `out`: each pixel is
// the mean of the 4-pixel means of source rows 4Y and 4Y + 2, all truncated.
bool MakeQuarterThumbnail(std::span<const std::uint8_t> picture, std::span<std::uint8_t> out);

// One 640-pixel row: source positions 3 + 202/256 ... 508 by linear
// interpolation with an 8-bit fraction. Both rows hold 640 pixels.
void InterpolateRow(const std::uint8_t* source, std::uint8_t* out);

// One 640-pixel row from the source's first 512 pixels, 4 to 5 by groups;
// the source row must hold at least 513 pixels.
void GroupStretchRow(const std::uint8_t* source, std::uint8_t* out);

// A 640 x 480 photo widened row by row into `out` (header copied). False
// (nothing written) when the photo is not 640 x 480 x 24 or `out` is smaller.
bool InterpolatePhoto(std::span<const std::uint8_t> photo, std::span<std::uint8_t> out);
bool GroupStretchPhoto(std::span<const std::uint8_t> photo, std::span<std::uint8_t> out);

}  // namespace lumarel
