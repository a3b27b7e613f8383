// SPDX-License-Identifier: MIT
// One-shot timers of one owner, keyed by id, on the Qt event loop. Expiry calls
// the owner's handler with the id; the timer is stopped before the handler runs,
// so the handler re-arms it when it wants another tick.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>

#include "platform/Timers.h"

namespace lumarel {

class QtTimers final : public Timers {
 public:
  using Handler = std::function<void(int id)>;

  explicit QtTimers(Handler handler) : handler_(std::move(handler)) {}
  QtTimers(const QtTimers&) = delete;
  QtTimers& operator=(const QtTimers&) = delete;

  void Start(int id, int milliseconds) override;
  void Stop(int id) override;
  bool IsRunning(int id) const;
  void SetHandler(Handler handler) { handler_ = std::move(handler); }
  // For a LinkAssembly: timers on the Qt event loop.
  static std::unique_ptr<Timers> Make(Handler handler) {
    return std::make_unique<QtTimers>(std::move(handler));
  }

 private:
  Handler handler_;
  std::map<int, std::unique_ptr<QTimer>> timers_;
};

}  // namespace lumarel
