// SPDX-License-Identifier: MIT
// Dates on saved files. Downloads carry the picture's own date (the list
// entry's TakenAt) in their Exif date tags and file time, so photo managers
// sort them by when they were taken, not by when they were saved.
#pragma once

#include <optional>
#include <string>

#include "imagefile/ExifDates.h"
#include "link/PictureList.h"
#include "platform/Clock.h"

namespace lumarel::cli {

// The year older versions read from the list's two-digit name, which their
// import records carry. The camera counts years from 1900 and the
// list drops 100 from 100 and more, so 0..99 are ambiguous; they are read as
// strptime's %y reads two digits: 69..99 are 1969..1999, 00..68 are
// 2000..2068. A shown year of 100 or more (a year byte of 200 or more) is
// 2000 + the shown year.
int FullYear(int shownYear);

// The dates a saved picture carries besides the time of saving (Exif DateTime).
struct SaveDates {
  PictureDates exif;                  // DateTimeOriginal, DateTimeDigitized
  std::optional<LocalTime> fileTime;  // the file's time; none: when it was saved

  SaveDates() = default;
  // A downloaded picture: its camera date in both Exif tags and as file time.
  SaveDates(const std::optional<LocalTime>& taken)  // NOLINT: a download's date converts
      : exif(PictureDates::Both(taken)), fileTime(taken) {}
  // A picture opened from a file: its own Exif dates, saved now.
  explicit SaveDates(const PictureDates& own) : exif(own) {}
};

// Sets the file's access and modification time to the local time t; false
// when the file system refuses.
bool SetFileTime(const std::string& path, const LocalTime& t);

}  // namespace lumarel::cli
