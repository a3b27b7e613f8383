// SPDX-License-Identifier: MIT
#include "link/LiveButtons.h"

#include <algorithm>

#include "link/LinkTexts.h"
#include "link/ZoomHandler.h"

namespace lumarel {

namespace {
inline constexpr int kLivePressMs = 200;
inline constexpr int kBusyReleaseMs = 200;
}  // namespace

LiveControl::LiveControl(CameraLink& link, const TransferServices& services)
    : link_(link), services_(services) {
  auto live = std::make_unique<LiveHandler>(link_, services_);
  liveHandler_ = live.get();
  link_.SetHandler(ResponseKind::LiveFrame, std::move(live));
  link_.SetHandler(ResponseKind::ZoomPicture,
                   std::make_unique<ZoomHandler>(link_, services_, faces_));
  if (services_.liveTimers != nullptr) {
    LinkWatchdog::Hooks hooks;
    hooks.transferActive = [this] { return link_.State().liveActive || link_.State().zoomActive; };
    hooks.requestOutstanding = [this] { return link_.State().frameRequested; };
    hooks.beforeDisconnect = [this] {
      if (link_.State().liveActive) LiveOff();
      link_.Ui().Activate(LinkWindow::Preview);
      link_.Ui().EnableMdiClient(false);
    };
    watchdog_ = std::make_unique<LinkWatchdog>(link_, *services_.liveTimers, kLiveWatchdog, hooks);
  }
}

void LiveControl::LiveButtonNotified(bool selected, bool selectionChanged) {
  LinkState& s = link_.State();
  if (s.frameRequested) {
    if (services_.liveTimers != nullptr) {
      services_.liveTimers->Start(live_timer::kLivePress, kLivePressMs);
    }
    return;
  }
  if (!selected || !selectionChanged || s.linkPhase != LinkPhase::Connected || faces_.zoom == face::kCancel) return;
  if (faces_.live == face::kLiveOff) {
    LiveOn();
  } else {
    LiveOff();
  }
}

void LiveControl::LiveOn() {
  LinkState& s = link_.State();
  s.responseKind = ResponseKind::LiveFrame;
  s.indexPacketCounter = 0;
  s.liveLineOffset = 0;
  link_.WriteCommand(CmdLiveFrame);
  liveHandler_->FrameAsked();
  s.liveActive = true;
  if (watchdog_) watchdog_->Arm();
  link_.Ui().SetStatusText(text::kReceiveLive);
  s.awaitingPacket = true;
  faces_.live = face::kLiveOn;
}

void LiveControl::LiveOff() {
  LinkState& s = link_.State();
  s.indexPacketCounter = 0;
  s.liveLineOffset = 0;
  link_.WriteCommand(CmdLiveStop);
  s.liveActive = false;
  s.frameRequested = false;  // a press of the live button starts afresh
  link_.Ui().SetStatusText(text::kReady);
  faces_.live = face::kLiveOff;
}

void LiveControl::ZoomButtonNotified(bool /*selected*/, bool selectionChanged) {
  LinkState& s = link_.State();
  if (services_.liveTimers != nullptr) services_.liveTimers->Stop(live_timer::kLivePress);
  s.frameRequested = false;
  if (!selectionChanged || s.linkPhase != LinkPhase::Connected) return;
  switch (faces_.zoom) {
    case face::kCapture:
      link_.WriteCommand(CmdLiveStop);
      s.liveActive = false;
      s.indexPacketCounter = 0;
      s.liveLineOffset = 0;
      faces_.zoom = face::kCapturePressed;
      break;
    case face::kCapturePressed:
      link_.PurgePort();
      link_.DiscardPartialResponse();
      s.responseKind = ResponseKind::ZoomPicture;
      s.indexPacketCounter = 0;
      s.zoomLineOffset = 0;
      s.badPacketCount = 0;
      link_.WriteCommand(CmdZoomCapture);
      s.zoomActive = true;
      if (watchdog_) watchdog_->Arm();
      link_.Ui().SetStatusText(text::kReceiveLive);
      s.awaitingPacket = true;
      faces_.zoom = face::kCancel;
      break;
    case face::kCancel:
    case face::kCancelPressed:
      link_.WriteCommand(CmdZoomStop);
      s.indexPacketCounter = 0;
      s.zoomLineOffset = 0;
      s.zoomActive = false;
      if (faces_.zoom == face::kCancelPressed) link_.Ui().SetStatusText(text::kReady);
      faces_.zoom = faces_.zoom == face::kCancel ? face::kCancelPressed : face::kCapture;
      break;
    default: faces_.zoom = face::kCapture; break;
  }
  GreyPhoto();
  LinkUi& ui = link_.Ui();
  ui.Repaint(LinkWindow::Live, kLivePhotoRepaintArea);
  ui.EnableMenuItem(MenuOwner::Frame, menu::kLivePhotoZoom, false);
  ui.EnableMenuItem(MenuOwner::Frame, menu::kSaveAs, false);
  faces_.live = face::kLiveOff;
}

void LiveControl::GreyPhoto() {
  auto photo = services_.livePhoto;
  if (photo.size() > kInfoHeaderSize) {
    std::fill(photo.begin() + kInfoHeaderSize, photo.end(), std::uint8_t{0x80});
  }
}

void LiveControl::Painted() {
  LinkState& s = link_.State();
  if (!s.liveActive) return;
  s.indexPacketCounter = 0;
  s.liveLineOffset = 0;
  link_.WriteCommand(CmdLiveFrame);
  liveHandler_->FrameAsked();
  s.frameRequested = true;
}

bool LiveControl::FrameOutstanding() const {
  return link_.State().liveActive && liveHandler_->FrameExpected();
}

void LiveControl::Activated() {
  LinkState& s = link_.State();
  if (s.linkPhase == LinkPhase::Connected && s.indexLoaded) s.responseKind = ResponseKind::LiveFrame;
}

bool LiveControl::StopStream() {
  LinkState& s = link_.State();
  link_.PurgePort();
  link_.DiscardPartialResponse();
  s.indexPacketCounter = 0;
  s.liveLineOffset = 0;
  s.zoomLineOffset = 0;
  s.badPacketCount = 0;
  s.frameRequested = false;
  if (s.liveActive) {
    link_.WriteCommand(CmdLiveStop);
    s.liveActive = false;
    faces_.live = face::kLiveOff;
  }
  const bool zoomStopped = s.zoomActive;
  if (zoomStopped) {
    link_.WriteCommand(CmdZoomStop);
    s.zoomActive = false;
    faces_.zoom = face::kCapture;
    GreyPhoto();
  }
  if (watchdog_) watchdog_->Stop();
  link_.Ui().SetStatusText(text::kReady);
  return zoomStopped;
}

void LiveControl::OnTimer(int id) {
  Timers* timers = services_.liveTimers;
  if (timers == nullptr) return;
  LinkState& s = link_.State();
  switch (id) {
    case live_timer::kWatchdog:
      if (watchdog_) watchdog_->Tick();
      return;
    case live_timer::kBusyPress:
      timers->Stop(id);
      ZoomButtonNotified(!blink_, true);
      link_.Ui().Repaint(LinkWindow::Live, kZoomButtonArea);
      blink_ = !blink_;
      if (blink_) timers->Start(id, kBusyReleaseMs);
      return;
    case live_timer::kFrameRetry:
      timers->Stop(id);
      if (s.liveActive && !liveHandler_->CountedSinceRecovery()) {
        link_.WriteCommand(CmdLiveFrame);
        liveHandler_->FrameAsked();
      }
      return;
    case live_timer::kLivePress:
      timers->Stop(id);
      LiveButtonNotified(true, true);
      link_.Ui().Repaint(LinkWindow::Live, kLiveButtonArea);
      return;
    default: return;
  }
}

}  // namespace lumarel
