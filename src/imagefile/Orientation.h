// SPDX-License-Identifier: MIT
// Exif orientation: how a stored picture must be turned to be seen upright
// (tag 0x0112 of the first IFD; 1 is upright, 2-8 mirror and rotate).
#pragma once

#include <cstdint>
#include <span>

namespace lumarel {

// The orientation an APP1 segment's data ("Exif\0\0" and a TIFF structure)
// gives; 1 when it is not Exif, has no such tag, or the value is not 1..8.
int ExifOrientationOf(std::span<const std::uint8_t> app1);

// The orientation of a JPEG stream: its first Exif APP1 segment's, 1 without one.
int JpegOrientation(std::span<const std::uint8_t> jpeg);

// True when the orientation swaps width and height (5..8).
inline bool SwapsSides(int orientation) { return orientation >= 5 && orientation <= 8; }

// Where the pixel shown at (x, y) of the upright picture is stored, for a
// stored picture of width x height.
struct StoredPixel {
  std::uint32_t x;
  std::uint32_t y;
};
StoredPixel StoredPixelOf(int orientation, std::uint32_t x, std::uint32_t y, std::uint32_t width,
                          std::uint32_t height);

}  // namespace lumarel
