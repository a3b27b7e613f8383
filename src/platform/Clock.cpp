// SPDX-License-Identifier: MIT
#include "platform/Clock.h"

#include <chrono>
#include <ctime>

namespace lumarel {
namespace {

class RealClock final : public Clock {
 public:
  std::int64_t NowMilliseconds() override {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  }
  LocalTime Now() override {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
  }
};

}  // namespace

Clock& SystemClock() {
  static RealClock clock;
  return clock;
}

}  // namespace lumarel
