// SPDX-License-Identifier: MIT
// SerialPort on a POSIX terminal device: termios for the line, poll() for
// every wait, an eventfd so that another thread can end a wait.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "platform/SerialPort.h"

namespace lumarel {

// Maps an errno value from opening or locking a device to the reason shown to the user.
PortOpenError PortOpenErrorFromErrno(int errnum);

// The sysfs file of a USB-serial adapter's latency timer ("<sysRoot>/class/tty/
// ttyUSB0/device/latency_timer" for /dev/ttyUSB0 or a link to it); empty when
// the device has none.
std::string LatencyTimerFile(const std::string& device, const std::string& sysRoot = "/sys");
// The milliseconds in such a file; -1 when it cannot be read.
int ReadLatencyTimer(const std::string& file);

// Converts between bit/s and the termios speed constants; 0 when there is no such constant.
unsigned int TermiosSpeedFor(std::uint32_t bitsPerSecond);
std::uint32_t BitsPerSecondFor(unsigned int termiosSpeed);

class PosixSerialPort final : public SerialPort {
 public:
  // Opens device for exclusive read and write without making it the controlling
  // terminal. On failure returns null and sets error (and errnum when given).
  static std::unique_ptr<PosixSerialPort> Open(const std::string& device, PortOpenError& error,
                                               int* errnum = nullptr);
  ~PosixSerialPort() override;
  PosixSerialPort(const PosixSerialPort&) = delete;
  PosixSerialPort& operator=(const PosixSerialPort&) = delete;

  bool GetSpeed(std::uint32_t& speed) override;
  bool SetLine(std::uint32_t speed) override;
  void Purge() override;
  std::size_t ClearErrors() override;
  PortWait WaitForCharacter() override;
  void Wake() override;
  std::size_t Read(std::uint8_t* data, std::size_t size) override;
  bool Write(const std::uint8_t* data, std::size_t size) override;
  // Sets ASYNC_LOW_LATENCY (TIOCGSERIAL/TIOCSSERIAL, allowed to the port's
  // user) and reads the adapter's latency timer back from sysfs.
  AdapterLatency RequestLowLatency() override;
  std::string LastError() const override;
  // Set by the waiting thread before it reports HungUp; read by that thread.
  std::string HangUpReason() const override { return hangUpReason_; }

  // A write that makes no progress for this long fails instead of hanging.
  static constexpr int kWriteStallMilliseconds = 5000;

 private:
  PosixSerialPort(int fd, int wakeFd, std::string device)
      : fd_(fd), wakeFd_(wakeFd), device_(std::move(device)) {}
  void DrainWake();
  bool Failed(int errnum);  // records errnum as the last error; returns false
  // Readable but nothing counted as waiting: one read tells a byte that raced
  // in (kept for Read) from end of file or a dead device (HungUp).
  PortWait ProbeReadable();

  int fd_;
  int wakeFd_;
  std::string device_;
  std::atomic<int> lastErrno_{0};
  std::mutex writeMutex_;     // keeps each Write's bytes together when two threads write
  int stashed_ = -1;          // a byte ProbeReadable read ahead; -1 none (waiting thread only)
  std::string hangUpReason_;  // empty until the line hung up (waiting thread only)
};

class PosixSerialPortOpener final : public SerialPortOpener {
 public:
  std::unique_ptr<SerialPort> Open(const std::string& device, PortOpenError& error) override {
    return PosixSerialPort::Open(device, error);
  }
};

}  // namespace lumarel
