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

std::optional<EntryDate> EntryDateOf(const PictureEntry& entry) {
  const Label& name = entry.fileName;
  const std::string text(name.data(), strnlen(name.data(), name.size()));
  int number = 0, used = 0;
  char quality = 0;
  EntryDate d;
  if (std::sscanf(text.c_str(), "%d%c%d-%d-%d(%d-%d)%n", &number, &quality, &d.year, &d.month,
                  &d.day, &d.hour, &d.minute, &used) != 7 ||
      static_cast<std::size_t>(used) != text.size() || (quality != 'F' && quality != 'N'))
    return std::nullopt;
  return d;
}

std::optional<LocalTime> PictureTime(const EntryDate& d) {
  if (d.year < 0 || d.month < 1 || d.month > 12 || d.day < 1 || d.day > 31 || d.hour < 0 ||
      d.hour > 23 || d.minute < 0 || d.minute > 59)
    return std::nullopt;
  return LocalTime{FullYear(d.year), d.month, d.day, d.hour, d.minute, 0};
}

LocalTime ListedTime(const PictureEntry& entry) {
  const std::optional<EntryDate> d = EntryDateOf(entry);
  if (!d) return {};
  return LocalTime{FullYear(d->year), d->month, d->day, d->hour, d->minute, 0};
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
