// SPDX-License-Identifier: MIT
// The thread that pumps the port: it sends CmdWake and CmdIdentify, then
// collects each response of the expected length (116 bytes, or 1 during an
// upload) and hands it to CameraLink::HandleResponse on the event-loop thread,
// waiting until the handler has returned. A wait that ends with nothing received
// while 116 bytes are expected produces one all-zero packet. A port that hangs
// up is reported once (CameraLink::LineLost) and never read again. Each response
// carries the link's response epoch from when its first byte was awaited, so a
// discard that comes after the hand-over still drops it. It reads only the
// link's expected length and epoch and its own flags; stopping never waits for
// the event-loop thread.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "link/CameraLink.h"

namespace lumarel {

class Dispatcher;

struct ReceiveOptions {
  std::chrono::milliseconds wakePause{100};    // between CmdWake and CmdIdentify
  std::chrono::milliseconds failurePause{50};  // after the port reports a failure
};

class ReceiveThread final : public Receiver {
 public:
  ReceiveThread(SerialPort& port, CameraLink& link, Dispatcher& dispatcher,
                ReceiveOptions options = {});
  ~ReceiveThread() override;
  void DiscardPartial() override;
  // Ends the thread and joins it; safe from any thread but the receive thread.
  void Stop();

 private:
  struct Handoff {
    std::mutex mutex;
    std::condition_variable changed;
    bool stopping = false;
    std::uint64_t posted = 0;
    std::uint64_t done = 0;
  };

  void Run();
  void Collect();
  // Runs work on the event-loop thread and waits for it; false once stopping.
  bool HandOver(std::function<void()> work);
  // Sleeps for d unless stopped first; false once stopping.
  bool Pause(std::chrono::milliseconds d);

  SerialPort& port_;
  CameraLink& link_;
  Dispatcher& dispatcher_;
  ReceiveOptions options_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> discard_{false};
  std::shared_ptr<Handoff> handoff_ = std::make_shared<Handoff>();
  std::thread thread_;
};

}  // namespace lumarel
