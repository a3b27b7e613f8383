// SPDX-License-Identifier: MIT
// Synthetic 24-bit pictures for the image-processing tests.
#pragma once

#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include "imagefile/DibImage.h"

namespace lumarel::testing {

struct Bgr {
  std::uint8_t b = 0, g = 0, r = 0;
  bool operator==(const Bgr&) const = default;
};

// A 24-bit DIB of width x height in a block of `blockSize` bytes (content
// size when 0); pixel (x, storedRow) comes from `colour`. Padding bytes stay 0.
inline std::vector<std::uint8_t> MakePicture(int width, int height,
                                             const std::function<Bgr(int, int)>& colour,
                                             std::size_t blockSize = 0) {
  const std::size_t stride = DibStride(width, 24);
  std::vector<std::uint8_t> dib(blockSize ? blockSize : 40 + stride * height, 0);
  WriteDibHeader(dib, width, height, 24);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const Bgr c = colour(x, y);
      std::uint8_t* p = dib.data() + 40 + y * stride + 3 * x;
      p[0] = c.b;
      p[1] = c.g;
      p[2] = c.r;
    }
  }
  return dib;
}

inline std::vector<std::uint8_t> UniformPicture(int width, int height, Bgr c) {
  return MakePicture(width, height, [c](int, int) { return c; });
}

inline std::vector<std::uint8_t> RandomPicture(int width, int height, unsigned seed) {
  std::mt19937 rng(seed);
  return MakePicture(width, height, [&rng](int, int) {
    return Bgr{static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng()),
               static_cast<std::uint8_t>(rng())};
  });
}

inline Bgr PixelAt(const std::vector<std::uint8_t>& dib, int x, int y, std::size_t offset = 40) {
  const std::size_t stride = DibStride(DibWidth(dib), 24);
  const std::uint8_t* p = dib.data() + offset + y * stride + 3 * x;
  return {p[0], p[1], p[2]};
}

}  // namespace lumarel::testing
