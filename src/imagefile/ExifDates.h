// SPDX-License-Identifier: MIT
// The dates a picture carries in its Exif data: when it was taken
// (DateTimeOriginal) and when it was digitized (DateTimeDigitized). A date no
// one knows is written as Exif writes an unknown date (blanks between the
// colons), never replaced by another time.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/Clock.h"

namespace lumarel {

struct PictureDates {
  std::optional<LocalTime> original;   // DateTimeOriginal (0x9003)
  std::optional<LocalTime> digitized;  // DateTimeDigitized (0x9004)

  // A camera picture: taken and digitized at the same moment.
  static PictureDates Both(const std::optional<LocalTime>& t) { return {t, t}; }
  bool operator==(const PictureDates&) const = default;
};

// "YYYY:MM:DD HH:MM:SS", or "    :  :     :  :  " for an unknown date.
std::string ExifDateText(const std::optional<LocalTime>& t);
// A date text as Exif writes it; nothing when blank or not a calendar date.
std::optional<LocalTime> ParseExifDate(std::string_view text);

// The payload ("Exif\0\0" and the TIFF structure) of a JPEG stream's first
// Exif APP1 segment, found before the scan; empty without one.
std::span<const std::uint8_t> FirstExifData(std::span<const std::uint8_t> jpeg);
// The dates of an Exif APP1 payload; a tag missing or unreadable gives nothing.
PictureDates ExifPictureDates(std::span<const std::uint8_t> exif);
// The dates of a JPEG stream's first Exif segment.
PictureDates JpegPictureDates(std::span<const std::uint8_t> jpeg);
// The same, read from an open JPEG file's headers (it is rewound afterwards).
PictureDates JpegPictureDates(std::FILE* file);

}  // namespace lumarel
