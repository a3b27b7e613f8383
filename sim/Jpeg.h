// SPDX-License-Identifier: MIT
// The simulated camera's own JPEG coding, straight on libjpeg: it encodes the
// pictures and previews it stores and decodes pictures it is given, so that it
// stays an oracle independent of the program's image code.
#pragma once

#include <cstdint>
#include <vector>

namespace lumarel::sim {

// A top-down picture of red, green, blue bytes.
struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;

  RgbImage() = default;
  RgbImage(int w, int h) : width(w), height(h), rgb(static_cast<std::size_t>(w) * h * 3) {}
  std::uint8_t* Pixel(int x, int y) { return &rgb[(static_cast<std::size_t>(y) * width + x) * 3]; }
  const std::uint8_t* Pixel(int x, int y) const {
    return &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
  }
};

// Baseline JPEG with standard tables at the given quality (1..100); empty on failure.
std::vector<std::uint8_t> EncodeJpeg(const RgbImage& image, int quality);

// Decodes to RGB, optionally scaled down by libjpeg (scale 1, 2, 4 or 8); false on
// any library error or a picture that is not three-component.
bool DecodeJpeg(const std::vector<std::uint8_t>& jpeg, RgbImage& image, int scaleDenom = 1);

// Reads only the frame header; false when the bytes are no readable JPEG.
bool ReadJpegSize(const std::vector<std::uint8_t>& jpeg, int& width, int& height);

// Area-averaged resampling to width x height (both at least 1).
RgbImage Resize(const RgbImage& source, int width, int height);

}  // namespace lumarel::sim
