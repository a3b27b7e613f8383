// SPDX-License-Identifier: MIT
// Bounds-checked views of the pixel rows of a DIB block. Every picture
// operation of this library works on such a view, so that a header that lies
// about its size is refused once, here, instead of in each loop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "imagefile/DibImage.h"

namespace lumarel {

// Rows of a picture stored bottom-up, `stride` bytes apart; row 0 is the first
// stored (bottom) row.
template <typename Byte>
struct BasicRows {
  Byte* first = nullptr;
  int width = 0;
  int height = 0;
  std::size_t stride = 0;

  // Mutable rows convert to read-only rows.
  operator BasicRows<const Byte>() const { return {first, width, height, stride}; }

  Byte* Row(int stored) const { return first + static_cast<std::size_t>(stored) * stride; }
  Byte* Pixel(int x, int stored) const { return Row(stored) + static_cast<std::size_t>(x) * 3; }
};

using Rows24 = BasicRows<std::uint8_t>;
using ConstRows24 = BasicRows<const std::uint8_t>;

// The rows of a 24-bit DIB in `dib`, or nothing when the header is unreadable,
// the bit count is not 24, a size is not positive or the rows do not fit in
// the block.
std::optional<Rows24> Rows24Of(std::span<std::uint8_t> dib);
std::optional<ConstRows24> Rows24Of(std::span<const std::uint8_t> dib);

// Raw rows of width x height 24-bit pixels at `pixelOffset` in `block` with
// the standard stride, or nothing when they do not fit.
std::optional<Rows24> RawRows24(std::span<std::uint8_t> block, std::size_t pixelOffset,
                                int width, int height);

inline std::uint8_t ClampToByte(int value) {
  return static_cast<std::uint8_t>(value < 0 ? 0 : (value > 255 ? 255 : value));
}

}  // namespace lumarel
