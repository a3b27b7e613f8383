// SPDX-License-Identifier: MIT
// Shared pieces of the widget tests: a recording camera link, scripted answers
// for message boxes and modal dialogs, and a scratch directory per test.
#pragma once

#include <gtest/gtest.h>

#include <QDialog>
#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "TempDir.h"
#include "shell/FrameLink.h"
#include "shell/Startup.h"
#include "windows/ModalRunner.h"
#include "windows/QtNotifier.h"

namespace lumarel::testing {

class RecordingFrameLink final : public FrameLink {
 public:
  void Start(const LinkStartContext& context) override {
    calls.push_back("Start");
    startTempPathA = context.state.TempPathA;
    state_ = &context.state;
  }
  void OnFrameTimer(int id) override { timerIds.push_back(id); }
  PortView Port() const override { return port; }
  void EraseAll() override { calls.push_back("EraseAll"); }
  bool LiveRunning() const override { return liveRunning; }
  void Reconnect() override { calls.push_back("Reconnect"); }
  void RetryConnect() override { calls.push_back("RetryConnect"); }
  void OnReconnectDialogOpened() override { calls.push_back("ReconnectDialogOpened"); }
  void SendReset() override { calls.push_back("SendReset"); }
  void ReleasePreviewStore() override { calls.push_back("ReleasePreviewStore"); }
  void ClosePort() override {
    calls.push_back("ClosePort");
    buffersHeldAtClose = BuffersHeld();
  }
  bool StopReceiveThread() override {
    calls.push_back("StopReceiveThread");
    buffersHeldAtStop = BuffersHeld();
    return threadStops;
  }
  // Every shared buffer the link writes into is still allocated.
  bool BuffersHeld() const {
    return state_ && state_->Buffers.Picture && state_->Buffers.Preview &&
           state_->Buffers.LiveFrame && state_->Buffers.LivePhoto;
  }

  std::vector<std::string> calls;
  std::vector<int> timerIds;
  std::string startTempPathA;
  PortView port;
  bool liveRunning = false;
  bool threadStops = true;
  bool buffersHeldAtStop = false;
  bool buffersHeldAtClose = false;

 private:
  const AppState* state_ = nullptr;
};

// Answers every message box from a queue (default: Ok / Yes) and records it.
class ScriptedMessages {
 public:
  ScriptedMessages() {
    QtNotifier::SetAnswerHook([this](const MessageRequest& request) {
      shown.push_back(request);
      if (!answers.empty()) {
        MessageAnswer a = answers.front();
        answers.pop_front();
        return a;
      }
      const bool yes = request.buttons == MessageButtons::YesNo ||
                       request.buttons == MessageButtons::YesNoCancel;
      return yes ? MessageAnswer::Yes : MessageAnswer::Ok;
    });
  }
  ~ScriptedMessages() { QtNotifier::SetAnswerHook(nullptr); }
  std::vector<MessageRequest> shown;
  std::deque<MessageAnswer> answers;
};

// Hands every modal dialog to a callback instead of running it.
class ScriptedDialogs {
 public:
  using Handler = std::function<int(QDialog&)>;
  explicit ScriptedDialogs(Handler handler = nullptr) : handler_(std::move(handler)) {
    SetModalHook([this](QDialog& dialog) {
      names.push_back(dialog.objectName().toStdString());
      return handler_ ? handler_(dialog) : 1;
    });
  }
  ~ScriptedDialogs() { SetModalHook(nullptr); }
  void SetHandler(Handler handler) { handler_ = std::move(handler); }
  std::vector<std::string> names;

 private:
  Handler handler_;
};

// A start-up environment inside a fresh scratch directory: "bin" holds the
// settings file, "work" is the current directory, "tmp" the user's temp directory.
struct ScratchEnvironment {
  ScratchEnvironment() {
    for (const char* sub : {"bin", "work", "tmp"}) std::filesystem::create_directory(dir / sub);
    env.executableDirectory = dir / "bin";
    env.currentDirectory = dir / "work";
    env.userTempDirectory = dir / "tmp";
    env.screenDepth = 24;
  }
  std::string SettingsPath() const { return env.executableDirectory + "/zelcam.ini"; }
  TempDir dir;
  StartupEnvironment env;
};

}  // namespace lumarel::testing
