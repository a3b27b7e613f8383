// SPDX-License-Identifier: MIT
// A scripted SerialPort for link tests: records every byte written, delivers
// bytes the test queues, and reports Woken when asked. Thread-safe, so a
// receive thread can block in WaitForCharacter while the test feeds it.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/ForwardingSerialPort.h"

namespace lumarel::testing {

class FakeSerialPort final : public SerialPort {
 public:
  using Bytes = std::vector<std::uint8_t>;

  // --- test side ---------------------------------------------------------
  // Makes bytes available to the next reads and ends a wait in progress.
  void QueueIncoming(const Bytes& bytes) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      incoming_.insert(incoming_.end(), bytes.begin(), bytes.end());
    }
    changed_.notify_all();
  }
  // The current (or next) wait ends with Woken when nothing is waiting.
  void QueueWake() { Wake(); }
  // While set, every wait returns Failed at once (device unplugged).
  void SetFailing(bool failing) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      failing_ = failing;
    }
    changed_.notify_all();
  }
  // Called after each Write with its bytes, on the writer's thread and
  // without the lock held, so it may queue a scripted reply.
  void OnWrite(std::function<void(const Bytes&)> hook) {
    std::lock_guard<std::mutex> lock(mutex_);
    onWrite_ = std::move(hook);
  }
  void SetWriteFails(bool fails) { Locked([&] { writeFails_ = fails; }); }
  // From now on every wait reports HungUp with this reason (adapter unplugged).
  void HangUp(std::string reason) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      hangUpReason_ = std::move(reason);
    }
    changed_.notify_all();
  }
  // Waits that returned HungUp, and writes tried after the hang-up.
  int HangUpsReported() const { return Locked([&] { return hangUpsReported_; }); }
  int WritesAfterHangUp() const { return Locked([&] { return writesAfterHangUp_; }); }
  void SetLineFails(bool fails) { Locked([&] { setLineFails_ = fails; }); }
  // The system's reason a failed SetLine reports.
  void SetLastError(std::string reason) { Locked([&] { lastError_ = std::move(reason); }); }
  // What RequestLowLatency reports (a plain port by default); counts its calls.
  void SetAdapterLatency(AdapterLatency latency) { Locked([&] { latency_ = std::move(latency); }); }
  int LowLatencyRequests() const { return Locked([&] { return latencyRequests_; }); }

  Bytes Written() const { return Locked([&] { return written_; }); }
  // Everything written since the last call.
  Bytes TakeWritten() {
    return Locked([&] { return std::exchange(written_, Bytes{}); });
  }
  // Blocks until at least count bytes have been written in total since the
  // last TakeWritten, or the timeout passes; true when they were.
  bool WaitForWritten(std::size_t count, std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return written_.size() >= count; });
  }
  std::size_t Pending() const { return Locked([&] { return incoming_.size(); }); }
  std::uint32_t Speed() const { return Locked([&] { return speed_; }); }
  std::vector<std::uint32_t> SpeedHistory() const { return Locked([&] { return speeds_; }); }
  int PurgeCount() const { return Locked([&] { return purges_; }); }

  // --- SerialPort --------------------------------------------------------
  AdapterLatency RequestLowLatency() override {
    return Locked([&] {
      ++latencyRequests_;
      return latency_;
    });
  }
  std::string LastError() const override { return Locked([&] { return lastError_; }); }
  bool GetSpeed(std::uint32_t& speed) override {
    speed = Speed();
    return true;
  }
  bool SetLine(std::uint32_t speed) override {
    return Locked([&] {
      if (setLineFails_) return false;
      speed_ = speed;
      speeds_.push_back(speed);
      return true;
    });
  }
  void Purge() override {
    Locked([&] {
      incoming_.clear();
      ++purges_;
    });
  }
  std::size_t ClearErrors() override { return Pending(); }
  PortWait WaitForCharacter() override {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] {
      return failing_ || !hangUpReason_.empty() || !incoming_.empty() || wakePending_;
    });
    if (!hangUpReason_.empty()) {
      ++hangUpsReported_;
      return PortWait::HungUp;
    }
    if (failing_) return PortWait::Failed;
    if (!incoming_.empty()) return PortWait::Received;  // a pending wake ends the next wait
    wakePending_ = false;
    return PortWait::Woken;
  }
  void Wake() override {
    Locked([&] { wakePending_ = true; });
    changed_.notify_all();
  }
  std::size_t Read(std::uint8_t* data, std::size_t size) override {
    return Locked([&] {
      std::size_t n = std::min(size, incoming_.size());
      std::copy(incoming_.begin(), incoming_.begin() + static_cast<std::ptrdiff_t>(n), data);
      incoming_.erase(incoming_.begin(), incoming_.begin() + static_cast<std::ptrdiff_t>(n));
      return n;
    });
  }
  bool Write(const std::uint8_t* data, std::size_t size) override {
    std::function<void(const Bytes&)> hook;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!hangUpReason_.empty()) {
        ++writesAfterHangUp_;
        return false;
      }
      if (writeFails_) return false;
      written_.insert(written_.end(), data, data + size);
      hook = onWrite_;
    }
    changed_.notify_all();
    if (hook) hook(Bytes(data, data + size));
    return true;
  }

 private:
  template <typename F>
  auto Locked(F f) const -> decltype(f()) {
    std::lock_guard<std::mutex> lock(mutex_);
    return f();
  }

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::uint8_t> incoming_;
  Bytes written_;
  std::vector<std::uint32_t> speeds_;
  std::function<void(const Bytes&)> onWrite_;
  std::uint32_t speed_ = 9600;
  int purges_ = 0;
  bool wakePending_ = false;
  bool failing_ = false;
  bool writeFails_ = false;
  bool setLineFails_ = false;
  std::string lastError_;
  AdapterLatency latency_;
  int latencyRequests_ = 0;
  std::string hangUpReason_;
  int hangUpsReported_ = 0;
  int writesAfterHangUp_ = 0;

 public:
  std::string HangUpReason() const override { return Locked([&] { return hangUpReason_; }); }
};

// Hands out FakeSerialPorts by device path. The test keeps a shared handle on
// each port it opened, so it can still inspect a port the code under test has
// closed (Opened::closed tells whether it did).
class FakeSerialPortOpener final : public SerialPortOpener {
 public:
  struct Opened {
    std::string device;
    std::shared_ptr<FakeSerialPort> port;
    std::shared_ptr<std::atomic<bool>> closed = std::make_shared<std::atomic<bool>>(false);
  };

  std::unique_ptr<SerialPort> Open(const std::string& device, PortOpenError& error) override {
    std::lock_guard<std::mutex> lock(mutex_);
    attempts_.push_back(device);
    auto refused = failures_.find(device);
    if (refused != failures_.end()) {
      error = refused->second;
      return nullptr;
    }
    error = PortOpenError::None;
    Opened opened{device, prepared_.count(device) ? prepared_[device]
                                                  : std::make_shared<FakeSerialPort>()};
    prepared_.erase(device);
    opened_.push_back(opened);
    return std::make_unique<Handle>(opened.port, opened.closed);
  }

  // Opening device fails with error from now on.
  void Refuse(const std::string& device, PortOpenError error) {
    std::lock_guard<std::mutex> lock(mutex_);
    failures_[device] = error;
  }
  // The next opening of device returns this port (to script it beforehand).
  void Prepare(const std::string& device, std::shared_ptr<FakeSerialPort> port) {
    std::lock_guard<std::mutex> lock(mutex_);
    prepared_[device] = std::move(port);
  }
  std::vector<std::string> Attempts() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return attempts_;
  }
  std::vector<Opened> OpenedPorts() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return opened_;
  }

 private:
  // What the code under test owns: forwards to the shared fake, notes its closing.
  class Handle final : public ForwardingSerialPort {
   public:
    Handle(std::shared_ptr<FakeSerialPort> port, std::shared_ptr<std::atomic<bool>> closed)
        : ForwardingSerialPort(*port), port_(std::move(port)), closed_(std::move(closed)) {}
    ~Handle() override { *closed_ = true; }

   private:
    std::shared_ptr<FakeSerialPort> port_;
    std::shared_ptr<std::atomic<bool>> closed_;
  };

  mutable std::mutex mutex_;
  std::vector<std::string> attempts_;
  std::map<std::string, PortOpenError> failures_;
  std::map<std::string, std::shared_ptr<FakeSerialPort>> prepared_;
  std::vector<Opened> opened_;
};

}  // namespace lumarel::testing
