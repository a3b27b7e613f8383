// SPDX-License-Identifier: MIT
// The pieces the link benchmark drives against the simulator (SimProcess.h):
// the program's link (CameraLink with its transfers on an EventLoop, the
// receive thread, a LinkUi that does nothing) on a timed serial port.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "SimProcess.h"
#include "TimedPort.h"
#include "link/CameraLink.h"
#include "link/EventLoop.h"
#include "link/LinkAssembly.h"
#include "link/LinkUi.h"

namespace lumarel::bench {

// The windows' part of the link, reduced to nothing: the benchmark measures the link.
class NullLinkUi final : public LinkUi {
 public:
  void SetStatusText(const std::string&) override {}
  void ShowProgress(bool) override {}
  void SetProgressRange(int) override {}
  void SetProgressPosition(int) override {}
  void EnableMenuItem(MenuOwner, int, bool) override {}
  void EnableMdiClient(bool) override {}
  void Repaint(LinkWindow, std::optional<Rect>) override {}
  void SetPreviewScrollRange(int) override {}
  void SetPreviewScrollPosition(int) override {}
  void ScrollPreviewLines(int) override {}
  void ResetPreviewScroll() override {}
  bool IsActive(LinkWindow) override { return false; }
  void Activate(LinkWindow) override {}
  void CloseImageWindows() override {}
  void DestroyDownloadWindow() override {}
  void SendCommand(LinkWindow, int) override {}
  void OpenWaitDialog(WaitDialogKind) override {}
  void SetWaitDialogText(const std::string&) override {}
  void CloseWaitDialog() override {}
  void OpenDisconnectDialog() override { ++disconnects; }
  void OpenReconnectDialog() override { ++reconnects; }
  bool AskCancelOk() override { return true; }
  void ShowHelp(int) override {}

  int disconnects = 0;
  int reconnects = 0;
};

// A Capture window's picture block.
class BenchTarget final : public DownloadTarget {
 public:
  explicit BenchTarget(std::size_t size) : picture_(size, 0) {}
  std::span<std::uint8_t> Picture() override { return picture_; }
  std::span<std::uint8_t> Palette() override { return {}; }

 private:
  std::vector<std::uint8_t> picture_;
};

class ProgramLink {
 public:
  // COM1 is `device`; COM2..COM4 name nothing. `pace`: the program's writes
  // take their line time.
  ProgramLink(const std::string& device, const std::string& scratchDir, bool pace);
  ~ProgramLink();

  // Starts the link set-up and runs until the picture list is complete.
  bool Connect(std::chrono::milliseconds timeout);
  // Downloads picture n into a new Capture window's block and runs until the
  // picture reached it; false when it did not within the timeout.
  // `beforeStart` runs once the window's block exists, just before the request.
  bool Download(int n, std::chrono::milliseconds timeout,
                const std::function<void()>& beforeStart = {});

  CameraLink& Link() { return assembly_->Link(); }
  PortLog& Log() { return log_; }
  int Messages() const { return static_cast<int>(messages_.shown); }
  const NullLinkUi& Ui() const { return ui_; }

 private:
  class CountingNotifier final : public Notifier {
   public:
    MessageAnswer Show(const std::string& text, const std::string&, MessageButtons buttons,
                       MessageIcon) override;
    std::size_t shown = 0;
  };

  PortLog log_;
  TimedOpener opener_;
  EventLoop loop_;
  CountingNotifier messages_;
  NullLinkUi ui_;
  std::unique_ptr<LinkAssembly> assembly_;
  std::unique_ptr<Timers> capture_;
};

}  // namespace lumarel::bench
