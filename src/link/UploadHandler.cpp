// SPDX-License-Identifier: MIT
#include "link/UploadHandler.h"

#include <algorithm>

#include "link/DeleteOps.h"
#include "link/IndexHandler.h"
#include "link/LinkTexts.h"
#include "link/LinkWatchdog.h"
#include "link/UploadPackets.h"

namespace lumarel {

namespace {
inline constexpr int kUploadWatchMs = 1500;
inline constexpr char kMemoryFull[] = "The Vidmarelle's memory is full.";
}  // namespace

UploadHandler::UploadHandler(CameraLink& link, const TransferServices& services)
    : link_(link), services_(services) {}

void UploadHandler::Reset() {
  running_ = false;
  pictureHeaderMade_ = false;
}

bool UploadHandler::Start(const UploadRequest& r, Timers& openfileTimers) {
  LinkState& s = link_.State();
  PictureList& list = link_.Pictures();
  if (s.writeProtected) {
    link_.Messages().Show(kWriteProtected, text::kWarning, MessageButtons::Ok,
                          MessageIcon::Exclamation);
    return false;
  }
  if (list.receivedEntries >= kMaxPictures || r.picture.size() > link_.PictureBuffer().size() ||
      r.preview.size() > link_.PreviewBuffer().size()) {
    link_.Messages().Show(text::kFileSizeWrong, text::kError, MessageButtons::Ok,
                          MessageIcon::Exclamation);
    return false;
  }
  std::copy(r.picture.begin(), r.picture.end(), link_.PictureBuffer().begin());
  std::copy(r.preview.begin(), r.preview.end(), link_.PreviewBuffer().begin());
  s.uploadPictureSize = static_cast<std::uint32_t>(r.picture.size());
  s.uploadPreviewSize = static_cast<std::uint32_t>(r.preview.size());
  s.uploadFine = r.fine;

  preparedEntry_ = list.receivedEntries;
  list.entries[preparedEntry_] = r.entry;
  if (std::uint8_t* slot = list.store.Slot(preparedEntry_)) {
    std::copy_n(r.previewSlot.begin(), std::min(r.previewSlot.size(), kPreviewSlotSize), slot);
  }

  link_.Ui().SetStatusText(text::kSendImage);
  s.responseKind = ResponseKind::UploadReply;
  link_.SetExpectedLength(1);
  s.picturePacketCounter = 0;
  s.pictureDataOffset = 0;
  s.uploadPreviewPhase = false;
  if (!r.fine) {
    FreeCapacity& free = list.freeCapacity;
    free.fine = static_cast<std::uint16_t>(free.fine > 0 ? free.fine - 1 : 0);
    free.normal = static_cast<std::uint16_t>(free.normal > 2 ? free.normal - 2 : 0);
  }
  running_ = true;
  replySinceTick_ = false;
  naksInRow_ = 0;
  pictureHeaderMade_ = false;
  timers_ = &openfileTimers;
  link_.WriteCommand(r.fine ? CmdUploadFine : CmdUploadNormal);
  timers_->Start(kWatchdogTimerId, kUploadWatchMs);
  s.awaitingPacket = false;
  s.packetsInItem = 0;
  link_.OpenWaitDialog(WaitDialogKind::DataTransfer);
  return true;
}

void UploadHandler::Handle(const CameraPacket& packet) {
  LinkState& s = link_.State();
  if (!running_) return;
  replySinceTick_ = true;
  if (s.picturePacketCounter != 0) s.awaitingPacket = false;
  switch (packet[0]) {
    case ReplySendHeader: naksInRow_ = 0; SendHeaderReply(); return;
    case ReplyAck:
      naksInRow_ = 0;
      ++s.picturePacketCounter;
      SendCurrent();
      return;
    case ReplyNak:
      // A camera that refuses every packet would otherwise be sent the same
      // packet for ever (each refusal also satisfies the watchdog).
      if (++naksInRow_ >= kMaxUploadNaks) {
        Fail(text::kCameraRefused);
        return;
      }
      SendCurrent();
      return;
    case ReplySendPreview: SendPreviewHeader(); return;
    case ReplyUploadDone: Done(); return;
    case ReplyMemoryFull: MemoryFull(); return;
    default: return;
  }
}

void UploadHandler::SendHeaderReply() {
  LinkState& s = link_.State();
  s.packetsInItem = static_cast<std::uint16_t>(PacketsInItem(s.uploadPictureSize));
  if (!pictureHeaderMade_) {
    const LocalTime now = services_.clock ? services_.clock->Now() : LocalTime{1900, 1, 1};
    pictureHeader_ = UploadPictureHeader(s.uploadFine, s.uploadPictureSize, now);
    pictureHeaderMade_ = true;
  }
  link_.WritePacket(pictureHeader_);
  LinkUi& ui = link_.Ui();
  ui.ShowProgress(true);
  ui.SetProgressPosition(0);
  ui.SetProgressRange(s.packetsInItem);
}

void UploadHandler::SendCurrent() {
  LinkState& s = link_.State();
  const std::uint16_t k = s.picturePacketCounter;
  if (k > s.packetsInItem) {
    // The camera asks for more than the item holds: nothing past the data is sent.
    Fail(text::kFileSizeWrong);
    return;
  }
  if (!s.uploadPreviewPhase) {
    if (k == 0) {
      if (!pictureHeaderMade_) {
        SendHeaderReply();
        return;
      }
      link_.WritePacket(pictureHeader_);
    } else {
      link_.WritePacket(UploadDataPacket(
          std::span<const std::uint8_t>(link_.PictureBuffer().data(), s.uploadPictureSize), k));
    }
    link_.Ui().SetProgressPosition(k);
    return;
  }
  if (k == 0) {
    link_.WritePacket(UploadPreviewHeader(s.uploadFine, s.uploadPreviewSize));
  } else {
    link_.WritePacket(UploadDataPacket(
        std::span<const std::uint8_t>(link_.PreviewBuffer().data(), s.uploadPreviewSize), k));
  }
}

void UploadHandler::SendPreviewHeader() {
  LinkState& s = link_.State();
  s.uploadPreviewPhase = true;
  s.picturePacketCounter = 0;
  s.pictureDataOffset = 0;
  s.packetsInItem = static_cast<std::uint16_t>(PacketsInItem(s.uploadPreviewSize));
  link_.WritePacket(UploadPreviewHeader(s.uploadFine, s.uploadPreviewSize));
}

void UploadHandler::Finish() {
  LinkState& s = link_.State();
  running_ = false;
  pictureHeaderMade_ = false;
  s.picturePacketCounter = 0;
  s.pictureDataOffset = 0;
  s.uploadPreviewPhase = false;
  s.responseKind = ResponseKind::Picture;
  link_.SetExpectedLength(kPacketSize);
  if (timers_ != nullptr) timers_->Stop(kWatchdogTimerId);
}

void UploadHandler::Done() {
  PictureList& list = link_.Pictures();
  LinkUi& ui = link_.Ui();
  Finish();
  if (list.pictureCount == 0) ui.EnableMenuItem(MenuOwner::Preview, menu::kDeleteAll, true);
  ++list.pictureCount;
  ui.SetStatusText(text::kReady);
  ui.ShowProgress(false);
  link_.CloseWaitDialog();
  list.receivedEntries = static_cast<std::uint16_t>(preparedEntry_ + 1);
  link_.Index().NotifyPreviewWindow(list.receivedEntries);
  link_.FinishOperation(Operation::Upload, LinkOutcome::Of(OutcomeKind::Done));
}

void UploadHandler::DiscardPreparedEntry() {
  PictureList& list = link_.Pictures();
  if (std::uint8_t* slot = list.store.Slot(preparedEntry_)) {
    std::fill_n(slot + kInfoHeaderSize, kPreviewSlotSize - kInfoHeaderSize, kEmptySlotFill);
  }
  list.entries[preparedEntry_].label = Label{};
}

void UploadHandler::MemoryFull() {
  Finish();
  DiscardPreparedEntry();
  link_.Ui().SetStatusText(text::kReady);
  link_.Ui().ShowProgress(false);
  link_.CloseWaitDialog();
  link_.Messages().Show(kMemoryFull, text::kVidmarelleInfo, MessageButtons::Ok,
                        MessageIcon::Exclamation);
  link_.FinishOperation(Operation::Upload, LinkOutcome::Of(OutcomeKind::MemoryFull));
}

void UploadHandler::Fail(const char* message) {
  Finish();
  DiscardPreparedEntry();
  link_.Ui().SetStatusText(text::kReady);
  link_.Ui().ShowProgress(false);
  link_.CloseWaitDialog();
  if (message != nullptr) {
    link_.Messages().Show(message, text::kError, MessageButtons::Ok, MessageIcon::Exclamation);
    link_.FinishOperation(Operation::Upload, LinkOutcome::Bad(-1, message));
  }
}

// Every 1500 ms while the upload runs: a camera that has sent nothing since the
// last tick (or, as a counter past the header shows, stopped in the data)
// ends the upload and opens COM_DISCONNECT. No CmdNak goes this way.
void UploadHandler::OnOpenfileTimer(int id) {
  if (id != kWatchdogTimerId || timers_ == nullptr) return;
  timers_->Stop(kWatchdogTimerId);
  if (!running_) return;
  LinkState& s = link_.State();
  const bool silent = !replySinceTick_;
  replySinceTick_ = false;
  if (silent || (s.awaitingPacket && (s.packetsInItem == 0 || s.picturePacketCounter > 1))) {
    // The upload ends as camera silent (through the disconnect dialog), never as done.
    Fail(nullptr);
    link_.OpenDisconnectDialog();
    return;
  }
  timers_->Start(kWatchdogTimerId, kUploadWatchMs);
  if (s.picturePacketCounter != 0) s.awaitingPacket = true;
}

}  // namespace lumarel
