// SPDX-License-Identifier: MIT
#include "cli/PictureDate.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <ctime>

namespace lumarel::cli {

int FullYear(int shownYear) {
  if (shownYear >= 100) return 2000 + shownYear;
  return shownYear >= 69 ? 1900 + shownYear : 2000 + shownYear;
}

bool SetFileTime(const std::string& path, const LocalTime& t) {
  std::tm tm{};
  tm.tm_year = t.year - 1900;
  tm.tm_mon = t.month - 1;
  tm.tm_mday = t.day;
  tm.tm_hour = t.hour;
  tm.tm_min = t.minute;
  tm.tm_sec = t.second;
  tm.tm_isdst = -1;  // whatever daylight saving time the zone had then
  const std::time_t when = std::mktime(&tm);
  if (when == static_cast<std::time_t>(-1)) return false;
  const struct timespec times[2] = {{when, 0}, {when, 0}};
  return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

}  // namespace lumarel::cli
