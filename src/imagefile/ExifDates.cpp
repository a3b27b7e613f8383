// SPDX-License-Identifier: MIT
// Reading the two picture dates back from Exif data, and their text form.
// Every offset read from the data is checked before it is used.
#include "imagefile/ExifDates.h"

#include <cstring>
#include <vector>

#include "imagefile/ByteOrder.h"

namespace lumarel {
namespace {

constexpr std::size_t kExifHeader = 6;  // "Exif\0\0"
constexpr std::size_t kDateLength = 19;  // "YYYY:MM:DD HH:MM:SS"
constexpr std::uint16_t kExifPointer = 0x8769;
constexpr std::uint16_t kDateTimeOriginal = 0x9003;
constexpr std::uint16_t kDateTimeDigitized = 0x9004;
constexpr std::uint16_t kAscii = 2;
constexpr int kMaxHeaderSegments = 1000;  // a file with more is not worth reading for dates

bool IsExif(std::span<const std::uint8_t> payload) {
  return payload.size() >= kExifHeader && std::memcmp(payload.data(), "Exif\0\0", kExifHeader) == 0;
}

class Tiff {
 public:
  explicit Tiff(std::span<const std::uint8_t> b) : b_(b) {
    big_ = b.size() >= 2 && b[0] == 'M' && b[1] == 'M';
    ok_ = b.size() >= 8 && (big_ || (b[0] == 'I' && b[1] == 'I')) && U16(2) == 42;
  }
  bool Ok() const { return ok_; }
  bool Has(std::uint64_t at, std::uint64_t n) const {
    return at <= b_.size() && n <= b_.size() - at;
  }
  std::uint16_t U16(std::size_t at) const {
    return big_ ? bytes::Be16(b_.data() + at) : bytes::Le16(b_.data() + at);
  }
  std::uint32_t U32(std::size_t at) const {
    return big_ ? bytes::Be32(b_.data() + at) : bytes::Le32(b_.data() + at);
  }
  // The 12-byte entry of `tag` in the IFD at `ifd`, or 0.
  std::size_t Entry(std::uint32_t ifd, std::uint16_t tag) const {
    if (!Has(ifd, 2)) return 0;
    const std::uint32_t count = U16(ifd);
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::size_t entry = ifd + 2 + 12 * static_cast<std::size_t>(i);
      if (!Has(entry, 12)) return 0;
      if (U16(entry) == tag) return entry;
    }
    return 0;
  }
  // The ASCII date of `tag` in the IFD at `ifd`.
  std::optional<LocalTime> Date(std::uint32_t ifd, std::uint16_t tag) const {
    const std::size_t entry = Entry(ifd, tag);
    if (entry == 0 || U16(entry + 2) != kAscii || U32(entry + 4) < kDateLength) return std::nullopt;
    const std::uint32_t at = U32(entry + 4) <= 4 ? static_cast<std::uint32_t>(entry + 8)
                                                 : U32(entry + 8);
    if (!Has(at, kDateLength)) return std::nullopt;
    return ParseExifDate(
        std::string_view(reinterpret_cast<const char*>(b_.data() + at), kDateLength));
  }

 private:
  std::span<const std::uint8_t> b_;
  bool big_ = false;
  bool ok_ = false;
};

// Two to four digits at text[at..at+n), or -1.
int Digits(std::string_view text, std::size_t at, std::size_t n) {
  int value = 0;
  for (std::size_t i = at; i < at + n; ++i) {
    if (text[i] < '0' || text[i] > '9') return -1;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

}  // namespace

std::string ExifDateText(const std::optional<LocalTime>& t) {
  if (!t) return "    :  :     :  :  ";
  char text[64];
  std::snprintf(text, sizeof text, "%04d:%02d:%02d %02d:%02d:%02d", t->year, t->month, t->day,
                t->hour, t->minute, t->second);
  return text;
}

std::optional<LocalTime> ParseExifDate(std::string_view text) {
  if (text.size() < kDateLength || text[4] != ':' || text[7] != ':' || text[10] != ' ' ||
      text[13] != ':' || text[16] != ':') {
    return std::nullopt;
  }
  const LocalTime t{Digits(text, 0, 4),  Digits(text, 5, 2),  Digits(text, 8, 2),
                    Digits(text, 11, 2), Digits(text, 14, 2), Digits(text, 17, 2)};
  if (t.year < 1 || t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 || t.hour < 0 ||
      t.hour > 23 || t.minute < 0 || t.minute > 59 || t.second < 0 || t.second > 59) {
    return std::nullopt;
  }
  return t;
}

std::span<const std::uint8_t> FirstExifData(std::span<const std::uint8_t> j) {
  if (j.size() < 4 || j[0] != 0xFF || j[1] != 0xD8) return {};
  std::size_t at = 2;
  while (at + 4 <= j.size() && j[at] == 0xFF) {
    const std::uint8_t marker = j[at + 1];
    if (marker == 0xDA || marker == 0xD9) break;  // the scan: no more headers
    const std::size_t length = std::size_t{j[at + 2]} << 8 | j[at + 3];
    if (length < 2 || length > j.size() - at - 2) break;
    const std::span<const std::uint8_t> payload = j.subspan(at + 4, length - 2);
    if (marker == 0xE1 && IsExif(payload)) return payload;
    at += 2 + length;
  }
  return {};
}

PictureDates ExifPictureDates(std::span<const std::uint8_t> exif) {
  if (!IsExif(exif)) return {};
  const Tiff t(exif.subspan(kExifHeader));
  if (!t.Ok()) return {};
  const std::size_t pointer = t.Entry(t.U32(4), kExifPointer);
  if (pointer == 0) return {};
  const std::uint32_t exifIfd = t.U32(pointer + 8);
  return {t.Date(exifIfd, kDateTimeOriginal), t.Date(exifIfd, kDateTimeDigitized)};
}

PictureDates JpegPictureDates(std::span<const std::uint8_t> jpeg) {
  return ExifPictureDates(FirstExifData(jpeg));
}

PictureDates JpegPictureDates(std::FILE* file) {
  PictureDates dates;
  std::uint8_t head[4];
  if (std::fread(head, 1, 2, file) == 2 && head[0] == 0xFF && head[1] == 0xD8) {
    for (int n = 0; n < kMaxHeaderSegments && std::fread(head, 1, 4, file) == 4; ++n) {
      if (head[0] != 0xFF || head[1] == 0xDA || head[1] == 0xD9) break;
      const std::size_t length = bytes::Be16(head + 2);
      if (length < 2) break;
      if (head[1] != 0xE1) {
        if (std::fseek(file, static_cast<long>(length - 2), SEEK_CUR) != 0) break;
        continue;
      }
      std::vector<std::uint8_t> payload(length - 2);
      if (std::fread(payload.data(), 1, payload.size(), file) != payload.size()) break;
      if (IsExif(payload)) {
        dates = ExifPictureDates(payload);
        break;
      }
    }
  }
  std::rewind(file);
  return dates;
}

}  // namespace lumarel
