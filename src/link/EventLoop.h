// SPDX-License-Identifier: MIT
// A small event loop for the front ends without Qt (lumarel-cli, tests): posted
// tasks and one-shot timers on the steady clock, run on the thread that calls
// Run/RunUntil. Post and Quit are thread-safe; timers are used from the loop's
// own thread (from handlers and tasks).
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

#include "link/Dispatcher.h"
#include "platform/Timers.h"

namespace lumarel {

class EventLoop final : public Dispatcher {
 public:
  using SteadyClock = std::chrono::steady_clock;
  using TimerHandler = std::function<void(int id)>;

  EventLoop() = default;
  ~EventLoop() override;
  EventLoop(const EventLoop&) = delete;
  EventLoop& operator=(const EventLoop&) = delete;

  void Post(std::function<void()> task) override;

  // A set of timers for one owner; expiry calls handler(id) on the loop's thread.
  // The set must not outlive the loop.
  std::unique_ptr<Timers> MakeTimers(TimerHandler handler);

  // Runs tasks and due timers until done() holds (checked after each) or the
  // timeout passes; true when done() held.
  bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
  void RunFor(std::chrono::milliseconds duration);
  // Runs until Quit() (from any thread).
  void Run();
  void Quit();

 private:
  class OwnerTimers;
  struct TimerKey {
    std::uint64_t owner;
    int id;
    bool operator<(const TimerKey& o) const {
      return owner != o.owner ? owner < o.owner : id < o.id;
    }
  };
  struct Armed {
    SteadyClock::time_point due;
    std::uint64_t order;  // earlier Start first among equal due times
    TimerHandler* handler;
  };

  // Runs one task or one due timer, or waits until `until` for one; false on quit.
  bool RunOne(SteadyClock::time_point until);
  void StartTimer(std::uint64_t owner, int id, int ms, TimerHandler* handler);
  void StopTimer(std::uint64_t owner, int id);
  void StopOwner(std::uint64_t owner);

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> tasks_;
  std::map<TimerKey, Armed> timers_;
  std::uint64_t nextOwner_ = 1;
  std::uint64_t nextOrder_ = 1;
  bool quit_ = false;
};

}  // namespace lumarel
