// SPDX-License-Identifier: MIT
// LinkUi without windows. The link's status text, menus, repaints and scroll
// bars have nothing to show and are only noted; the progress bar feeds the
// terminal progress line; the wait dialogs, COM_DISCONNECT and COM_RECONNECT
// are only counted (nobody is there to press Reconnect): the operation that
// ran into them has already ended with its outcome.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <utility>

#include "cli/Progress.h"
#include "link/LinkUi.h"

namespace lumarel::cli {

class HeadlessLinkUi final : public LinkUi {
 public:
  explicit HeadlessLinkUi(Progress& progress) : progress_(progress) {}

  void SetStatusText(const std::string& text) override;
  void ShowProgress(bool visible) override;
  void SetProgressRange(int maximum) override;
  void SetProgressPosition(int position) override;
  void EnableMenuItem(MenuOwner owner, int commandId, bool enabled) override;
  void EnableMdiClient(bool enabled) override { Touch(); }
  void Repaint(LinkWindow window, std::optional<Rect> area) override;
  void SetPreviewScrollRange(int maximum) override;
  void SetPreviewScrollPosition(int position) override { Touch(); }
  void ScrollPreviewLines(int lines) override { Touch(); }
  void ResetPreviewScroll() override { Touch(); }
  bool IsActive(LinkWindow window) override { return window == active_; }
  void Activate(LinkWindow window) override { active_ = window; }
  void CloseImageWindows() override { Touch(); }
  void DestroyDownloadWindow() override { ++destroyedDownloads_; }
  void SendCommand(LinkWindow window, int commandId) override;
  void OpenWaitDialog(WaitDialogKind kind) override;
  void SetWaitDialogText(const std::string& text) override {}
  void CloseWaitDialog() override;
  void OpenDisconnectDialog() override;
  void OpenReconnectDialog() override;
  bool AskCancelOk() override { return true; }
  void ShowHelp(int context) override {}

  int DisconnectDialogs() const { return disconnectDialogs_; }
  int ReconnectDialogs() const { return reconnectDialogs_; }
  const std::string& StatusText() const { return status_; }
  bool WaitDialogOpen() const { return waitDialogOpen_; }
  int WaitDialogsClosed() const { return waitDialogsClosed_; }
  int PreviewRefreshes() const { return previewRefreshes_; }
  int ActiveChildRepaints() const { return activeChildRepaints_; }
  int LiveRepaints() const { return liveRepaints_; }
  // Repaints of one area of the Live window (e.g. the live frame's).
  int LiveRepaintsOf(const Rect& area) const;
  // The state last set for a menu item; nothing when it was never set.
  std::optional<bool> MenuItem(MenuOwner owner, int commandId) const;
  // When the link last did anything visible (for the no-progress time-out).
  std::chrono::steady_clock::time_point LastActivity() const { return lastActivity_; }

  // Commands the link sends to windows (e.g. the next download, Save As).
  void SetCommandHandler(std::function<void(LinkWindow, int)> handler) {
    commandHandler_ = std::move(handler);
  }

 private:
  void Touch() { lastActivity_ = std::chrono::steady_clock::now(); }

  Progress& progress_;
  std::string status_;
  LinkWindow active_ = LinkWindow::Preview;
  int disconnectDialogs_ = 0;
  int reconnectDialogs_ = 0;
  bool waitDialogOpen_ = false;
  int waitDialogsClosed_ = 0;
  int previewRefreshes_ = 0;
  int activeChildRepaints_ = 0;
  int liveRepaints_ = 0;
  std::map<std::tuple<int, int, int, int>, int> liveAreas_;
  int destroyedDownloads_ = 0;
  std::map<std::pair<MenuOwner, int>, bool> menu_;
  std::function<void(LinkWindow, int)> commandHandler_;
  std::chrono::steady_clock::time_point lastActivity_ = std::chrono::steady_clock::now();
};

}  // namespace lumarel::cli
