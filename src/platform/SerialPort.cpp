// SPDX-License-Identifier: MIT
#include "platform/SerialPort.h"

#include <string>

namespace lumarel {

const char* Describe(PortOpenError error) {
  switch (error) {
    case PortOpenError::None: return "no error";
    case PortOpenError::NoSuchDevice: return "no such device";
    case PortOpenError::PermissionDenied: return "permission denied";
    case PortOpenError::Busy: return "in use by another program";
    case PortOpenError::NotATerminal: return "not a serial device";
    case PortOpenError::Other: return "cannot be opened";
    case PortOpenError::NoCamera: return "opened, but no camera answered";
  }
  return "cannot be opened";
}

bool NeedsLatencyFix(const AdapterLatency& latency) {
  return latency.adapter && latency.timerMs > kLatencyTimerLimitMs;
}

std::string LatencyAdvice(const std::string& device, const AdapterLatency& latency) {
  std::string text = "The USB-serial adapter " + device + " holds received data for " +
                     std::to_string(latency.timerMs) +
                     " ms (latency timer), so transfers run at under half speed";
  if (!latency.lowLatencySet) text += "; the driver refused the low-latency setting";
  text += ". Fix: install the udev rule 60-lumarel-usb-serial.rules and plug the adapter in again";
  if (!latency.timerFile.empty()) text += ", or run: echo 1 | sudo tee " + latency.timerFile;
  return text + ".";
}

}  // namespace lumarel
