// SPDX-License-Identifier: MIT
// Block allocation with a test hook, and the DIB header accessors.
#include "imagefile/DibImage.h"

#include <algorithm>
#include <new>

#include "imagefile/ByteOrder.h"

namespace lumarel {

namespace {

// Allocations still allowed before forced failures begin; negative: no limit.
int g_allocationsLeft = -1;

bool IsInfoHeader(std::span<const std::uint8_t> dib) {
  return dib.size() >= kDibInfoHeaderSize && bytes::Le32(dib.data()) == kDibInfoHeaderSize;
}
bool IsReadableCoreHeader(std::span<const std::uint8_t> dib) {
  return !IsInfoHeader(dib) && dib.size() >= kDibCoreHeaderSize;
}
std::uint32_t HeaderSize(std::span<const std::uint8_t> dib) {
  return dib.size() >= 4 ? bytes::Le32(dib.data()) : 0;
}

}  // namespace

MemoryBlock AllocateBlock(std::size_t size) {
  MemoryBlock block;
  if (size == 0) return block;
  if (g_allocationsLeft == 0) return block;
  if (g_allocationsLeft > 0) --g_allocationsLeft;
  block.data_.reset(new (std::nothrow) std::uint8_t[size]());
  if (block.data_) block.size_ = size;
  return block;
}

ScopedAllocationFailure::ScopedAllocationFailure(int successes) : saved_(g_allocationsLeft) {
  g_allocationsLeft = successes < 0 ? 0 : successes;
}
ScopedAllocationFailure::~ScopedAllocationFailure() { g_allocationsLeft = saved_; }

std::uint16_t DibBitCount(std::span<const std::uint8_t> dib) {
  if (IsInfoHeader(dib)) return bytes::Le16(dib.data() + 14);
  if (IsReadableCoreHeader(dib)) return bytes::Le16(dib.data() + 10);
  return 0;
}

std::int32_t DibWidth(std::span<const std::uint8_t> dib) {
  if (IsInfoHeader(dib)) return static_cast<std::int32_t>(bytes::Le32(dib.data() + 4));
  if (IsReadableCoreHeader(dib)) return bytes::Le16(dib.data() + 4);
  return 0;
}

std::int32_t DibHeight(std::span<const std::uint8_t> dib) {
  if (IsInfoHeader(dib)) return static_cast<std::int32_t>(bytes::Le32(dib.data() + 8));
  if (IsReadableCoreHeader(dib)) return bytes::Le16(dib.data() + 6);
  return 0;
}

std::uint16_t DibColourCount(std::span<const std::uint8_t> dib) {
  if (IsInfoHeader(dib)) {
    std::uint32_t used = bytes::Le32(dib.data() + 32);
    if (used != 0) return static_cast<std::uint16_t>(used);
  }
  switch (DibBitCount(dib)) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
  }
}

std::uint16_t DibColourTableSize(std::span<const std::uint8_t> dib) {
  unsigned entry = IsInfoHeader(dib) ? 4 : 3;
  return static_cast<std::uint16_t>(DibColourCount(dib) * entry);
}

std::size_t DibPixelOffset(std::span<const std::uint8_t> dib) {
  return static_cast<std::size_t>(HeaderSize(dib)) + DibColourTableSize(dib);
}

const std::uint8_t* DibPixels(std::span<const std::uint8_t> dib) {
  std::size_t offset = DibPixelOffset(dib);
  if (HeaderSize(dib) == 0 || offset >= dib.size()) return nullptr;
  return dib.data() + offset;
}

std::uint8_t* DibPixels(std::span<std::uint8_t> dib) {
  return const_cast<std::uint8_t*>(DibPixels(std::span<const std::uint8_t>(dib)));
}

std::size_t DibContentSize(std::span<const std::uint8_t> dib) {
  std::int32_t w = DibWidth(dib);
  std::int32_t h = DibHeight(dib);
  if (w <= 0 || h <= 0 || HeaderSize(dib) == 0) return 0;
  return DibPixelOffset(dib) +
         DibStride(static_cast<std::size_t>(w), DibBitCount(dib)) * static_cast<std::size_t>(h);
}

bool WriteDibHeader(std::span<std::uint8_t> dib, std::int32_t width, std::int32_t height,
                    std::uint16_t bitCount, std::uint32_t coloursUsed) {
  if (dib.size() < kDibInfoHeaderSize) return false;
  std::uint8_t* p = dib.data();
  std::fill(p, p + kDibInfoHeaderSize, std::uint8_t{0});
  bytes::PutLe32(p, kDibInfoHeaderSize);
  bytes::PutLe32(p + 4, static_cast<std::uint32_t>(width));
  bytes::PutLe32(p + 8, static_cast<std::uint32_t>(height));
  bytes::PutLe16(p + 12, 1);
  bytes::PutLe16(p + 14, bitCount);
  bytes::PutLe32(p + 32, coloursUsed);
  return true;
}

}  // namespace lumarel
