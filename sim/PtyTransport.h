// SPDX-License-Identifier: MIT
// Puts a SimCamera behind a pseudo-terminal. The slave side is linked at a
// path the program opens as its serial device; the transport reads commands
// from the master side, asks the terminal which speed the program set (the
// master reports the slave's settings), feeds the camera, and writes the answers
// back: held until the program has switched after a speed command, turned into
// noise while the two speeds differ, faulted on demand (garbled, dropped, or
// held back by a silence of the line) and, in real-time mode, paced at 10 bits
// per byte; with an adapter latency, as a USB-serial adapter passes them on.
#pragma once

#include <chrono>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <random>
#include <string>

#include "LineFaults.h"
#include "SimCamera.h"

namespace lumarel::sim {

struct TransportSettings {
  std::string linkPath;              // symlink to the slave; empty: none
  bool realtime = false;             // pace output at the line speed
  FaultSettings faults;
  unsigned seed = 1;                 // noise of mismatched speeds
  int speedSettleMs = 400;           // longest wait for the program to follow a speed change
  int uploadIdleMs = 500;            // quiet time that ends a partial upload packet
  int adapterLatencyMs = 0;          // USB-serial adapter's latency timer; 0: a plain line
  std::function<void(const std::string&)> log;
};

class PtyTransport {
 public:
  PtyTransport(SimCamera& camera, TransportSettings settings);
  ~PtyTransport();
  PtyTransport(const PtyTransport&) = delete;
  PtyTransport& operator=(const PtyTransport&) = delete;

  // Creates the pseudo-terminal (raw, 9600) and the link; false with a reason.
  bool Open(std::string& error);
  const std::string& SlavePath() const { return slavePath_; }

  // Serves the camera until Stop(). Run it on one thread; the camera belongs to it.
  void Run();

  // These three may be called from any thread and from signal handlers.
  void Stop();
  void RequestPhotoMode();          // the user switched the camera to photo mode / inserted a card
  void RequestToggleWriteProtect(); // the user slid the card's switch

  // The speed the program's side of the line runs at, 0 when it cannot be read.
  std::uint32_t LineSpeed() const;

  // Any thread: switches the injected faults off and on again (on at start);
  // while off, packets pass untouched and uncounted.
  void SetFaultsEnabled(bool enabled) { faultsEnabled_ = enabled; }
  // Any thread: what the fault injection has done so far.
  FaultCounts Faults() const;

 private:
  void ApplyRequests();
  void Deliver(const Transmission& tx);
  bool WaitForLineSpeed(std::uint32_t speed);
  void KeepSilent(int ms);
  bool WriteAll(const std::vector<std::uint8_t>& bytes);
  bool WriteThroughAdapter(const std::vector<std::uint8_t>& bytes);
  void Wake();
  void Log(const std::string& line) const;
  // --hangup-after: closes the line as an unplugged cable would and stops serving.
  void HangUp();

  void PaceLikeTheLine(std::size_t bytes, std::uint32_t speed);

  SimCamera& camera_;
  std::chrono::steady_clock::time_point readAt_{};        // last command read
  std::chrono::steady_clock::time_point lineFreeUntil_{};  // end of the last paced response
  TransportSettings settings_;
  FaultInjector faults_;
  mutable std::mutex faultsMutex_;  // faults_'s counts are read from other threads
  std::atomic<bool> faultsEnabled_{true};
  std::mt19937 random_;
  int master_ = -1;
  int slave_ = -1;  // kept open so the line settings persist between the program's opens
  int wakeRead_ = -1;
  int wakeWrite_ = -1;
  std::string slavePath_;
  bool linked_ = false;
  std::atomic<bool> stop_{false};
  std::atomic<bool> photoRequested_{false};
  std::atomic<bool> toggleRequested_{false};
  int pictureDataSent_ = 0;  // picture data packets delivered (for --hangup-after)
};

// Bytes of received data an FTDI-style adapter carries per 64-byte USB frame.
inline constexpr std::size_t kUsbFramePayload = 62;

// Bits per second of a termios speed constant (B9600 ...), 0 when unknown.
std::uint32_t BaudToSpeed(unsigned baud);

}  // namespace lumarel::sim
