// SPDX-License-Identifier: MIT
// The parts of a test rig's link: COM1 at `device`, opened by the rig's
// opener (COM2..COM4 paths that do not exist), the rig's notifier, UI and
// dispatcher, the scratch files in `dir`, and the rig's clock for upload dates.
#pragma once

#include <string>
#include <utility>

#include "link/LinkAssembly.h"

namespace lumarel::testing {

struct RigSides {
  SerialPortOpener& opener;
  Notifier& notifier;
  LinkUi& ui;
  Dispatcher& dispatcher;
  Clock* clock = nullptr;  // null: the system clock
};

inline LinkParts RigParts(const RigSides& sides, const std::string& device, const std::string& dir,
                          TimerMaker makeTimers) {
  LinkParts parts;
  parts.link.opener = &sides.opener;
  parts.link.portMap = PortMapWithCom1(device, dir);
  parts.link.notifier = &sides.notifier;
  parts.link.ui = &sides.ui;
  parts.link.dispatcher = &sides.dispatcher;
  parts.link.tempPathA = dir + "/tmpA";
  parts.link.tempPathB = dir + "/tmpB";
  parts.transfers.clock = sides.clock;
  parts.makeTimers = std::move(makeTimers);
  return parts;
}

}  // namespace lumarel::testing
