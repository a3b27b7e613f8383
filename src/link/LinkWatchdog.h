// SPDX-License-Identifier: MIT
// The watchdog each transfer window runs on its timer 1: a silent camera gets
// one CmdNak, and if it stays silent the COM_DISCONNECT dialog opens.
#pragma once

#include <functional>

#include "platform/Timers.h"

namespace lumarel {

class CameraLink;

struct WatchdogPeriods {
  int firstMs;    // first tick after arming
  int healthyMs;  // after a tick that saw a response
  int retryMs;    // after the CmdNak; 0: this window sends no CmdNak
};
inline constexpr WatchdogPeriods kPreviewWatchdog{1500, 4000, 4000};
inline constexpr WatchdogPeriods kCaptureWatchdog{1500, 400, 400};
inline constexpr WatchdogPeriods kLiveWatchdog{500, 1000, 400};
inline constexpr WatchdogPeriods kOpenfileWatchdog{1500, 1500, 0};
inline constexpr int kWatchdogTimerId = 1;

class LinkWatchdog {
 public:
  struct Hooks {
    std::function<bool()> transferActive;      // required
    // Live window: a frame request counts as healthy for one period.
    std::function<bool()> requestOutstanding;
    std::function<void()> beforeDisconnect;    // Live window: stop the live picture first
  };
  LinkWatchdog(CameraLink& link, Timers& timers, WatchdogPeriods periods, Hooks hooks);

  void Arm();   // first tick after firstMs
  void Stop();
  // The owner's timer 1 expired.
  void Tick();

 private:
  CameraLink& link_;
  Timers& timers_;
  WatchdogPeriods periods_;
  Hooks hooks_;
  int silentRequestTicks_ = 0;  // ticks in a row that found a request and no packet
};

}  // namespace lumarel
