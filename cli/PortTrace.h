// SPDX-License-Identifier: MIT
// --debug and --debug-logfile: a trace of the line and of what the command
// makes of it, one line per event:
//   SSSS.ssssss DIR TEXT
// SSSS.ssssss is the monotonic time since the trace began (seconds,
// microseconds); DIR is "tx" (bytes written: their count and hex), "rx"
// (bytes read, as the port returned them), "io" (open, close, line speed,
// purge) or "--" (the command: operations begun, their outcome, each
// picture's try, reconnects, files written).
#pragma once

#include <chrono>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/ForwardingSerialPort.h"

namespace lumarel::cli {

class PortTrace {
 public:
  // Off when out is null; out must outlive the trace.
  explicit PortTrace(std::ostream* out) : out_(out) {}
  bool On() const { return out_ != nullptr; }
  // A line of direction dir ("tx", "rx", "io", "--"). Safe from any thread.
  void Line(const char* dir, const std::string& text);
  void Bytes(const char* dir, const std::uint8_t* data, std::size_t size);
  // A command event: "--" lines.
  void Note(const std::string& text) { Line("--", text); }

 private:
  std::ostream* out_;
  std::mutex mutex_;
  const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// A port whose writes, reads and line changes go to the trace.
class TracedPort final : public ForwardingSerialPort {
 public:
  TracedPort(std::unique_ptr<SerialPort> port, PortTrace& trace)
      : ForwardingSerialPort(std::move(port)), trace_(trace) {}
  ~TracedPort() override;

  bool SetLine(std::uint32_t speed) override;
  void Purge() override;
  std::size_t Read(std::uint8_t* data, std::size_t size) override;
  bool Write(const std::uint8_t* data, std::size_t size) override;

 private:
  PortTrace& trace_;
};

// Opens through inner, traced, and remembers which devices opened (so that
// "no camera found" can name the ports that opened but had no camera).
class TracedOpener final : public SerialPortOpener {
 public:
  TracedOpener(SerialPortOpener& inner, PortTrace& trace) : inner_(inner), trace_(trace) {}
  std::unique_ptr<SerialPort> Open(const std::string& device, PortOpenError& error) override;
  const std::vector<std::string>& Opened() const { return opened_; }

 private:
  SerialPortOpener& inner_;
  PortTrace& trace_;
  std::vector<std::string> opened_;
};

}  // namespace lumarel::cli
