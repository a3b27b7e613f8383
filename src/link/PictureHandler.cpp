// SPDX-License-Identifier: MIT
#include "link/PictureHandler.h"

#include <algorithm>

#include "link/LinkTexts.h"

namespace lumarel {

PictureHandler::PictureHandler(CameraLink& link, DownloadTakeOver& takeOver)
    : link_(link), takeOver_(takeOver) {}

void PictureHandler::Reset() {
  jpegSize_ = 0;
  recoveries_ = 0;
  gaveUp_ = false;
}

void PictureHandler::Handle(const CameraPacket& packet) {
  LinkState& s = link_.State();
  s.awaitingPacket = false;
  if (s.downloadActive) gaveUp_ = false;
  if (IsStatusPacket(packet)) {
    HandleStatus(packet);
    return;
  }
  // A packet past the announced count (the counter is set one past it when the
  // Capture window goes away) is bad even if its sequence byte happens to match.
  const bool beyondItem = s.picturePacketCounter > 0 && s.picturePacketCounter > s.packetsInItem;
  if (beyondItem || !IsGoodDataPacket(packet, s.picturePacketCounter)) {
    Reject();
    return;
  }
  if (s.picturePacketCounter == 0) {
    if (!TakeHeader(packet)) return;
  } else {
    Append(packet);
  }
  link_.Ui().SetProgressPosition(s.picturePacketCounter);
  ++s.picturePacketCounter;
  s.badPacketCount = 0;
  recoveries_ = 0;
  if (s.picturePacketCounter <= s.packetsInItem) {
    link_.WriteCommand(CmdAck);
    return;
  }
  Complete();
}

void PictureHandler::HandleStatus(const CameraPacket& packet) {
  LinkState& s = link_.State();
  switch (StatusCode(packet)) {
    case StatusCardReport: s.writeProtected = packet[7] == 1; return;
    case StatusBusy: return;
    case StatusAccepted: {
      if (s.digitStep == 4 || s.digitStep == 5) return;
      const DigitAction step = DownloadSequenceStep(s.digitStep, s.currentPictureNumber);
      if (!step.valid) break;
      link_.WriteCommand(step.command);
      s.lastCommandByte = step.command;
      s.digitStep = step.nextStep;
      return;
    }
    default: break;
  }
  Reject();
}

void PictureHandler::Reject() {
  LinkState& s = link_.State();
  if (gaveUp_ && !s.downloadActive) return;
  if (s.downloadActive && s.badPacketCount >= kMaxBadPackets &&
      recoveries_ + 1 >= kMaxDownloadRecoveries) {
    // The camera refuses whatever it is asked for this picture: each refusal
    // is answered and keeps the watchdog content, so without this the
    // download would never end.
    recoveries_ = 0;
    gaveUp_ = true;
    s.badPacketCount = 0;
    s.picturePacketCounter = 0;
    s.downloadActive = false;
    EmptyBuffer();
    takeOver_.Abandon(text::kCameraRefused);
    return;
  }
  bool recovered = false;
  link_.WriteCommand(AnswerBadPacket(s.badPacketCount, s.lastCommandByte, recovered));
  if (!recovered) return;
  ++recoveries_;
  s.picturePacketCounter = 0;
  EmptyBuffer();
}

bool PictureHandler::TakeHeader(const CameraPacket& packet) {
  LinkState& s = link_.State();
  const ItemHeader header = ParseItemHeader(packet);
  const std::uint32_t packets = PacketsInItem(header.size);
  if (packets > kPictureBufferSize / kPayloadSize) {
    // More JPEG data than the picture buffer holds: nothing is collected.
    s.picturePacketCounter = 0;
    s.downloadActive = false;
    takeOver_.Abandon(text::kFileSizeWrong);
    return false;
  }
  jpegSize_ = header.size;
  s.packetsInItem = static_cast<std::uint16_t>(packets);
  s.pictureDataOffset = 0;
  LinkUi& ui = link_.Ui();
  ui.ShowProgress(true);
  ui.SetProgressPosition(0);
  ui.SetProgressRange(static_cast<int>(packets));
  link_.Pictures().freeCapacity = {header.freeFine, header.freeNormal};
  return true;
}

void PictureHandler::Append(const CameraPacket& packet) {
  LinkState& s = link_.State();
  auto& buffer = link_.PictureBuffer();
  if (s.pictureDataOffset > buffer.size() || buffer.size() - s.pictureDataOffset < kPayloadSize) {
    return;  // excluded by the header check; never write past the buffer
  }
  std::copy_n(Payload(packet), kPayloadSize, buffer.begin() + s.pictureDataOffset);
  s.pictureDataOffset += kPayloadSize;
}

void PictureHandler::Complete() {
  LinkState& s = link_.State();
  const std::uint32_t size = std::min(jpegSize_, s.pictureDataOffset);
  if (!s.downloadActive) {
    // The Capture window has gone: the picture is dropped.
    link_.Ui().SetStatusText(text::kReady);
    link_.Ui().ShowProgress(false);
    s.picturePacketCounter = 0;
    EmptyBuffer();
    return;
  }
  takeOver_.Run(size);
  s.pictureDataOffset = 0;
}

void PictureHandler::EmptyBuffer() {
  LinkState& s = link_.State();
  auto& buffer = link_.PictureBuffer();
  const std::size_t used = std::min<std::size_t>(s.pictureDataOffset, buffer.size());
  std::fill_n(buffer.begin(), used, std::uint8_t{0});
  s.pictureDataOffset = 0;
}

}  // namespace lumarel
