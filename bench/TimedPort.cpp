// SPDX-License-Identifier: MIT
#include "TimedPort.h"

#include <thread>

#include "platform/serial/PosixSerialPort.h"

namespace lumarel::bench {

void PortLog::Add(const PortEvent& event) {
  std::lock_guard lock(mutex_);
  events_.push_back(event);
}

std::vector<PortEvent> PortLog::Events() const {
  std::lock_guard lock(mutex_);
  return events_;
}

void PortLog::Clear() {
  std::lock_guard lock(mutex_);
  events_.clear();
}

Traffic Analyse(const std::vector<PortEvent>& events, PortClock::time_point from,
                PortClock::time_point to, std::uint8_t command) {
  auto ms = [](PortClock::time_point a, PortClock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
  };
  Traffic traffic;
  const PortEvent* lastRead = nullptr;   // latest read since the last write
  const PortEvent* lastWrite = nullptr;
  for (const PortEvent& e : events) {
    if (e.at < from || e.at > to) continue;
    if (!e.write) {
      traffic.bytesIn += e.bytes;
      lastRead = &e;
      continue;
    }
    traffic.bytesOut += e.bytes;
    if (lastRead != nullptr) {
      traffic.programMs += ms(lastRead->at, e.at);
      if (lastWrite != nullptr) traffic.cameraMs += ms(lastWrite->at, lastRead->at);
      if (e.first == command) traffic.turnaroundUs.push_back(ms(lastRead->at, e.at) * 1000);
    }
    lastWrite = &e;
    lastRead = nullptr;
  }
  if (lastWrite != nullptr && lastRead != nullptr) traffic.cameraMs += ms(lastWrite->at, lastRead->at);
  return traffic;
}

double WireMs(std::uint64_t bytes, std::uint32_t speed) {
  return speed ? double(bytes) * 10.0 * 1000.0 / speed : 0;
}

void PaceLine(std::size_t bytes, std::uint32_t speed) {
  if (speed == 0) return;
  // Sleeping overshoots by tens of microseconds; spin the last stretch instead.
  const auto until = PortClock::now() + std::chrono::nanoseconds(bytes * 10'000'000'000ull / speed);
  if (until - PortClock::now() > std::chrono::microseconds(200))
    std::this_thread::sleep_until(until - std::chrono::microseconds(100));
  while (PortClock::now() < until) {
  }
}

bool TimedSerialPort::SetLine(std::uint32_t speed) {
  const bool ok = Inner().SetLine(speed);
  if (ok) speed_ = speed;
  return ok;
}

std::size_t TimedSerialPort::Read(std::uint8_t* data, std::size_t size) {
  const std::size_t count = Inner().Read(data, size);
  if (count > 0) log_.Add({PortClock::now(), false, static_cast<std::uint32_t>(count), 0});
  return count;
}

bool TimedSerialPort::Write(const std::uint8_t* data, std::size_t size) {
  const auto at = PortClock::now();
  if (size > 0) log_.Add({at, true, static_cast<std::uint32_t>(size), data[0]});
  if (pace_) PaceLine(size, speed_);
  return Inner().Write(data, size);
}

std::unique_ptr<SerialPort> TimedOpener::Open(const std::string& device, PortOpenError& error) {
  std::unique_ptr<SerialPort> port = PosixSerialPort::Open(device, error);
  if (!port) return nullptr;
  return std::make_unique<TimedSerialPort>(std::move(port), log_, pace_);
}

}  // namespace lumarel::bench
