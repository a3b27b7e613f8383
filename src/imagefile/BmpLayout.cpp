// SPDX-License-Identifier: MIT
// The BMP reader's first half: the byte sources and the headers, masks and
// colour table. Every field is checked before anything depends on it.
#include <algorithm>
#include <climits>
#include <cstring>

#include "imagefile/BmpRead.h"
#include "imagefile/ByteOrder.h"

namespace lumarel {
namespace {

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kOs2HeaderSize = 64;

// Compression values.
constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;
constexpr std::uint32_t kBitFields = 3;
constexpr std::uint32_t kAlphaBitFields = 6;

bool KnownHeaderSize(std::uint32_t size) {
  switch (size) {
    case 12: case 40: case 52: case 56: case 64: case 108: case 124: return true;
    default: return false;
  }
}

// Bit count and compression that the reader decodes.
bool KnownCoding(std::uint32_t headerSize, std::uint16_t bits, std::uint32_t compression) {
  switch (compression) {
    case kRgb: return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    case kRle8: return bits == 8;
    case kRle4: return bits == 4;
    case kBitFields:
    case kAlphaBitFields:  // an OS/2 header gives these numbers other meanings
      return headerSize != kOs2HeaderSize && (bits == 16 || bits == 32);
    default: return false;  // JPEG, PNG and anything else in a BMP
  }
}

bool ReadExactAt(BmpSource& source, std::uint64_t offset, std::span<std::uint8_t> out) {
  return source.ReadAt(offset, out) == out.size();
}

}  // namespace

std::size_t SpanBmpSource::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) {
  if (offset >= bytes_.size()) return 0;
  const std::size_t n = std::min<std::uint64_t>(out.size(), bytes_.size() - offset);
  std::memcpy(out.data(), bytes_.data() + offset, n);
  return n;
}

std::size_t FileBmpSource::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) {
  if (offset > static_cast<std::uint64_t>(INT64_MAX)) return 0;
  if (offset != position_) {
    if (::fseeko(file_, static_cast<off_t>(offset), SEEK_SET) != 0) {
      position_ = ~std::uint64_t{0};
      return 0;
    }
  }
  const std::size_t n = std::fread(out.data(), 1, out.size(), file_);
  position_ = offset + n;
  return n;
}

ImageResult ReadBmpLayout(BmpSource& source, BmpLayout& layout) {
  layout = BmpLayout{};
  std::uint8_t fileHeader[kFileHeaderSize];
  if (!ReadExactAt(source, 0, fileHeader) || fileHeader[0] != 'B' || fileHeader[1] != 'M') {
    return ImageStatus::WrongType;
  }
  layout.offBits = bytes::Le32(fileHeader + 10);
  std::uint8_t info[124] = {};
  if (!ReadExactAt(source, kFileHeaderSize, std::span(info, 4))) return ImageStatus::WrongType;
  const std::uint32_t headerSize = bytes::Le32(info);
  if (!KnownHeaderSize(headerSize) ||
      !ReadExactAt(source, kFileHeaderSize, std::span(info, headerSize))) {
    return ImageStatus::WrongType;
  }
  layout.headerSize = headerSize;

  std::int64_t width;
  std::int64_t height;
  std::uint16_t planes;
  std::uint32_t coloursUsed = 0;
  if (headerSize == kCoreHeaderSize) {
    width = bytes::Le16(info + 4);
    height = bytes::Le16(info + 6);
    planes = bytes::Le16(info + 8);
    layout.bitCount = bytes::Le16(info + 10);
  } else {
    width = static_cast<std::int32_t>(bytes::Le32(info + 4));
    height = static_cast<std::int32_t>(bytes::Le32(info + 8));
    planes = bytes::Le16(info + 12);
    layout.bitCount = bytes::Le16(info + 14);
    layout.compression = bytes::Le32(info + 16);
    layout.xPelsPerMeter = static_cast<std::int32_t>(bytes::Le32(info + 24));
    layout.yPelsPerMeter = static_cast<std::int32_t>(bytes::Le32(info + 28));
    coloursUsed = bytes::Le32(info + 32);
    std::memcpy(layout.infoHeader.data(), info, layout.infoHeader.size());
  }
  if (planes != 1 || !KnownCoding(headerSize, layout.bitCount, layout.compression)) {
    return ImageStatus::WrongType;
  }
  layout.topDown = height < 0;
  height = height < 0 ? -height : height;
  const bool compressed = layout.compression == kRle8 || layout.compression == kRle4;
  if (width <= 0 || height <= 0 || (layout.topDown && compressed)) return ImageStatus::WrongType;
  // The size is kept even when refused, for the message that says so.
  layout.width = static_cast<std::int32_t>(std::min<std::int64_t>(width, INT32_MAX));
  layout.height = static_cast<std::int32_t>(std::min<std::int64_t>(height, INT32_MAX));
  if (width > kMaxBmpDimension || height > kMaxBmpDimension ||
      static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) > kMaxBmpPixels) {
    return ImageStatus::TooLarge;
  }

  // Masks: inside headers of 52 bytes and more, else straight after a 40-byte header.
  std::uint64_t tableStart = kFileHeaderSize + static_cast<std::uint64_t>(headerSize);
  const bool bitFields = layout.compression == kBitFields || layout.compression == kAlphaBitFields;
  if (bitFields) {
    std::uint8_t masks[12];
    if (headerSize >= 52) {
      std::memcpy(masks, info + 40, sizeof masks);
    } else {
      if (!ReadExactAt(source, tableStart, masks)) return ImageStatus::WrongType;
      tableStart += layout.compression == kAlphaBitFields ? 16 : 12;
    }
    for (int i = 0; i < 3; ++i) layout.masks[i] = bytes::Le32(masks + 4 * i);
  } else if (layout.bitCount == 16) {
    layout.masks = {0x7C00, 0x03E0, 0x001F};
  } else if (layout.bitCount == 32) {
    layout.masks = {0xFF0000, 0x00FF00, 0x0000FF};
  }
  if (layout.offBits < tableStart) return ImageStatus::WrongType;  // pixels inside the headers

  layout.depth = layout.bitCount <= 8   ? BmpDepth::Paletted
                 : layout.bitCount == 24 ? BmpDepth::TrueColour24
                                         : BmpDepth::TrueColourOther;
  if (layout.depth != BmpDepth::Paletted) return ImageStatus::Done;  // any table is not used

  // The table has biClrUsed entries, at most 2^bits, and must end before the
  // pixels. Without a count it has 2^bits entries, or as many as fit before
  // the pixels (writers of short tables rely on that, OS/2 ones above all).
  const std::uint32_t entry = headerSize == kCoreHeaderSize ? 3 : 4;
  const std::uint32_t full = 1u << layout.bitCount;
  const std::uint64_t room = (layout.offBits - tableStart) / entry;
  if (coloursUsed > full || coloursUsed > room) return ImageStatus::WrongType;
  const std::uint32_t count =
      coloursUsed != 0 ? coloursUsed : static_cast<std::uint32_t>(std::min<std::uint64_t>(full, room));
  std::uint8_t table[256 * 4];
  if (!ReadExactAt(source, tableStart, std::span(table, count * entry))) {
    return ImageStatus::WrongType;
  }
  for (std::uint32_t i = 0; i < count; ++i) std::memcpy(&layout.colours[i * 3], table + i * entry, 3);
  return ImageStatus::Done;
}

}  // namespace lumarel
