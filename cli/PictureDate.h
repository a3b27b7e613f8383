// SPDX-License-Identifier: MIT
// Dates on saved files. Downloads carry the picture's own date (the list
// entry's TakenAt) in their Exif date tags and file time, so photo managers
// sort them by when they were taken, not by when they were saved.
#pragma once

#include <optional>
#include <string>

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
