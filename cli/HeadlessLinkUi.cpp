// SPDX-License-Identifier: MIT
#include "cli/HeadlessLinkUi.h"

namespace lumarel::cli {

void HeadlessLinkUi::SetStatusText(const std::string& text) {
  status_ = text;
  Touch();
}

void HeadlessLinkUi::ShowProgress(bool visible) {
  if (!visible) progress_.Clear();
  Touch();
}

void HeadlessLinkUi::SetProgressRange(int maximum) {
  progress_.SetRange(maximum);
  Touch();
}

void HeadlessLinkUi::SetProgressPosition(int position) {
  progress_.SetPosition(position);
  Touch();
}

void HeadlessLinkUi::EnableMenuItem(MenuOwner owner, int commandId, bool enabled) {
  menu_[{owner, commandId}] = enabled;
  Touch();
}

std::optional<bool> HeadlessLinkUi::MenuItem(MenuOwner owner, int commandId) const {
  const auto it = menu_.find({owner, commandId});
  if (it == menu_.end()) return std::nullopt;
  return it->second;
}

void HeadlessLinkUi::Repaint(LinkWindow window, std::optional<Rect> area) {
  if (window == LinkWindow::ActiveChild) ++activeChildRepaints_;
  if (window == LinkWindow::Live) {
    ++liveRepaints_;
    if (area) ++liveAreas_[{area->left, area->top, area->right, area->bottom}];
  }
  Touch();
}

void HeadlessLinkUi::SetPreviewScrollRange(int maximum) {
  ++previewRefreshes_;
  Touch();
}

void HeadlessLinkUi::SendCommand(LinkWindow window, int commandId) {
  Touch();
  if (commandHandler_) commandHandler_(window, commandId);
}

void HeadlessLinkUi::OpenWaitDialog(WaitDialogKind kind) {
  waitDialogOpen_ = true;
  Touch();
}

void HeadlessLinkUi::CloseWaitDialog() {
  waitDialogOpen_ = false;
  ++waitDialogsClosed_;
  Touch();
}

void HeadlessLinkUi::OpenDisconnectDialog() { ++disconnectDialogs_; }

void HeadlessLinkUi::OpenReconnectDialog() { ++reconnectDialogs_; }

}  // namespace lumarel::cli

namespace lumarel::cli {

int HeadlessLinkUi::LiveRepaintsOf(const Rect& area) const {
  const auto it = liveAreas_.find({area.left, area.top, area.right, area.bottom});
  return it == liveAreas_.end() ? 0 : it->second;
}

}  // namespace lumarel::cli
