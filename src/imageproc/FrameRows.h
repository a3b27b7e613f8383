// SPDX-License-Identifier: MIT
// Rows of a live or zoom picture addressed from the top, including the spare
// row just after the pixel data (row -1), with every write bounds-checked
// against the block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "imageproc/PictureRows.h"

namespace lumarel {

class FrameRows {
 public:
  FrameRows(std::span<std::uint8_t> block, const Rows24& rows) : block_(block), rows_(rows) {}

  // Row from the top for a line offset in bytes: offset 0 is row -1.
  int RowFromTop(std::int32_t lineOffset) const {
    return static_cast<int>(lineOffset / static_cast<std::int32_t>(rows_.stride)) - 1;
  }

  // Address of row `fromTop` (-1 = spare row), or nullptr when the row is
  // outside -1..height-1 or `bytes` of it would pass the end of the block.
  std::uint8_t* Row(int fromTop, std::size_t bytes) const {
    if (fromTop < -1 || fromTop >= rows_.height) return nullptr;
    const std::size_t offset = static_cast<std::size_t>(rows_.first - block_.data()) +
                               static_cast<std::size_t>(rows_.height - 1 - fromTop) * rows_.stride;
    if (offset > block_.size() || bytes > block_.size() - offset) return nullptr;
    return block_.data() + offset;
  }

  // Moves a line offset on by one row, stopping short of overflow.
  void Advance(std::int32_t& lineOffset) const {
    const auto stride = static_cast<std::int32_t>(rows_.stride);
    if (lineOffset <= INT32_MAX - stride) lineOffset += stride;
  }

  bool Write(int fromTop, const std::uint8_t* from, std::size_t bytes) const {
    std::uint8_t* row = Row(fromTop, bytes);
    if (!row) return false;
    std::memcpy(row, from, bytes);
    return true;
  }

 private:
  std::span<std::uint8_t> block_;
  Rows24 rows_;
};

}  // namespace lumarel
