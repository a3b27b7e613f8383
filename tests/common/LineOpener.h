// SPDX-License-Identifier: MIT
// A port opener with one device: `device` opens as a handle on `line`, which
// the test keeps (a simulated camera's line, say); every other path is a
// device that does not exist.
#pragma once

#include <memory>
#include <string>
#include <utility>

#include "platform/ForwardingSerialPort.h"

namespace lumarel::testing {

class LineOpener final : public SerialPortOpener {
 public:
  LineOpener(std::string device, SerialPort& line) : device_(std::move(device)), line_(line) {}

  std::unique_ptr<SerialPort> Open(const std::string& device, PortOpenError& error) override {
    if (device != device_) {
      error = PortOpenError::NoSuchDevice;
      return nullptr;
    }
    error = PortOpenError::None;
    return std::make_unique<Handle>(line_);
  }

 private:
  // What the link owns and closes; the line itself stays with the test.
  class Handle final : public ForwardingSerialPort {
   public:
    explicit Handle(SerialPort& line) : ForwardingSerialPort(line) {}
  };

  std::string device_;
  SerialPort& line_;
};

}  // namespace lumarel::testing
