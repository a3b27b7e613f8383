// SPDX-License-Identifier: MIT
#include "cli/PortTrace.h"

#include <algorithm>
#include <cstdio>
#include <ostream>

namespace lumarel::cli {

void PortTrace::Line(const char* dir, const std::string& text) {
  if (out_ == nullptr) return;
  const auto us = std::chrono::duration_cast<std::chrono::microseconds>(
                      std::chrono::steady_clock::now() - start_)
                      .count();
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%4lld.%06lld ", static_cast<long long>(us / 1000000),
                static_cast<long long>(us % 1000000));
  std::lock_guard<std::mutex> lock(mutex_);
  *out_ << stamp << dir << ' ' << text << '\n' << std::flush;
}

void PortTrace::Bytes(const char* dir, const std::uint8_t* data, std::size_t size) {
  if (out_ == nullptr) return;
  std::string text = std::to_string(size) + (size == 1 ? " byte:" : " bytes:");
  static constexpr char kHex[] = "0123456789abcdef";
  for (std::size_t i = 0; i < size; ++i) {
    text += ' ';
    text += kHex[data[i] >> 4];
    text += kHex[data[i] & 0x0F];
  }
  Line(dir, text);
}

TracedPort::~TracedPort() { trace_.Line("io", "close"); }

bool TracedPort::SetLine(std::uint32_t speed) {
  const bool ok = Inner().SetLine(speed);
  trace_.Line("io", "speed " + std::to_string(speed) + (ok ? "" : " refused"));
  return ok;
}

void TracedPort::Purge() {
  Inner().Purge();
  trace_.Line("io", "purge");
}

std::size_t TracedPort::Read(std::uint8_t* data, std::size_t size) {
  const std::size_t n = Inner().Read(data, size);
  if (n > 0) trace_.Bytes("rx", data, n);
  return n;
}

bool TracedPort::Write(const std::uint8_t* data, std::size_t size) {
  const bool ok = Inner().Write(data, size);
  trace_.Bytes("tx", data, size);
  if (!ok) trace_.Line("io", "write failed: " + Inner().LastError());
  return ok;
}

std::unique_ptr<SerialPort> TracedOpener::Open(const std::string& device, PortOpenError& error) {
  std::unique_ptr<SerialPort> port = inner_.Open(device, error);
  if (!port) {
    trace_.Line("io", "open " + device + ": " + Describe(error));
    return nullptr;
  }
  trace_.Line("io", "open " + device);
  if (std::find(opened_.begin(), opened_.end(), device) == opened_.end())
    opened_.push_back(device);
  if (!trace_.On()) return port;
  return std::make_unique<TracedPort>(std::move(port), trace_);
}

}  // namespace lumarel::cli
