// SPDX-License-Identifier: MIT
// The picture's own date, as the camera's list gives it: the fields of the
// default file name ("%dF%02d-%d-%d(%d-%d)"), whose year has lost its century.
// Downloads carry this date in their Exif date tags and file time, so photo
// managers sort them by when they were taken, not by when they were saved.
#pragma once

#include <optional>
#include <string>

#include "link/PictureList.h"
#include "platform/Clock.h"

namespace lumarel::cli {

// The list's year as a full year. The camera counts years from 1900 and the
// list drops 100 from 100 and more, so 0..99 are ambiguous; they are read as
// strptime's %y reads two digits: 69..99 are 1969..1999, 00..68 are
// 2000..2068. A shown year of 100 or more (a year byte of 200 or more) is
// 2000 + the shown year.
int FullYear(int shownYear);

// The date fields of an entry, read back from its default file name; nothing
// when the name does not have that form.
std::optional<EntryDate> EntryDateOf(const PictureEntry& entry);

// The picture's local time with seconds 0; nothing when a field is out of
// range (month 0, day 32, hour 24, ...), which no calendar time can carry.
std::optional<LocalTime> PictureTime(const EntryDate& date);

// The entry's date with the full year and seconds 0, unchecked (names are
// made even from a date no calendar has); all 0 when the name has no date.
LocalTime ListedTime(const PictureEntry& entry);

// A clock whose calendar time is fixed: the save code takes the Exif date
// from Now(), so passing this makes the file carry the picture's date.
// Milliseconds still come from the real clock.
class FixedTimeClock final : public Clock {
 public:
  explicit FixedTimeClock(const LocalTime& time) : time_(time) {}
  std::int64_t NowMilliseconds() override { return SystemClock().NowMilliseconds(); }
  LocalTime Now() override { return time_; }

 private:
  LocalTime time_;
};

// Sets the file's access and modification time to the local time t; false
// when the file system refuses.
bool SetFileTime(const std::string& path, const LocalTime& t);

}  // namespace lumarel::cli
