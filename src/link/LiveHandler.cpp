// SPDX-License-Identifier: MIT
#include "link/LiveHandler.h"

namespace lumarel {

namespace {
inline constexpr int kBusyPressMs = 100;
inline constexpr int kFrameRetryMs = 200;
}  // namespace

bool HandleLiveStatus(CameraLink& link, Timers* liveTimers, const CameraPacket& packet) {
  switch (StatusCode(packet)) {
    case StatusCardReport: link.State().writeProtected = packet[7] == 1; return true;
    case StatusBusy:
      if (liveTimers != nullptr) liveTimers->Start(live_timer::kBusyPress, kBusyPressMs);
      return true;
    default: return false;
  }
}

LiveHandler::LiveHandler(CameraLink& link, const TransferServices& services)
    : link_(link), services_(services) {}

void LiveHandler::Reset() {
  decoder_.lineOffset = 0;
  frameExpected_ = false;
}

void LiveHandler::Handle(const CameraPacket& packet) {
  LinkState& s = link_.State();
  s.awaitingPacket = false;
  s.frameRequested = false;
  if (IsStatusPacket(packet)) {
    if (!HandleLiveStatus(link_, services_.liveTimers, packet)) Reject();
    return;
  }
  if (s.indexPacketCounter >= kLivePacketsPerFrame ||
      !IsGoodDataPacket(packet, s.indexPacketCounter)) {
    Reject();
    return;
  }
  const int k = s.indexPacketCounter;
  decoder_.lineOffset = static_cast<std::int32_t>(s.liveLineOffset);
  DecodeLivePacket(packet, k, decoder_, services_.liveFrame);
  s.liveLineOffset = static_cast<std::uint32_t>(decoder_.lineOffset);
  ++s.indexPacketCounter;
  ++counted_;
  s.badPacketCount = 0;
  frameExpected_ = k < kLivePacketsPerFrame - 1;
  if (k < kLivePacketsPerFrame - 1) {
    if (s.liveActive) link_.WriteCommand(CmdAck);
    return;
  }
  s.indexPacketCounter = 0;
  s.liveLineOffset = 0;
  link_.Ui().Repaint(LinkWindow::Live, kLiveFrameArea);
  link_.FinishOperation(Operation::LiveFrame, LinkOutcome::Of(OutcomeKind::Done));
}

void LiveHandler::Reject() {
  LinkState& s = link_.State();
  bool recovered = false;
  const std::uint8_t answer = AnswerBadPacket(
      s.badPacketCount, RecoveryByte(TransferKind::LiveFrame, 0, s.liveActive), recovered);
  if (!recovered) {
    if (s.liveActive) link_.WriteCommand(answer);
    return;
  }
  link_.WriteCommand(answer);
  s.indexPacketCounter = 0;
  s.liveLineOffset = 0;
  frameExpected_ = false;
  countedAtRecovery_ = counted_;
  if (services_.liveTimers != nullptr) {
    services_.liveTimers->Start(live_timer::kFrameRetry, kFrameRetryMs);
  }
}

}  // namespace lumarel
