// SPDX-License-Identifier: MIT
// Time as a value: a monotonic millisecond clock and the local calendar time.
#pragma once

#include <cstdint>

namespace lumarel {

struct LocalTime {
  int year = 0;    // e.g. 2026
  int month = 0;   // 1..12
  int day = 0;     // 1..31
  int hour = 0;    // 0..23
  int minute = 0;  // 0..59
  int second = 0;  // 0..59
  bool operator==(const LocalTime&) const = default;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::int64_t NowMilliseconds() = 0;  // monotonic
  virtual LocalTime Now() = 0;                  // local wall-clock time
};

// The process's real clock.
Clock& SystemClock();

}  // namespace lumarel
