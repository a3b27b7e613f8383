// SPDX-License-Identifier: MIT
#include "link/ZoomHandler.h"

#include "link/LinkTexts.h"

namespace lumarel {

namespace {
inline constexpr int kRepaintEvery = 36;
inline constexpr std::uint32_t kZoomRowBytes = 640 * 3;
}  // namespace

ZoomHandler::ZoomHandler(CameraLink& link, const TransferServices& services, LiveFaces& faces)
    : link_(link), services_(services), faces_(faces) {}

void ZoomHandler::Handle(const CameraPacket& packet) {
  LinkState& s = link_.State();
  s.awaitingPacket = false;
  if (IsStatusPacket(packet)) {
    if (!HandleLiveStatus(link_, services_.liveTimers, packet)) Reject();
    return;
  }
  if (s.indexPacketCounter >= kZoomPacketsPerPicture ||
      !IsGoodDataPacket(packet, s.indexPacketCounter)) {
    Reject();
    return;
  }
  const int k = s.indexPacketCounter;
  DecodeZoomPacket(packet, k, decoder_, services_.livePhoto);
  if (k % kZoomPacketsPerLine == kZoomPacketsPerLine - 1) {
    s.zoomLineOffset = static_cast<std::uint32_t>(k / kZoomPacketsPerLine + 1) * 2 * kZoomRowBytes;
  }
  ++s.indexPacketCounter;
  s.badPacketCount = 0;
  if ((k + 1) % kRepaintEvery == 0) link_.Ui().Repaint(LinkWindow::Live, kLivePhotoArea);
  if (k < kZoomPacketsPerPicture - 1) {
    if (s.zoomActive) link_.WriteCommand(CmdAck);
    return;
  }
  Complete();
}

void ZoomHandler::Complete() {
  LinkState& s = link_.State();
  LinkUi& ui = link_.Ui();
  s.indexPacketCounter = 0;
  s.zoomLineOffset = 0;
  s.zoomActive = false;
  faces_.zoom = face::kCapture;
  ui.Repaint(LinkWindow::Live, Rect{200, 85, 300, 115});  // the zoom button's new face
  ui.SetStatusText(text::kReady);
  ui.EnableMenuItem(MenuOwner::Frame, menu::kLivePhotoZoom, true);
  ui.EnableMenuItem(MenuOwner::Frame, menu::kSaveAs, true);
  link_.FinishOperation(Operation::ZoomStill, LinkOutcome::Of(OutcomeKind::Done));
}

void ZoomHandler::Reject() {
  LinkState& s = link_.State();
  bool recovered = false;
  const std::uint8_t answer = AnswerBadPacket(s.badPacketCount, CmdCancel, recovered);
  if (!recovered) {
    if (s.zoomActive) link_.WriteCommand(answer);
    return;
  }
  link_.WriteCommand(answer);
  s.indexPacketCounter = 0;
  s.zoomLineOffset = 0;
}

}  // namespace lumarel
