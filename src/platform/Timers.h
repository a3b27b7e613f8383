// SPDX-License-Identifier: MIT
// One-shot timers as the link and window logic use them: each owner (the frame,
// a Preview/Capture/Openfile/Live window, a wait dialog) has its own set of ids.
// Start re-arms a running timer; expiry is delivered by the owner's event loop,
// which calls the owner's timer handler with the id. Every timer is one-shot:
// the handler re-arms it when it needs another tick.
#pragma once

namespace lumarel {

class Timers {
 public:
  virtual ~Timers() = default;
  virtual void Start(int id, int milliseconds) = 0;
  virtual void Stop(int id) = 0;
};

}  // namespace lumarel
