// SPDX-License-Identifier: MIT
// A plain termios client of a serial line: raw 8N1, speed changes, byte
// writes and reads with a time limit. The probe speaks to the simulator
// through it, as the program does through its own serial port.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lumarel::sim {

class TermiosClient {
 public:
  TermiosClient() = default;
  ~TermiosClient();
  TermiosClient(const TermiosClient&) = delete;
  TermiosClient& operator=(const TermiosClient&) = delete;

  // Opens the device raw at 9600, 8N1, no flow control.
  bool Open(const std::string& path, std::string& error);
  bool SetSpeed(std::uint32_t speed);
  bool Write(const std::vector<std::uint8_t>& bytes);
  bool WriteByte(std::uint8_t byte) { return Write({byte}); }
  // Reads until `count` bytes have come or `timeoutMs` has passed since the call.
  std::vector<std::uint8_t> Read(std::size_t count, int timeoutMs);
  // Discards what has arrived and not been read.
  void Purge();

 private:
  int fd_ = -1;
};

}  // namespace lumarel::sim
