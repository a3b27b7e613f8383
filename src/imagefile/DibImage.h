// SPDX-License-Identifier: MIT
// Pictures in memory: a packed device-independent bitmap (DIB) in one owned,
// zero-filled byte block. The block holds a 40-byte information header (or the
// older 12-byte core header), the colour table and the pixel rows bottom-up,
// each row padded with zeros to a multiple of 4 bytes. Blocks are usually
// allocated at a fixed size larger than their content.
//
// The accessors read the header from a byte span and never read outside it:
// a span too short for the header gives 0 for every field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace lumarel {

// Block sizes in use.
inline constexpr std::size_t kPictureBlockSize = 925696;      // 24-bit picture up to 640 x 480
inline constexpr std::size_t kPaletteDibBlockSize = 308264;   // 8-bit 640 x 480 with 256 colours
inline constexpr std::size_t kPreviewSlotSize = 59392;        // preview slot / 160 x 120 picture
inline constexpr std::size_t kLogicalPaletteSize = 1032;      // logical palette
inline constexpr std::size_t kPicture640x480ContentSize = 921640;  // 40 + 1920 x 480

inline constexpr std::uint32_t kDibInfoHeaderSize = 40;  // BITMAPINFOHEADER
inline constexpr std::uint32_t kDibCoreHeaderSize = 12;  // BITMAPCOREHEADER

// An owned, zero-filled byte block (the "movable global memory block" of the
// picture, palette and stream buffers). Move-only; a default-constructed or
// moved-from block is null.
class MemoryBlock {
 public:
  MemoryBlock() = default;
  MemoryBlock(MemoryBlock&&) noexcept = default;
  MemoryBlock& operator=(MemoryBlock&&) noexcept = default;
  MemoryBlock(const MemoryBlock&) = delete;
  MemoryBlock& operator=(const MemoryBlock&) = delete;

  explicit operator bool() const { return data_ != nullptr; }
  std::uint8_t* data() { return data_.get(); }
  const std::uint8_t* data() const { return data_.get(); }
  std::size_t size() const { return size_; }
  std::span<std::uint8_t> bytes() { return {data_.get(), size_}; }
  std::span<const std::uint8_t> bytes() const { return {data_.get(), size_}; }
  operator std::span<std::uint8_t>() { return bytes(); }
  operator std::span<const std::uint8_t>() const { return bytes(); }

  // Frees the block; the object becomes null.
  void Reset() {
    data_.reset();
    size_ = 0;
  }

 private:
  friend MemoryBlock AllocateBlock(std::size_t size);
  std::unique_ptr<std::uint8_t[]> data_;
  std::size_t size_ = 0;
};

// A picture is a block holding a DIB.
using DibImage = MemoryBlock;

// Allocates a zero-filled block of `size` bytes (size 0 is refused). Returns a
// null block when memory is short or when a test forces the failure.
MemoryBlock AllocateBlock(std::size_t size);

// Test hook: lets the next `successes` allocations succeed and makes every
// later one fail, until the guard is destroyed. Not for concurrent use.
class ScopedAllocationFailure {
 public:
  explicit ScopedAllocationFailure(int successes = 0);
  ~ScopedAllocationFailure();
  ScopedAllocationFailure(const ScopedAllocationFailure&) = delete;
  ScopedAllocationFailure& operator=(const ScopedAllocationFailure&) = delete;

 private:
  int saved_;
};

// Header accessors. A header whose size field is not exactly 40 is read as the
// 12-byte core form (16-bit width, height and bit count at bytes 4, 6 and 10;
// colour-table entries of 3 bytes).
std::uint16_t DibColourCount(std::span<const std::uint8_t> dib);
std::uint16_t DibColourTableSize(std::span<const std::uint8_t> dib);
std::int32_t DibWidth(std::span<const std::uint8_t> dib);
std::int32_t DibHeight(std::span<const std::uint8_t> dib);
std::uint16_t DibBitCount(std::span<const std::uint8_t> dib);
// Offset of the first (bottom) pixel row: header size + colour-table size.
std::size_t DibPixelOffset(std::span<const std::uint8_t> dib);
// Address of the first (bottom) pixel row, or nullptr when that offset lies at
// or past the end of the span.
std::uint8_t* DibPixels(std::span<std::uint8_t> dib);
const std::uint8_t* DibPixels(std::span<const std::uint8_t> dib);
inline std::uint8_t* DibPixels(MemoryBlock& dib) { return DibPixels(dib.bytes()); }
inline const std::uint8_t* DibPixels(const MemoryBlock& dib) {
  return DibPixels(dib.bytes());
}

// Bytes per stored row: ((width x bitCount + 31) / 32) x 4.
constexpr std::size_t DibStride(std::size_t width, std::size_t bitCount) {
  return ((width * bitCount + 31) / 32) * 4;
}
// Bytes the DIB's header, colour table and rows occupy; 0 when the header is
// unreadable or its width or height is not positive.
std::size_t DibContentSize(std::span<const std::uint8_t> dib);

// Writes a 40-byte information header (planes 1, no compression, everything
// else 0) at the start of `dib`. Returns false when the span is shorter than 40.
bool WriteDibHeader(std::span<std::uint8_t> dib, std::int32_t width, std::int32_t height,
                    std::uint16_t bitCount, std::uint32_t coloursUsed = 0);

}  // namespace lumarel
