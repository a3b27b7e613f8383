// SPDX-License-Identifier: MIT
// A port that passes every call on to another one. Wrappers (a speed cap, a
// trace, a timing log, a test's handle on a shared line) derive from it and
// override only what they change, so that no method of the port they wrap
// can be dropped when SerialPort grows.
#pragma once

#include <memory>
#include <utility>

#include "platform/SerialPort.h"

namespace lumarel {

class ForwardingSerialPort : public SerialPort {
 public:
  // Forwards to `inner`, which the caller keeps alive.
  explicit ForwardingSerialPort(SerialPort& inner) : inner_(inner) {}
  // Forwards to `owned` and closes it with this port.
  explicit ForwardingSerialPort(std::unique_ptr<SerialPort> owned)
      : owned_(std::move(owned)), inner_(*owned_) {}

  AdapterLatency RequestLowLatency() override { return inner_.RequestLowLatency(); }
  std::string LastError() const override { return inner_.LastError(); }
  bool GetSpeed(std::uint32_t& speed) override { return inner_.GetSpeed(speed); }
  bool SetLine(std::uint32_t speed) override { return inner_.SetLine(speed); }
  void Purge() override { inner_.Purge(); }
  std::size_t ClearErrors() override { return inner_.ClearErrors(); }
  PortWait WaitForCharacter() override { return inner_.WaitForCharacter(); }
  void Wake() override { inner_.Wake(); }
  std::size_t Read(std::uint8_t* data, std::size_t size) override {
    return inner_.Read(data, size);
  }
  bool Write(const std::uint8_t* data, std::size_t size) override {
    return inner_.Write(data, size);
  }
  std::string HangUpReason() const override { return inner_.HangUpReason(); }

 protected:
  SerialPort& Inner() { return inner_; }

 private:
  std::unique_ptr<SerialPort> owned_;
  SerialPort& inner_;
};

}  // namespace lumarel
