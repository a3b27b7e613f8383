// SPDX-License-Identifier: MIT
// Reads typed values off the front of a fuzz input; past its end every value is 0.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

namespace lumarel::fuzz {

class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool Empty() const { return pos_ >= size_; }
  std::size_t Remaining() const { return size_ - pos_; }

  std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  std::uint16_t U16() { return static_cast<std::uint16_t>(Byte() << 8 | Byte()); }
  std::uint32_t U32() { return static_cast<std::uint32_t>(U16()) << 16 | U16(); }
  bool Bool() { return (Byte() & 1) != 0; }
  // A value in 0..n-1 (n > 0).
  std::uint32_t Below(std::uint32_t n) { return U16() % n; }

  // Up to `max` bytes, fewer at the end of the input.
  std::span<const std::uint8_t> Take(std::size_t max) {
    std::size_t n = std::min(max, Remaining());
    std::span<const std::uint8_t> s(data_ + pos_, n);
    pos_ += n;
    return s;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

}  // namespace lumarel::fuzz
