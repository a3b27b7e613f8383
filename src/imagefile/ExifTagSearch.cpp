// SPDX-License-Identifier: MIT
// SetExifTag: finds a tag in the APP1 segment by following the IFD chain from
// IFD0, then the Exif IFD, then the interoperability IFD, and overwrites its
// value in the segment's own byte order. Every offset is checked against the
// segment; IFD chains are cut after a few links so a loop cannot hang.
#include <cstring>
#include <vector>

#include "imagefile/ByteOrder.h"
#include "imagefile/ExifMessages.h"
#include "imagefile/ExifSegment.h"

namespace lumarel {

namespace {

constexpr int kMaxChainLength = 8;

class TiffView {
 public:
  explicit TiffView(std::span<std::uint8_t> segment)
      : tiff_(segment.size() > kExifTiffStart ? segment.subspan(kExifTiffStart)
                                              : std::span<std::uint8_t>{}) {
    bigEndian_ = tiff_.size() >= 2 && tiff_[0] == 'M' && tiff_[1] == 'M';
  }
  bool Has(std::uint64_t offset, std::uint64_t n) const {
    return offset <= tiff_.size() && n <= tiff_.size() - offset;
  }
  std::uint16_t U16(std::uint32_t off) const {
    return bigEndian_ ? bytes::Be16(tiff_.data() + off) : bytes::Le16(tiff_.data() + off);
  }
  std::uint32_t U32(std::uint32_t off) const {
    return bigEndian_ ? bytes::Be32(tiff_.data() + off) : bytes::Le32(tiff_.data() + off);
  }
  void PutU32(std::uint32_t off, std::uint32_t v) {
    if (bigEndian_) {
      bytes::PutBe32(tiff_.data() + off, v);
    } else {
      bytes::PutLe32(tiff_.data() + off, v);
    }
  }
  std::uint8_t* At(std::uint32_t off) { return tiff_.data() + off; }

 private:
  std::span<std::uint8_t> tiff_;
  bool bigEndian_ = false;
};

struct TagPlace {
  bool found = false;
  std::uint32_t offset = 0;  // TIFF offset of the value
  std::uint32_t size = 0;    // bytes the value takes
};

std::uint32_t TypeSize(std::uint16_t type) {
  switch (type) {
    case 1: case 2: case 7: return 1;
    case 3: return 2;
    case 4: case 9: return 4;
    case 5: case 10: return 8;
    default: return 0;
  }
}

// Looks for `tag` in the IFD at `ifd` and the IFDs chained after it.
TagPlace FindInChain(const TiffView& t, std::uint32_t ifd, std::uint16_t tag) {
  for (int link = 0; link < kMaxChainLength && ifd != 0 && t.Has(ifd, 2); ++link) {
    std::uint16_t n = t.U16(ifd);
    if (!t.Has(ifd + 2, 12ull * n + 4)) break;
    for (std::uint32_t i = 0; i < n; ++i) {
      std::uint32_t entry = ifd + 2 + 12 * i;
      if (t.U16(entry) != tag) continue;
      std::uint64_t size = static_cast<std::uint64_t>(t.U32(entry + 4)) * TypeSize(t.U16(entry + 2));
      std::uint32_t place = size <= 4 ? entry + 8 : t.U32(entry + 8);
      if (!t.Has(place, size)) return {};
      return {true, place, static_cast<std::uint32_t>(size)};
    }
    ifd = t.U32(ifd + 2 + 12 * n);
  }
  return {};
}

// The value of a pointer tag found in the chain from `ifd`, or 0.
std::uint32_t PointerIn(const TiffView& t, std::uint32_t ifd, std::uint16_t tag) {
  TagPlace p = FindInChain(t, ifd, tag);
  return p.found && p.size == 4 ? t.U32(p.offset) : 0;
}

TagPlace FindTag(const TiffView& t, std::uint16_t tag) {
  if (!t.Has(0, 8)) return {};
  const std::uint32_t ifd0 = t.U32(4);
  TagPlace p = FindInChain(t, ifd0, tag);
  if (p.found) return p;
  const std::uint32_t exif = PointerIn(t, ifd0, 0x8769);
  if (exif == 0) return {};
  p = FindInChain(t, exif, tag);
  if (p.found) return p;
  const std::uint32_t interop = PointerIn(t, exif, 0xA005);
  return interop == 0 ? TagPlace{} : FindInChain(t, interop, tag);
}

}  // namespace

int SetExifTag(std::span<std::uint8_t> segment, std::uint16_t tag, const std::string& text,
               Notifier& notifier) {
  TiffView t(segment);
  TagPlace p = FindTag(t, tag);
  if (!p.found) {
    ShowExifMessage(notifier, kMsgTagNotFound);
    return 0;
  }
  // The text and its terminating 0 must fit the tag's value.
  if (text.size() + 1 > p.size) return 0;
  std::memcpy(t.At(p.offset), text.c_str(), text.size() + 1);
  return 1;
}

int SetExifTag(std::span<std::uint8_t> segment, std::uint16_t tag, std::uint32_t number,
               Notifier& notifier) {
  TiffView t(segment);
  TagPlace p = FindTag(t, tag);
  if (!p.found) {
    ShowExifMessage(notifier, kMsgTagNotFound);
    return 0;
  }
  if (!t.Has(p.offset, 4)) return 0;
  t.PutU32(p.offset, number);
  return 1;
}

}  // namespace lumarel
