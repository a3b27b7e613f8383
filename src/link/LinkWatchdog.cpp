#include "link/LinkWatchdog.h"

#include "link/CameraLink.h"

namespace lumarel {

LinkWatchdog::LinkWatchdog(CameraLink& link, Timers& timers, WatchdogPeriods periods, Hooks hooks)
    : link_(link), timers_(timers), periods_(periods), hooks_(std::move(hooks)) {}

void LinkWatchdog::Arm() { timers_.Start(kWatchdogTimerId, periods_.firstMs); }

void LinkWatchdog::Stop() { timers_.Stop(kWatchdogTimerId); }

void LinkWatchdog::Tick() {
  timers_.Stop(kWatchdogTimerId);
  LinkState& s = link_.State();
  const bool active = hooks_.transferActive && hooks_.transferActive();
  const bool outstanding = hooks_.requestOutstanding && hooks_.requestOutstanding();
  if (!s.awaitingPacket || outstanding) {
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
