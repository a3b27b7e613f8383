// SPDX-License-Identifier: MIT
#include "link/WaitDialog.h"

#include "link/LinkTexts.h"

namespace lumarel {

WaitDialog::WaitDialog(WaitDialogKind kind, LinkUi& ui, Timers& timers)
    : kind_(kind), ui_(ui), timers_(timers) {}

std::string WaitDialog::Text() const {
  if (kind_ == WaitDialogKind::DataTransfer) {
    return showingWait_ ? text::kPleaseWait : text::kThirteenBlanks;
  }
  return showingWait_ ? text::kPleaseWaitErase : "";
}

void WaitDialog::Open() {
  showingWait_ = true;
  timers_.Start(kWaitDialogBlinkTimerId, kWaitDialogBlinkMs);
  ui_.OpenWaitDialog(kind_);
}

void WaitDialog::Blink() {
  timers_.Stop(kWaitDialogBlinkTimerId);
  showingWait_ = !showingWait_;
  ui_.SetWaitDialogText(Text());
  timers_.Start(kWaitDialogBlinkTimerId, kWaitDialogBlinkMs);
}

void WaitDialog::Close() {
  timers_.Stop(kWaitDialogBlinkTimerId);
  ui_.CloseWaitDialog();
}

}  // namespace lumarel
