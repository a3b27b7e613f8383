// SPDX-License-Identifier: MIT
// --max-speed: the link offers the camera 115200, then 57600, then 19200 bit/s.
// A capped port keeps the offers above the cap from reaching the camera, so the
// camera stays silent at those speeds and the negotiation moves on to the next
// one exactly as with a camera that cannot go faster.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/ForwardingSerialPort.h"

namespace lumarel::cli {

// True when `byte`, written alone, offers a speed above maxSpeed.
bool OffersSpeedAbove(std::uint8_t byte, std::uint32_t maxSpeed);

class SpeedCapPort final : public ForwardingSerialPort {
 public:
  SpeedCapPort(std::unique_ptr<SerialPort> port, std::uint32_t maxSpeed)
      : ForwardingSerialPort(std::move(port)), maxSpeed_(maxSpeed) {}

  bool Write(const std::uint8_t* data, std::size_t size) override;

 private:
  std::uint32_t maxSpeed_;
};

class SpeedCapOpener final : public SerialPortOpener {
 public:
  SpeedCapOpener(SerialPortOpener& inner, std::uint32_t maxSpeed)
      : inner_(inner), maxSpeed_(maxSpeed) {}
  std::unique_ptr<SerialPort> Open(const std::string& device, PortOpenError& error) override;

 private:
  SerialPortOpener& inner_;
  std::uint32_t maxSpeed_;
};

}  // namespace lumarel::cli
