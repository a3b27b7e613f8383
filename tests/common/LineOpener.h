// SPDX-License-Identifier: MIT
// A port opener with one device: `device` opens as a handle on `line`, which
// the test keeps (a simulated camera's line, say); every other path is a
// device that does not exist.
#pragma once

#include <memory>
#include <string>
#include <utility>

#include "platform/SerialPort.h"

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
  class Handle final : public SerialPort {
   public:
    explicit Handle(SerialPort& line) : line_(line) {}
    AdapterLatency RequestLowLatency() override { return line_.RequestLowLatency(); }
    std::string LastError() const override { return line_.LastError(); }
    bool GetSpeed(std::uint32_t& speed) override { return line_.GetSpeed(speed); }
    bool SetLine(std::uint32_t speed) override { return line_.SetLine(speed); }
    void Purge() override { line_.Purge(); }
    std::size_t ClearErrors() override { return line_.ClearErrors(); }
    PortWait WaitForCharacter() override { return line_.WaitForCharacter(); }
    void Wake() override { line_.Wake(); }
    std::size_t Read(std::uint8_t* data, std::size_t size) override {
      return line_.Read(data, size);
    }
    bool Write(const std::uint8_t* data, std::size_t size) override {
      return line_.Write(data, size);
    }
    std::string HangUpReason() const override { return line_.HangUpReason(); }

   private:
    SerialPort& line_;
  };

  std::string device_;
  SerialPort& line_;
};

}  // namespace lumarel::testing
