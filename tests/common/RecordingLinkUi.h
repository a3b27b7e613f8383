// SPDX-License-Identifier: MIT
// A LinkUi that records every call as one line of text ("Status Ready",
// "Menu Preview 40019 on", ...) so tests can compare sequences, and that
// answers COM_CANCELOK from a script. Rigs that need more (hooks on repaints
// or commands) derive from it and call the recording base.
#pragma once

#include <algorithm>
#include <deque>
#include <functional>
#include <utility>
#include <optional>
#include <string>
#include <vector>

#include "link/LinkUi.h"

namespace lumarel::testing {

inline const char* Name(MenuOwner owner) {
  switch (owner) {
    case MenuOwner::Frame: return "Frame";
    case MenuOwner::Preview: return "Preview";
    case MenuOwner::Openfile: return "Openfile";
  }
  return "?";
}

inline const char* Name(LinkWindow window) {
  switch (window) {
    case LinkWindow::Frame: return "Frame";
    case LinkWindow::Preview: return "Preview";
    case LinkWindow::Live: return "Live";
    case LinkWindow::ActiveChild: return "ActiveChild";
  }
  return "?";
}

class RecordingLinkUi : public LinkUi {
 public:
  void SetStatusText(const std::string& text) override {
    status = text;
    Log("Status " + text);
  }
  void ShowProgress(bool visible) override { Log(visible ? "Progress show" : "Progress hide"); }
  void SetProgressRange(int maximum) override { Log("ProgressRange " + std::to_string(maximum)); }
  void SetProgressPosition(int position) override {
    Log("ProgressPosition " + std::to_string(position));
  }
  void EnableMenuItem(MenuOwner owner, int id, bool enabled) override {
    Log(std::string("Menu ") + Name(owner) + " " + std::to_string(id) + (enabled ? " on" : " off"));
  }
  void EnableMdiClient(bool enabled) override { Log(enabled ? "Mdi on" : "Mdi off"); }
  void Repaint(LinkWindow window, std::optional<Rect> area) override {
    std::string line = std::string("Repaint ") + Name(window);
    if (area) {
      line += " " + std::to_string(area->left) + "," + std::to_string(area->top) + "," +
              std::to_string(area->right) + "," + std::to_string(area->bottom);
    }
    Log(line);
  }
  void SetPreviewScrollRange(int maximum) override { Log("ScrollRange " + std::to_string(maximum)); }
  void SetPreviewScrollPosition(int position) override {
    Log("ScrollPosition " + std::to_string(position));
  }
  void ScrollPreviewLines(int lines) override { Log("ScrollLines " + std::to_string(lines)); }
  void ResetPreviewScroll() override { Log("ScrollReset"); }
  bool IsActive(LinkWindow window) override { return window == active; }
  void Activate(LinkWindow window) override {
    active = window;
    Log(std::string("Activate ") + Name(window));
  }
  void CloseImageWindows() override { Log("CloseImageWindows"); }
  void DestroyDownloadWindow() override { Log("DestroyDownloadWindow"); }
  void SendCommand(LinkWindow window, int id) override {
    Log(std::string("Command ") + Name(window) + " " + std::to_string(id));
  }
  void OpenWaitDialog(WaitDialogKind kind) override {
    Log(kind == WaitDialogKind::DataTransfer ? "WaitOpen DATA_TRANS" : "WaitOpen PERASE_PROC");
  }
  void SetWaitDialogText(const std::string& text) override { Log("WaitText [" + text + "]"); }
  void CloseWaitDialog() override { Log("WaitClose"); }
  void OpenDisconnectDialog() override {
    ++disconnectDialogs;
    Log("COM_DISCONNECT");
    // What happens while the (modal) dialog is open; runs once.
    if (auto during = std::exchange(whileDisconnectOpen, nullptr)) during();
  }
  void OpenReconnectDialog() override {
    ++reconnectDialogs;
    Log("COM_RECONNECT");
  }
  std::function<void()> whileDisconnectOpen;
  bool AskCancelOk() override {
    Log("COM_CANCELOK");
    if (cancelOkAnswers.empty()) return true;
    bool answer = cancelOkAnswers.front();
    cancelOkAnswers.pop_front();
    return answer;
  }
  void ShowHelp(int context) override { Log("Help " + std::to_string(context)); }

  bool Has(const std::string& line) const {
    return std::find(calls.begin(), calls.end(), line) != calls.end();
  }
  int Count(const std::string& line) const {
    return static_cast<int>(std::count(calls.begin(), calls.end(), line));
  }
  void Clear() { calls.clear(); }

  std::vector<std::string> calls;
  std::string status;
  LinkWindow active = LinkWindow::Preview;
  std::deque<bool> cancelOkAnswers;
  int disconnectDialogs = 0;
  int reconnectDialogs = 0;

 protected:
  void Log(std::string line) { calls.push_back(std::move(line)); }
};

}  // namespace lumarel::testing
