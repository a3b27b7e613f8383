// SPDX-License-Identifier: MIT
#include "cli/SpeedCap.h"

#include "link/Protocol.h"

namespace lumarel::cli {

bool OffersSpeedAbove(std::uint8_t byte, std::uint32_t maxSpeed) {
  switch (byte) {
    case CmdSpeed115200: return maxSpeed < 115200;
    case CmdSpeed57600: return maxSpeed < 57600;
    case CmdSpeed19200: return maxSpeed < 19200;
    default: return false;
  }
}

// Commands are written one byte at a time; packets never come alone as one byte.
bool SpeedCapPort::Write(const std::uint8_t* data, std::size_t size) {
  if (size == 1 && OffersSpeedAbove(data[0], maxSpeed_)) return true;
  return Inner().Write(data, size);
}

std::unique_ptr<SerialPort> SpeedCapOpener::Open(const std::string& device, PortOpenError& error) {
  std::unique_ptr<SerialPort> port = inner_.Open(device, error);
  if (port == nullptr) return nullptr;
  return std::make_unique<SpeedCapPort>(std::move(port), maxSpeed_);
}

}  // namespace lumarel::cli
