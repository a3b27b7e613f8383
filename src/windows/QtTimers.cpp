// SPDX-License-Identifier: MIT
#include "windows/QtTimers.h"

namespace lumarel {

void QtTimers::Start(int id, int milliseconds) {
  auto& timer = timers_[id];
  if (!timer) {
    timer = std::make_unique<QTimer>();
    timer->setSingleShot(true);
    QObject::connect(timer.get(), &QTimer::timeout, [this, id] {
      if (handler_) handler_(id);
    });
  }
  timer->start(milliseconds < 0 ? 0 : milliseconds);
}

void QtTimers::Stop(int id) {
  auto it = timers_.find(id);
  if (it != timers_.end()) it->second->stop();
}

bool QtTimers::IsRunning(int id) const {
  auto it = timers_.find(id);
  return it != timers_.end() && it->second->isActive();
}

}  // namespace lumarel
