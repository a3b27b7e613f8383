// SPDX-License-Identifier: MIT
// The camera link's view of the windows, carried out on the frame and its
// children: status and progress bars, menu items, the MDI client, repaints,
// the Preview window's scroll bar, activation, commands, the wait dialogs and
// the link dialogs.
#pragma once

#include <QPointer>
#include <functional>

#include "link/LinkUi.h"
#include "shell/LinkDialogs.h"

namespace lumarel {

class ChildWindow;
class Frame;

class GuiLinkUi final : public LinkUi {
 public:
  // Buttons of COM_DISCONNECT / COM_RECONNECT go to these; true closes the dialog.
  using DialogRoute = std::function<bool(int id)>;

  explicit GuiLinkUi(Frame& frame) : frame_(frame) {}

  void SetDisconnectRoute(DialogRoute route) { disconnectRoute_ = std::move(route); }
  void SetReconnectRoute(DialogRoute route) { reconnectRoute_ = std::move(route); }
  // The user closed the wait dialog (Enter or Esc) with command 1 or 2.
  void SetWaitDialogClosedByUser(std::function<void(int)> handler) {
    waitClosed_ = std::move(handler);
  }
  WaitDialogWindow* CurrentWaitDialog() const { return wait_.data(); }

  void SetStatusText(const std::string& text) override;
  void ShowProgress(bool visible) override;
  void SetProgressRange(int maximum) override;
  void SetProgressPosition(int position) override;
  void EnableMenuItem(MenuOwner owner, int commandId, bool enabled) override;
  void EnableMdiClient(bool enabled) override;
  void Repaint(LinkWindow window, std::optional<Rect> area) override;
  void SetPreviewScrollRange(int maximum) override;
  void SetPreviewScrollPosition(int position) override;
  void ScrollPreviewLines(int lines) override;
  void ResetPreviewScroll() override;
  bool IsActive(LinkWindow window) override;
  void Activate(LinkWindow window) override;
  void CloseImageWindows() override;
  void DestroyDownloadWindow() override;
  void SendCommand(LinkWindow window, int commandId) override;
  void OpenWaitDialog(WaitDialogKind kind) override;
  void SetWaitDialogText(const std::string& text) override;
  void CloseWaitDialog() override;
  void OpenDisconnectDialog() override;
  void OpenReconnectDialog() override;
  bool AskCancelOk() override;
  void ShowHelp(int context) override;

 private:
  QWidget* Window(LinkWindow window) const;

  Frame& frame_;
  QPointer<WaitDialogWindow> wait_;
  DialogRoute disconnectRoute_;
  DialogRoute reconnectRoute_;
  std::function<void(int)> waitClosed_;
};

}  // namespace lumarel
