// SPDX-License-Identifier: MIT
#include "imagefile/Orientation.h"

#include <cstring>

#include "imagefile/ExifDates.h"

namespace lumarel {
namespace {

constexpr std::uint16_t kOrientationTag = 0x0112;
constexpr std::size_t kExifHeader = 6;  // "Exif\0\0"

struct Tiff {
  std::span<const std::uint8_t> bytes;
  bool big = false;
  bool Has(std::size_t at, std::size_t n) const { return at <= bytes.size() && n <= bytes.size() - at; }
  std::uint32_t U16(std::size_t at) const {
    const std::uint8_t* p = bytes.data() + at;
    return big ? (p[0] << 8 | p[1]) : (p[1] << 8 | p[0]);
  }
  std::uint32_t U32(std::size_t at) const {
    return big ? (U16(at) << 16 | U16(at + 2)) : (U16(at + 2) << 16 | U16(at));
  }
};

}  // namespace

int ExifOrientationOf(std::span<const std::uint8_t> app1) {
  if (app1.size() < kExifHeader + 8 || std::memcmp(app1.data(), "Exif\0\0", kExifHeader) != 0)
    return 1;
  Tiff t{app1.subspan(kExifHeader)};
  if (t.bytes[0] == 'M' && t.bytes[1] == 'M') t.big = true;
  else if (t.bytes[0] != 'I' || t.bytes[1] != 'I') return 1;
  if (t.U16(2) != 42) return 1;
  const std::size_t ifd = t.U32(4);
  if (!t.Has(ifd, 2)) return 1;
  const std::uint32_t count = t.U16(ifd);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::size_t entry = ifd + 2 + 12 * static_cast<std::size_t>(i);
    if (!t.Has(entry, 12)) return 1;
    if (t.U16(entry) != kOrientationTag) continue;
    // A SHORT (type 3) of count 1 sits in the first bytes of the value field.
    if (t.U16(entry + 2) != 3 || t.U32(entry + 4) != 1) return 1;
    const std::uint32_t value = t.U16(entry + 8);
    return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
  }
  return 1;
}

int JpegOrientation(std::span<const std::uint8_t> jpeg) {
  return ExifOrientationOf(FirstExifData(jpeg));
}

StoredPixel StoredPixelOf(int orientation, std::uint32_t x, std::uint32_t y, std::uint32_t w,
                          std::uint32_t h) {
  switch (orientation) {
    case 2: return {w - 1 - x, y};          // mirrored left to right
    case 3: return {w - 1 - x, h - 1 - y};  // turned half round
    case 4: return {x, h - 1 - y};          // mirrored top to bottom
    case 5: return {y, x};                  // transposed
    case 6: return {y, h - 1 - x};          // to be turned a quarter clockwise
    case 7: return {w - 1 - y, h - 1 - x};  // transversed
    case 8: return {w - 1 - y, x};          // to be turned a quarter anticlockwise
    default: return {x, y};
  }
}

}  // namespace lumarel
