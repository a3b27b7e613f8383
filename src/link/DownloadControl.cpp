// SPDX-License-Identifier: MIT
#include "link/DownloadControl.h"

#include "link/LinkTexts.h"
#include "link/PictureHandler.h"

namespace lumarel {

DownloadControl::DownloadControl(CameraLink& link, const TransferServices& services)
    : link_(link), takeOver_(link, services) {
  link_.SetHandler(ResponseKind::Picture, std::make_unique<PictureHandler>(link_, takeOver_));
}

int DownloadControl::ChooseNext() {
  PictureList& list = link_.Pictures();
  if (list.selectedCount < 2) {
    return list.currentPicture >= 0 && list.currentPicture < list.receivedEntries
               ? list.currentPicture
               : -1;
  }
  if (list.downloadsPending == 0) {
    list.downloadsPending = list.selectedCount;
    list.currentPicture = -1;
  }
  for (int i = list.currentPicture + 1; i < kMaxPictures; ++i) {
    if (list.entries[i].selectionMark == 1) {
      --list.downloadsPending;
      list.currentPicture = static_cast<std::int16_t>(i);
      return i;
    }
  }
  list.downloadsPending = 0;  // fewer marks than counted: the chain ends
  return -1;
}

void DownloadControl::CaptureWindowCreated(DownloadTarget& target, Timers& windowTimers) {
  LinkState& s = link_.State();
  if (watchdog_) watchdog_->Stop();
  takeOver_.SetTarget(&target);
  s.downloadActive = true;
  s.awaitingPacket = false;
  watchdog_ = std::make_unique<LinkWatchdog>(
      link_, windowTimers, kCaptureWatchdog,
      LinkWatchdog::Hooks{[this] { return link_.State().downloadActive; }, {}, {}});
  watchdog_->Arm();
}

bool DownloadControl::Start(int n) {
  LinkState& s = link_.State();
  if (n < 0 || n >= link_.Pictures().receivedEntries) return false;
  s.currentPictureNumber = static_cast<std::uint16_t>(n);
  s.digitStep = 3;
  s.responseKind = ResponseKind::Picture;
  s.lastCommandByte = CmdDigitOnes(n % 10);
  link_.WriteCommand(s.lastCommandByte);
  link_.Ui().SetStatusText(text::kReceiveImage);
  if (!link_.WaitDialogOpen()) link_.OpenWaitDialog(WaitDialogKind::DataTransfer);
  return true;
}

void DownloadControl::CaptureWindowDestroyed(DownloadTarget& target) {
  if (takeOver_.Target() != &target) return;
  LinkState& s = link_.State();
  PictureList& list = link_.Pictures();
  if (s.downloadActive) {
    s.picturePacketCounter = static_cast<std::uint16_t>(s.packetsInItem + 1);
    s.downloadActive = false;
    list.selectedCount = 0;
    list.downloadsPending = 0;
    list.currentPicture = kNoPicture;
    LinkUi& ui = link_.Ui();
    ui.ShowProgress(false);
    ui.EnableMenuItem(MenuOwner::Frame, menu::kDataIn, false);
    ui.EnableMenuItem(MenuOwner::Frame, menu::kDeletePage, false);
    link_.FinishOperation(Operation::Download, LinkOutcome::Of(OutcomeKind::Cancelled));
  }
  takeOver_.SetTarget(nullptr);
  if (watchdog_) watchdog_->Stop();
  watchdog_.reset();
}

void DownloadControl::OnCaptureTimer(int id) {
  if (id == kWatchdogTimerId && watchdog_) watchdog_->Tick();
}

}  // namespace lumarel
