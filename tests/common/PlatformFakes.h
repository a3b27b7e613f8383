// SPDX-License-Identifier: MIT
// Test doubles for the platform interfaces: a recording message box with
// scripted answers, recording one-shot timers and a settable clock.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/Clock.h"
#include "platform/Notifier.h"
#include "platform/Timers.h"

namespace lumarel::testing {

struct ShownMessage {
  std::string text;
  std::string caption;
  MessageButtons buttons;
  MessageIcon icon;
};

// Records every message box; answers from a queue, else the default answer
// (Ok for Ok/OkCancel boxes, Yes for Yes/No boxes).
class RecordingNotifier final : public Notifier {
 public:
  MessageAnswer Show(const std::string& text, const std::string& caption, MessageButtons buttons,
                     MessageIcon icon) override {
    shown.push_back({text, caption, buttons, icon});
    // What happens in the nested event loop while the box is open; runs once.
    if (auto during = std::exchange(whileShown, nullptr)) during();
    if (!answers.empty()) {
      MessageAnswer a = answers.front();
      answers.pop_front();
      return a;
    }
    return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
  }
  std::vector<ShownMessage> shown;
  std::deque<MessageAnswer> answers;
  std::function<void()> whileShown;
};

// Records starts and stops; `running` holds each armed timer's period.
class RecordingTimers final : public Timers {
 public:
  struct Call {
    bool start;
    int id;
    int ms;
    bool operator==(const Call&) const = default;
  };
  void Start(int id, int ms) override {
    calls.push_back({true, id, ms});
    running[id] = ms;
  }
  void Stop(int id) override {
    calls.push_back({false, id, 0});
    running.erase(id);
  }
  bool IsRunning(int id) const { return running.count(id) != 0; }
  int Period(int id) const {
    auto it = running.find(id);
    return it == running.end() ? -1 : it->second;
  }
  std::vector<Call> calls;
  std::map<int, int> running;
};

class FakeClock final : public Clock {
 public:
  std::int64_t NowMilliseconds() override { return now_ms; }
  LocalTime Now() override { return local; }
  std::int64_t now_ms = 0;
  LocalTime local{2001, 6, 15, 10, 30, 0};
};

}  // namespace lumarel::testing
