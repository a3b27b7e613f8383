// Hands work from the receive thread to the Qt event loop: each task becomes a
// queued call on a context object living on the GUI thread. Tasks posted after
// the dispatcher is gone are dropped with it.
#pragma once

#include <QObject>
#include <functional>

#include "link/Dispatcher.h"

namespace lumarel {

class QtDispatcher final : public Dispatcher {
 public:
  QtDispatcher() = default;
  QtDispatcher(const QtDispatcher&) = delete;
  QtDispatcher& operator=(const QtDispatcher&) = delete;

  void Post(std::function<void()> task) override {
    QMetaObject::invokeMethod(&context_, std::move(task), Qt::QueuedConnection);
  }

 private:
  QObject context_;  // created on, and affine to, the constructing (GUI) thread
};

}  // namespace lumarel
