// SPDX-License-Identifier: MIT
#include "link/LinkWatchdog.h"

#include "link/CameraLink.h"

namespace lumarel {

LinkWatchdog::LinkWatchdog(CameraLink& link, Timers& timers, WatchdogPeriods periods, Hooks hooks)
    : link_(link), timers_(timers), periods_(periods), hooks_(std::move(hooks)) {}

void LinkWatchdog::Arm() {
  silentRequestTicks_ = 0;
  timers_.Start(kWatchdogTimerId, periods_.firstMs);
}

void LinkWatchdog::Stop() { timers_.Stop(kWatchdogTimerId); }

void LinkWatchdog::Tick() {
  timers_.Stop(kWatchdogTimerId);
  LinkState& s = link_.State();
  const bool active = hooks_.transferActive && hooks_.transferActive();
  const bool outstanding = hooks_.requestOutstanding && hooks_.requestOutstanding();
  // A request counts as healthy only while it is younger than one period: a
  // second tick in a row that finds it still unanswered (and no packet since
  // the first) means the camera fell silent after it.
  silentRequestTicks_ = outstanding && s.awaitingPacket ? silentRequestTicks_ + 1 : 0;
  const bool freshRequest = outstanding && silentRequestTicks_ < 2;
  if (!s.awaitingPacket || freshRequest) {
    if (active) {
      s.retryAllowed = true;
      timers_.Start(kWatchdogTimerId, periods_.healthyMs);
      s.awaitingPacket = true;
    }
    return;
  }
  if (!active) return;
  if (s.retryAllowed && periods_.retryMs > 0) {
    s.retryAllowed = false;
    link_.DiscardPartialResponse();
    link_.WriteCommand(CmdNak);
    timers_.Start(kWatchdogTimerId, periods_.retryMs);
    return;
  }
  s.retryAllowed = true;
  if (hooks_.beforeDisconnect) hooks_.beforeDisconnect();
  link_.OpenDisconnectDialog();
}

}  // namespace lumarel
