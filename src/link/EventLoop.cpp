// SPDX-License-Identifier: MIT
#include "link/EventLoop.h"

#include <algorithm>

namespace lumarel {

class EventLoop::OwnerTimers final : public Timers {
 public:
  OwnerTimers(EventLoop& loop, std::uint64_t owner, TimerHandler handler)
      : loop_(loop), owner_(owner), handler_(std::move(handler)) {}
  ~OwnerTimers() override { loop_.StopOwner(owner_); }
  void Start(int id, int ms) override { loop_.StartTimer(owner_, id, ms, &handler_); }
  void Stop(int id) override { loop_.StopTimer(owner_, id); }

 private:
  EventLoop& loop_;
  std::uint64_t owner_;
  TimerHandler handler_;
};

EventLoop::~EventLoop() = default;

void EventLoop::Post(std::function<void()> task) {
  {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
  }
  wake_.notify_all();
}

std::unique_ptr<Timers> EventLoop::MakeTimers(TimerHandler handler) {
  std::lock_guard lock(mutex_);
  return std::make_unique<OwnerTimers>(*this, nextOwner_++, std::move(handler));
}

void EventLoop::StartTimer(std::uint64_t owner, int id, int ms, TimerHandler* handler) {
  std::lock_guard lock(mutex_);
  timers_[{owner, id}] = {SteadyClock::now() + std::chrono::milliseconds(ms), nextOrder_++, handler};
}

void EventLoop::StopTimer(std::uint64_t owner, int id) {
  std::lock_guard lock(mutex_);
  timers_.erase({owner, id});
}

void EventLoop::StopOwner(std::uint64_t owner) {
  std::lock_guard lock(mutex_);
  std::erase_if(timers_, [owner](const auto& entry) { return entry.first.owner == owner; });
}

bool EventLoop::RunOne(SteadyClock::time_point until) {
  std::unique_lock lock(mutex_);
  for (;;) {
    if (quit_) return false;
    if (!tasks_.empty()) {
      std::function<void()> task = std::move(tasks_.front());
      tasks_.pop_front();
      lock.unlock();
      task();
      return true;
    }
    auto next = std::min_element(timers_.begin(), timers_.end(), [](const auto& a, const auto& b) {
      return a.second.due != b.second.due ? a.second.due < b.second.due
                                          : a.second.order < b.second.order;
    });
    const auto now = SteadyClock::now();
    if (next != timers_.end() && next->second.due <= now) {
      const int id = next->first.id;
      TimerHandler* handler = next->second.handler;
      timers_.erase(next);  // one-shot; the handler re-arms if it wants another tick
      lock.unlock();
      (*handler)(id);
      return true;
    }
    if (now >= until) return true;
    auto wakeAt = until;
    if (next != timers_.end()) wakeAt = std::min(wakeAt, next->second.due);
    wake_.wait_until(lock, wakeAt);
  }
}

bool EventLoop::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto until = SteadyClock::now() + timeout;
  while (!done()) {
    if (SteadyClock::now() >= until) return done();
    if (!RunOne(until)) return done();
  }
  return true;
}

void EventLoop::RunFor(std::chrono::milliseconds duration) {
  RunUntil([] { return false; }, duration);
}

void EventLoop::Run() {
  {
    std::lock_guard lock(mutex_);
    quit_ = false;
  }
  while (RunOne(SteadyClock::time_point::max())) {
  }
}

void EventLoop::Quit() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  wake_.notify_all();
}

}  // namespace lumarel
