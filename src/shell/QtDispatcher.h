// SPDX-License-Identifier: MIT
// Hands work from the receive thread to the Qt event loop. Tasks wait in a
// queue under a std::mutex; each Post also posts one event to a context object
// living on the GUI thread, whose handler runs the oldest task. The hand-over
// is ordered by that mutex rather than by Qt's event queue alone, so
// ThreadSanitizer (which cannot see inside the uninstrumented Qt) sees it too.
// Tasks still queued when the dispatcher is destroyed are dropped with it.
#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <deque>
#include <functional>
#include <mutex>

#include "link/Dispatcher.h"

namespace lumarel {

class QtDispatcher final : public Dispatcher {
 public:
  QtDispatcher() = default;
  QtDispatcher(const QtDispatcher&) = delete;
  QtDispatcher& operator=(const QtDispatcher&) = delete;

  void Post(std::function<void()> task) override {
    {
      std::lock_guard lock(mutex_);
      tasks_.push_back(std::move(task));
    }
    QCoreApplication::postEvent(&context_, new QEvent(QEvent::User));
  }

 private:
  void RunOldest() {
    std::function<void()> task;
    {
      std::lock_guard lock(mutex_);
      if (tasks_.empty()) return;
      task = std::move(tasks_.front());
      tasks_.pop_front();
    }
    task();
  }

  class Context final : public QObject {
   public:
    explicit Context(QtDispatcher& owner) : owner_(owner) {}

   protected:
    void customEvent(QEvent*) override { owner_.RunOldest(); }

   private:
    QtDispatcher& owner_;
  };

  std::mutex mutex_;
  std::deque<std::function<void()>> tasks_;
  Context context_{*this};  // created on, and affine to, the GUI thread; destroyed first
};

}  // namespace lumarel
