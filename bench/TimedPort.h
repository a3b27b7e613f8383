// SPDX-License-Identifier: MIT
// A serial port wrapper for the link benchmark: it records when every read
// returned and every write was made (and how many bytes each moved), and can
// pace the program's writes at the line speed as a real UART would (10 bits
// per byte), so that both directions of the conversation cost line time.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/ForwardingSerialPort.h"

namespace lumarel::bench {

using PortClock = std::chrono::steady_clock;

struct PortEvent {
  PortClock::time_point at;
  bool write = false;
  std::uint32_t bytes = 0;
  std::uint8_t first = 0;  // first byte written (the command)
};

// Thread-safe record of a port's traffic.
class PortLog {
 public:
  void Add(const PortEvent& event);
  std::vector<PortEvent> Events() const;
  void Clear();

 private:
  mutable std::mutex mutex_;
  std::vector<PortEvent> events_;
};

// Traffic in [from, to]: bytes each way; for every write of `command` the time
// since the read before it (the handler's turnaround), in microseconds; and the
// whole conversation split into the program's turns (last read of a response
// to the next write) and the camera's (a write to the last read of its answer).
struct Traffic {
  std::uint64_t bytesIn = 0;
  std::uint64_t bytesOut = 0;
  std::vector<double> turnaroundUs;
  double programMs = 0;
  double cameraMs = 0;
  std::uint64_t Bytes() const { return bytesIn + bytesOut; }
};
Traffic Analyse(const std::vector<PortEvent>& events, PortClock::time_point from,
                PortClock::time_point to, std::uint8_t command);

// Time the line needs for `bytes` at `speed` with 10 bits per byte and no gaps.
double WireMs(std::uint64_t bytes, std::uint32_t speed);

class TimedSerialPort final : public ForwardingSerialPort {
 public:
  TimedSerialPort(std::unique_ptr<SerialPort> port, PortLog& log, bool pace)
      : ForwardingSerialPort(std::move(port)), log_(log), pace_(pace) {}

  bool SetLine(std::uint32_t speed) override;
  std::size_t Read(std::uint8_t* data, std::size_t size) override;
  bool Write(const std::uint8_t* data, std::size_t size) override;

 private:
  PortLog& log_;
  bool pace_;
  std::uint32_t speed_ = 9600;
};

class TimedOpener final : public SerialPortOpener {
 public:
  TimedOpener(PortLog& log, bool pace) : log_(log), pace_(pace) {}
  std::unique_ptr<SerialPort> Open(const std::string& device, PortOpenError& error) override;

 private:
  PortLog& log_;
  bool pace_;
};

// Sleeps for the line time of `bytes` at `speed`, as a UART sending them would take.
void PaceLine(std::size_t bytes, std::uint32_t speed);

}  // namespace lumarel::bench
