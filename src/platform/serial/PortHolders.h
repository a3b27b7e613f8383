// SPDX-License-Identifier: MIT
// What the user is told beyond "permission denied" or "in use" when a serial
// device does not open: the group that may use it, and the processes holding it.
#pragma once

#include <string>
#include <vector>

#include "platform/SerialPort.h"

namespace lumarel {

struct PortHolder {
  long pid = 0;
  std::string name;  // the process's command name, e.g. "ModemManager"
};

// The processes that have device open, found through <procRoot>/<pid>/fd (only
// the processes this user may look into). Links to the device count as the device.
std::vector<PortHolder> FindPortHolders(const std::string& device,
                                        const std::string& procRoot = "/proc");

// The group that owns device ("dialout" on Debian); "dialout" when unknown.
std::string DeviceGroup(const std::string& device);

// The hint added to a failure: how to join the device's group for
// PermissionDenied, who holds the device for Busy; empty otherwise.
std::string PortFailureDetail(const std::string& device, PortOpenError error,
                              const std::string& procRoot = "/proc");

}  // namespace lumarel
