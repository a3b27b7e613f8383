// SPDX-License-Identifier: MIT
#include "shell/GuiLinkUi.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QScrollBar>

#include "shell/Frame.h"
#include "windows/ModalRunner.h"

namespace lumarel {

void GuiLinkUi::SetStatusText(const std::string& text) {
  frame_.SetStatusText(QString::fromStdString(text));
}

void GuiLinkUi::ShowProgress(bool visible) {
  frame_.Progress()->setVisible(visible);
  if (visible) frame_.Progress()->raise();
}

void GuiLinkUi::SetProgressRange(int maximum) { frame_.Progress()->setRange(0, maximum); }

void GuiLinkUi::SetProgressPosition(int position) { frame_.Progress()->setValue(position); }

void GuiLinkUi::EnableMenuItem(MenuOwner owner, int commandId, bool enabled) {
  switch (owner) {
    case MenuOwner::Frame: frame_.SetCurrentMenuItemEnabled(commandId, enabled); break;
    case MenuOwner::Preview: frame_.SetMenuItemEnabled(MenuKind::Preview, commandId, enabled); break;
    case MenuOwner::Openfile:
      frame_.SetMenuItemEnabled(MenuKind::Imagefile, commandId, enabled);
      break;
  }
}

void GuiLinkUi::EnableMdiClient(bool enabled) { frame_.EnableMdiClient(enabled); }

QWidget* GuiLinkUi::Window(LinkWindow window) const {
  switch (window) {
    case LinkWindow::Frame: return &frame_;
    case LinkWindow::Preview: return frame_.Preview();
    case LinkWindow::Live: return frame_.Live();
    case LinkWindow::ActiveChild: return frame_.ActiveChild();
  }
  return nullptr;
}

void GuiLinkUi::Repaint(LinkWindow window, std::optional<Rect> area) {
  QWidget* widget = Window(window);
  if (!widget) return;
  if (area) {
    widget->update(QRect(QPoint(area->left, area->top), QPoint(area->right - 1, area->bottom - 1)));
  } else {
    widget->update();
  }
}

void GuiLinkUi::SetPreviewScrollRange(int maximum) {
  if (PreviewWindow* preview = frame_.Preview()) preview->SetScrollRange(maximum);
}

void GuiLinkUi::SetPreviewScrollPosition(int position) {
  if (PreviewWindow* preview = frame_.Preview()) preview->VerticalBar()->setValue(position);
}

void GuiLinkUi::ScrollPreviewLines(int) {
  if (PreviewWindow* preview = frame_.Preview()) preview->update(0, 50, 580, 450);
}

void GuiLinkUi::ResetPreviewScroll() {
  if (PreviewWindow* preview = frame_.Preview()) preview->SetScrollRange(0);
}

bool GuiLinkUi::IsActive(LinkWindow window) {
  QWidget* widget = Window(window);
  return widget && (window == LinkWindow::Frame || widget == frame_.ActiveChild());
}

void GuiLinkUi::Activate(LinkWindow window) {
  if (auto* child = qobject_cast<ChildWindow*>(Window(window))) frame_.Activate(child);
}

void GuiLinkUi::CloseImageWindows() { frame_.CloseImageWindows(); }

void GuiLinkUi::DestroyDownloadWindow() {
  for (QMdiSubWindow* window : frame_.MdiClient()->subWindowList()) {
    auto* child = qobject_cast<ChildWindow*>(window->widget());
    if (child && child->Kind() == ChildKind::Capture && child == frame_.ActiveChild()) {
      delete window;
      break;
    }
  }
  if (PreviewWindow* preview = frame_.Preview()) preview->update();
}

void GuiLinkUi::SendCommand(LinkWindow window, int commandId) {
  if (window == LinkWindow::Frame) {
    frame_.Command(commandId);
  } else if (auto* child = qobject_cast<ChildWindow*>(Window(window))) {
    child->Command(commandId);
  }
}

void GuiLinkUi::OpenWaitDialog(WaitDialogKind kind) {
  if (wait_) return;
  wait_ = new WaitDialogWindow(kind == WaitDialogKind::DataTransfer
                                   ? WaitDialogWindow::Kind::DataTransfer
                                   : WaitDialogWindow::Kind::Erase,
                               &frame_);
  wait_->setAttribute(Qt::WA_DeleteOnClose);
  wait_->StopOwnBlinking();  // the link blinks it
  wait_->SetClosedByUser([this](int id) {
    if (waitClosed_) waitClosed_(id);
  });
  // Modal for the user, without a nested event loop: the link goes on receiving.
  wait_->setWindowModality(Qt::ApplicationModal);
  wait_->show();
}

void GuiLinkUi::SetWaitDialogText(const std::string& text) {
  if (wait_) wait_->SetBlinkText(QString::fromStdString(text));
}

void GuiLinkUi::CloseWaitDialog() {
  if (!wait_) return;
  WaitDialogWindow* dialog = wait_.data();
  wait_ = nullptr;
  dialog->Command(1);
  dialog->deleteLater();
}

void GuiLinkUi::OpenDisconnectDialog() {
  LinkLostDialog dialog(LinkLostDialog::Kind::Disconnected, {nullptr, nullptr, disconnectRoute_},
                        &frame_, frame_.Link().Port().problems);
  RunModal(dialog);
}

void GuiLinkUi::OpenReconnectDialog() {
  LinkLostDialog dialog(LinkLostDialog::Kind::Reconnect, {nullptr, nullptr, reconnectRoute_},
                        &frame_, frame_.Link().Port().problems);
  RunModal(dialog);
}

bool GuiLinkUi::AskCancelOk() {
  ComCancelOkDialog dialog(&frame_);
  return RunModal(dialog) == 1;
}

void GuiLinkUi::ShowHelp(int context) {
  frame_.OpenHelp(context == 1   ? HelpTopic::Context1
                  : context == 2 ? HelpTopic::Context2
                                 : HelpTopic::Contents);
}

}  // namespace lumarel
