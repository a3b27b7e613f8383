// SPDX-License-Identifier: MIT
// Hands work from the receive thread to the event-loop thread. The GUI posts a
// queued invocation, EventLoop queues a task. Post never blocks and never runs
// the task on the calling thread; the receive thread itself waits for the task's
// completion (see ReceiveThread), so that it can stop waiting at shut-down.
#pragma once

#include <functional>

namespace lumarel {

class Dispatcher {
 public:
  virtual ~Dispatcher() = default;
  // Thread-safe. The task runs later on the event-loop thread (or never, if the
  // loop has gone away).
  virtual void Post(std::function<void()> task) = 0;
};

}  // namespace lumarel
