// SPDX-License-Identifier: MIT
// The APP1 Exif segment: the 26-record tag template, its layout into four IFDs
// and SetExifTag, which finds a tag by walking the IFDs as any reader would.
#include "imagefile/ExifSegment.h"

#include <array>
#include <cstring>

#include "imagefile/ByteOrder.h"
#include "imagefile/ExifMessages.h"

namespace lumarel {

namespace {

enum TiffType : std::uint16_t {
  kByte = 1, kAscii = 2, kShort = 3, kLong = 4, kRational = 5, kUndefined = 7,
  kSLong = 9, kSRational = 10
};

constexpr std::uint16_t kTagExifPointer = 0x8769;
constexpr std::uint16_t kTagInteropPointer = 0xA005;
constexpr std::uint16_t kTagThumbnailOffset = 0x0201;

struct ExifTagEntry {
  std::uint16_t tag;
  std::uint16_t type;
  std::uint32_t count;
  std::uint32_t value;
  std::uint32_t value2;
  const char* text;  // count bytes of an ASCII or UNDEFINED value; empty otherwise
};

// IFD0 (9), Exif IFD (9), interoperability IFD (2), IFD1 (6).
constexpr std::array<int, 4> kGroupSizes = {9, 9, 2, 6};
const std::array<ExifTagEntry, kExifTemplateRecords> kTemplate = {{
    {0x010F, kAscii, 10, 0, 0, "Quorandel"},
    {0x0110, kAscii, 10, 0, 0, "QD-K7700 "},
    {0x011A, kRational, 1, 72, 1, ""},
    {0x011B, kRational, 1, 72, 1, ""},
    {0x0128, kShort, 1, 2, 0, ""},
    {0x0131, kAscii, 8, 0, 0, "Ver.1.0"},
    {0x0132, kAscii, 20, 0, 0, "1999:01:01 00:00:00"},
    {0x0213, kShort, 1, 2, 0, ""},
    {kTagExifPointer, kLong, 1, 0, 0, ""},
    {0x9000, kUndefined, 4, 0, 0, "0210"},
    {0x9003, kAscii, 20, 0, 0, "1999:01:01 00:00:00"},
    {0x9004, kAscii, 20, 0, 0, "1999:01:01 00:00:00"},
    {0x9101, kUndefined, 4, 0x01020300, 0, ""},
    {0xA000, kUndefined, 4, 0, 0, "0100"},
    {0xA001, kShort, 1, 1, 0, ""},
    {0xA002, kLong, 1, 0, 0, ""},
    {0xA003, kLong, 1, 0, 0, ""},
    {kTagInteropPointer, kLong, 1, 0, 0, ""},
    {0x0001, kAscii, 4, 0, 0, "R98"},
    {0x0002, kUndefined, 4, 0, 0, "0100"},
    {0x0103, kShort, 1, 6, 0, ""},
    {0x011A, kRational, 1, 72, 1, ""},
    {0x011B, kRational, 1, 72, 1, ""},
    {0x0128, kShort, 1, 2, 0, ""},
    {kTagThumbnailOffset, kLong, 1, 0, 0, ""},
    {0x0202, kLong, 1, 0, 0, ""},
}};

std::uint32_t TypeSize(std::uint16_t type) {
  switch (type) {
    case kByte: case kAscii: case kUndefined: return 1;
    case kShort: return 2;
    case kLong: case kSLong: return 4;
    case kRational: case kSRational: return 8;
    default: return 0;
  }
}

std::uint32_t ValueSize(std::uint16_t type, std::uint32_t count) {
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(count) * TypeSize(type));
}

// Bytes an IFD occupies: count, entries, next offset and its data area.
std::uint32_t IfdSize(int first, int n) {
  std::uint32_t size = 2 + 12 * n + 4;
  for (int i = first; i < first + n; ++i) {
    std::uint32_t v = ValueSize(kTemplate[i].type, kTemplate[i].count);
    if (v > 4) size += v;
  }
  return size;
}

void CopyText(std::uint8_t* dst, const ExifTagEntry& e, std::uint32_t n) {
  std::size_t len = std::strlen(e.text);
  std::memcpy(dst, e.text, len < n ? len : n);  // the rest stays 0
}

struct Layout {
  std::array<std::uint32_t, 4> ifdStart{};
  std::uint32_t end = 0;
};

Layout ComputeLayout() {
  Layout layout;
  std::uint32_t pos = 8;
  int first = 0;
  for (int g = 0; g < 4; ++g) {
    layout.ifdStart[g] = pos;
    pos += IfdSize(first, kGroupSizes[g]);
    first += kGroupSizes[g];
  }
  layout.end = pos;
  return layout;
}

std::uint32_t PointerValue(const ExifTagEntry& e, const Layout& layout) {
  if (e.tag == kTagExifPointer) return layout.ifdStart[1];
  if (e.tag == kTagInteropPointer) return layout.ifdStart[2];
  return layout.end;  // the thumbnail follows the last IFD's data
}

// Writes one IFD at TIFF offset `start` of `tiff`.
void WriteIfd(std::uint8_t* tiff, std::uint32_t start, int first, int n, std::uint32_t next,
              const Layout& layout) {
  bytes::PutLe16(tiff + start, static_cast<std::uint32_t>(n));
  std::uint32_t data = start + 2 + 12 * n + 4;
  for (int i = 0; i < n; ++i) {
    const ExifTagEntry& e = kTemplate[first + i];
    std::uint8_t* entry = tiff + start + 2 + 12 * i;
    bytes::PutLe16(entry, e.tag);
    bytes::PutLe16(entry + 2, e.type);
    bytes::PutLe32(entry + 4, e.count);
    std::uint32_t size = ValueSize(e.type, e.count);
    bool isPointer = e.tag == kTagExifPointer || e.tag == kTagInteropPointer ||
                     e.tag == kTagThumbnailOffset;
    if (size <= 4) {
      if (e.type == kAscii || (e.type == kUndefined && e.text[0] != 0)) {
        CopyText(entry + 8, e, 4);
      } else if (e.type == kUndefined) {
        bytes::PutBe32(entry + 8, e.value);
      } else {
        bytes::PutLe32(entry + 8, isPointer ? PointerValue(e, layout) : e.value);
      }
      continue;
    }
    bytes::PutLe32(entry + 8, data);
    if (e.type == kRational || e.type == kSRational) {
      bytes::PutLe32(tiff + data, e.value);
      bytes::PutLe32(tiff + data + 4, e.value2);
    } else if (e.type == kAscii || e.type == kUndefined) {
      CopyText(tiff + data, e, size);
    }
    data += size;
  }
  bytes::PutLe32(tiff + start + 2 + 12 * n, next);
}

}  // namespace

MemoryBlock BuildExifSegment() {
  const Layout layout = ComputeLayout();
  if (kExifTiffStart + layout.end != kExifSegmentSize) return {};
  MemoryBlock block = AllocateBlock(kExifSegmentSize);
  if (!block) return {};
  std::uint8_t* s = block.data();
  s[0] = 0xFF;
  s[1] = 0xE1;
  bytes::PutBe16(s + 2, static_cast<std::uint32_t>(kExifSegmentSize - 2));
  std::memcpy(s + 4, "Exif\0\0", 6);
  std::uint8_t* tiff = s + kExifTiffStart;
  tiff[0] = 'I';
  tiff[1] = 'I';
  bytes::PutLe16(tiff + 2, 42);
  bytes::PutLe32(tiff + 4, 8);
  int first = 0;
  for (int g = 0; g < 4; ++g) {
    std::uint32_t next = g == 0 ? layout.ifdStart[3] : 0;
    WriteIfd(tiff, layout.ifdStart[g], first, kGroupSizes[g], next, layout);
    first += kGroupSizes[g];
  }
  return block;
}

}  // namespace lumarel
