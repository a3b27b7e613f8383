// SPDX-License-Identifier: MIT
// Runs the event loop until a condition holds, waking on every event rather
// than polling, so that a transfer of thousands of packets is not slowed down.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <functional>

namespace lumarel::testing {

inline bool WaitUntil(const std::function<bool()>& done, int milliseconds) {
  QTimer tick;  // wakes the loop even when nothing else happens
  tick.start(20);
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > milliseconds) return done();
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  return true;
}

}  // namespace lumarel::testing
