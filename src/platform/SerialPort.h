// SPDX-License-Identifier: MIT
// The serial line as the camera link uses it: exclusive open, 8N1 without flow
// control at 9600..115200 bit/s, purge, error clearing with the count of bytes
// waiting, a blocking wait for received characters that another thread can end,
// plain reads and writes. PosixSerialPort implements it on termios and poll();
// tests substitute a fake. Every method is pure: a wrapper derives from
// ForwardingSerialPort and so cannot drop one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace lumarel {

// Why a device could not be opened; kept so the user can learn why no camera was found.
// NoCamera: the port opened, but no camera answered the identification.
enum class PortOpenError {
  None,
  NoSuchDevice,
  PermissionDenied,
  Busy,
  NotATerminal,
  Other,
  NoCamera,
};
const char* Describe(PortOpenError error);

enum class PortWait {
  Received,  // at least one byte is waiting
  Woken,     // Wake() was called (or the wait was otherwise ended) with nothing received
  Failed,    // the wait itself failed (a passing error; the caller may wait again)
  HungUp,    // the line is gone for good: hang-up, EIO, ENXIO or end of file; see HangUpReason
};

// How a USB-serial adapter passes received bytes on. Such an adapter sends a
// USB frame when it is full and holds a shorter rest until its latency timer
// expires; with a 16 ms timer the tail of every camera packet waits that long.
struct AdapterLatency {
  bool adapter = false;        // the device has a latency timer
  bool lowLatencySet = false;  // the driver took the low-latency request
  int timerMs = -1;            // the timer after the request; -1 when unknown
  std::string timerFile;       // where the system shows (and root sets) the timer
};

// Timers above this slow the stop-and-wait transfers noticeably.
inline constexpr int kLatencyTimerLimitMs = 2;

// True when the adapter still holds short rests longer than kLatencyTimerLimitMs.
bool NeedsLatencyFix(const AdapterLatency& latency);
// What the user is told about such an adapter, with the fix.
std::string LatencyAdvice(const std::string& device, const AdapterLatency& latency);

class SerialPort {
 public:
  virtual ~SerialPort() = default;

  // Asks the driver to pass received bytes on at once and reports what the
  // adapter behind the port does; a port that is no USB adapter reports
  // adapter = false. Called once after opening.
  virtual AdapterLatency RequestLowLatency() = 0;
  // The system's reason for the last failed GetSpeed or SetLine; empty when unknown.
  virtual std::string LastError() const = 0;

  // Reads the current line speed (bit/s); false when the driver refuses.
  virtual bool GetSpeed(std::uint32_t& speed) = 0;
  // Applies 8 data bits, no parity, 1 stop bit, no flow control, DTR off at speed.
  virtual bool SetLine(std::uint32_t speed) = 0;
  // Discards what has arrived and not been read. What the program has written
  // still goes out: a command written just before (a stop to the camera, an
  // answer from another thread) must reach the camera.
  virtual void Purge() = 0;
  // Clears any line error and returns how many received bytes are waiting.
  virtual std::size_t ClearErrors() = 0;
  // Blocks until a byte is waiting or Wake() is called from any thread.
  virtual PortWait WaitForCharacter() = 0;
  // Ends a WaitForCharacter in progress (or the next one) without a character.
  virtual void Wake() = 0;
  // Reads up to size bytes that are already waiting; returns the count read.
  virtual std::size_t Read(std::uint8_t* data, std::size_t size) = 0;
  // Writes all bytes (blocking until the driver took them); false on failure.
  virtual bool Write(const std::uint8_t* data, std::size_t size) = 0;
  bool WriteByte(std::uint8_t byte) { return Write(&byte, 1); }
  // Why the last wait reported HungUp ("hang-up", "Input/output error", ...).
  virtual std::string HangUpReason() const = 0;
};

// Opens devices by path; the link scans COM1..COM4 through one of these.
class SerialPortOpener {
 public:
  virtual ~SerialPortOpener() = default;
  virtual std::unique_ptr<SerialPort> Open(const std::string& device, PortOpenError& error) = 0;
};

}  // namespace lumarel
