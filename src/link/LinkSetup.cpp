// SPDX-License-Identifier: MIT
#include "link/LinkSetup.h"

#include "link/CameraLink.h"
#include "link/IndexHandler.h"
#include "link/LinkTexts.h"
#include "link/LinkWatchdog.h"

namespace lumarel {

using namespace setup_period;

LinkSetup::LinkSetup(CameraLink& link) : link_(link) {}

Timers& LinkSetup::FrameTimers() { return *link_.Services().frameTimers; }

void LinkSetup::Warn(const char* text, const char* caption) {
  link_.Messages().Show(text, caption, MessageButtons::Ok, MessageIcon::Exclamation);
}

void LinkSetup::Start() {
  LinkState& s = link_.State();
  s.portId = kPortCom1;
  s.linkPhase = LinkPhase::Identifying;
  s.responseKind = ResponseKind::Index;
  link_.SetExpectedLength(kPacketSize);
  s.indexPacketCounter = s.picturePacketCounter = s.packetsInItem = 0;
  s.indexDataOffset = s.pictureDataOffset = 0;
  FrameTimers().Start(frame_timer::kOpenPort, kOpenPortMs);
}

void LinkSetup::OnTimer(int id) {
  switch (id) {
    case frame_timer::kSetupStep: SetupStep(); break;
    case frame_timer::kOpenPort: OpenPortStep(); break;
    case frame_timer::kReconnectReset: ReconnectResetStep(); break;
    case frame_timer::kReconnectIdentify: ReconnectIdentifyStep(); break;
    default: break;
  }
}

// Timer 2: open the port of PortId; the receiver then sends CmdWake and
// CmdIdentify and arms timer 1. A port that cannot be opened costs 800 ms.
void LinkSetup::OpenPortStep() {
  FrameTimers().Stop(frame_timer::kOpenPort);
  if (!link_.OpenPort()) FrameTimers().Start(frame_timer::kSetupStep, kIdentifyMs);
}

// Timer 1, interpreted by LinkPhase: the scan's time-out in phase 1, the steps
// of the speed negotiation in phases 2..7.
void LinkSetup::SetupStep() {
  FrameTimers().Stop(frame_timer::kSetupStep);
  LinkState& s = link_.State();
  if (confirmPending_) {
    // The camera switched speed but its answer to the confirmation was lost.
    confirmPending_ = false;
    link_.OpenDisconnectDialog();
    return;
  }
  switch (s.linkPhase) {
    case LinkPhase::Identifying: MoveScanOn(); break;
    case LinkPhase::Switching115200: SwitchUp(115200, LinkPhase::Answer115200); break;
    case LinkPhase::Answer115200: TrySpeed(CmdSpeed57600, LinkPhase::Switching57600); break;
    case LinkPhase::Switching57600: SwitchUp(57600, LinkPhase::Answer57600); break;
    case LinkPhase::Answer57600: TrySpeed(CmdSpeed19200, LinkPhase::Switching19200); break;
    case LinkPhase::Switching19200: SwitchUp(19200, LinkPhase::Answer19200); break;
    case LinkPhase::Answer19200: {
      link_.Messages().Show(text::kNoSpeed, text::kConnectError, MessageButtons::Ok,
                            MessageIcon::Exclamation);
      link_.SetOwnSpeed(9600);
      LinkOutcome outcome = LinkOutcome::Of(OutcomeKind::CameraSilent);
      outcome.reason = "no line speed agreed with the camera";
      link_.FinishOperation(Operation::Index, outcome);
      break;
    }
    case LinkPhase::Connected: break;
  }
}

void LinkSetup::SwitchUp(std::uint32_t speed, LinkPhase nextPhase) {
  link_.SetOwnSpeed(speed);
  FrameTimers().Start(frame_timer::kSetupStep, kIdentifyMs);
  link_.State().linkPhase = nextPhase;
}

// The camera did not answer at the faster speed: back to 9600 and offer the next one.
void LinkSetup::TrySpeed(std::uint8_t command, LinkPhase nextPhase) {
  link_.PurgePort();
  link_.DiscardPartialResponse();
  link_.SetOwnSpeed(9600);
  link_.WriteCommand(command);
  FrameTimers().Start(frame_timer::kSetupStep, kSpeedSwitchMs);
  link_.State().linkPhase = nextPhase;
}

void LinkSetup::MoveScanOn() {
  LinkState& s = link_.State();
  if (link_.PortOpen()) link_.RecordNoCamera();
  link_.ClosePort();
  const std::uint16_t next = NextPortId(s.portId);
  if (next == 0) {
    OpenReconnectDialog();
    return;
  }
  s.portId = next;
  FrameTimers().Start(frame_timer::kOpenPort, kOpenPortMs);
}

void LinkSetup::OpenReconnectDialog() {
  const LinkState& s = link_.State();
  if (s.reconnecting && link_.PortOpen()) link_.SetOwnSpeed(s.savedSpeed);
  LinkOutcome outcome = LinkOutcome::Of(OutcomeKind::CameraSilent);
  outcome.reason = std::string("no camera found: ") + text::kCheckConnection;
  link_.FinishOperation(Operation::Index, outcome);
  link_.Ui().OpenReconnectDialog();
}

void LinkSetup::HandleResponse(const CameraPacket& packet) {
  switch (link_.State().linkPhase) {
    case LinkPhase::Identifying: Identify(packet); break;
    case LinkPhase::Answer115200:
    case LinkPhase::Answer57600:
    case LinkPhase::Answer19200: AnswerAtNewSpeed(packet); break;
    default: break;  // the switching phases: our own port is still switching
  }
}

void LinkSetup::Identify(const CameraPacket& packet) {
  if (!IsSetupStatusPacket(packet)) return;  // timer 1 decides
  const Identification id = ParseIdentification(packet);
  if (!id.modelAccepted) {
    FrameTimers().Stop(frame_timer::kSetupStep);
    Warn(text::kWrongModel, text::kWarning);
    link_.Ui().SetStatusText(text::kReady);
    link_.FinishOperation(Operation::Index, LinkOutcome::Bad(-1, text::kWrongModel));
    return;
  }
  LinkState& s = link_.State();
  s.modelVariant = id.variant631;
  s.writeProtected = id.writeProtected;
  s.capacity = id.capacity;
  s.identifiedPictures = id.pictureCount;
  const std::uint32_t cap = link_.Services().maxSpeed;
  if (cap >= 115200) {
    s.linkPhase = LinkPhase::Switching115200;
    link_.WriteCommand(CmdSpeed115200);
  } else if (cap >= 57600) {
    s.linkPhase = LinkPhase::Switching57600;
    link_.WriteCommand(CmdSpeed57600);
  } else {
    s.linkPhase = LinkPhase::Switching19200;
    link_.WriteCommand(CmdSpeed19200);
  }
  FrameTimers().Start(frame_timer::kSetupStep, kSpeedSwitchMs);
}

void LinkSetup::AnswerAtNewSpeed(const CameraPacket& packet) {
  LinkState& s = link_.State();
  if (!IsSetupStatusPacket(packet)) {
    if (confirmPending_) return;  // both ends run at the new speed: the time-out decides
    link_.SetOwnSpeed(9600);  // the pending time-out moves on to the next speed
    return;
  }
  switch (StatusCode(packet)) {
    case StatusAccepted:
      s.shownSpeed = s.linkPhase == LinkPhase::Answer115200  ? 115200
                     : s.linkPhase == LinkPhase::Answer57600 ? 57600
                                                             : 19200;
      link_.WriteCommand(CmdSpeedConfirm);
      confirmPending_ = true;
      FrameTimers().Start(frame_timer::kSetupStep, kConfirmAnswerMs);
      break;
    case StatusCameraReady: CameraReady(); break;
    case StatusVcrMode: ModeWarning(text::kVcrMode, MessageIcon::Exclamation); break;
    case StatusNoCard:
      ModeWarning(text::kNoCard, MessageIcon::Question);
      link_.Pictures().store.Release();
      break;
    default: break;
  }
}

// Photo mode with a card: the link is up; fetch the index from picture 000.
void LinkSetup::CameraReady() {
  LinkState& s = link_.State();
  confirmPending_ = false;
  FrameTimers().Stop(frame_timer::kSetupStep);
  link_.Index().PrepareStore();
  std::uint32_t speed = 0;
  if (link_.CurrentSpeed(speed)) s.savedSpeed = speed;
  s.linkPhase = LinkPhase::Connected;
  s.reconnecting = false;
  s.responseKind = ResponseKind::Index;
  link_.SetExpectedLength(kPacketSize);
  s.deleteMode = 0;
  s.digitStep = 3;
  link_.WriteCommand(CmdDigitOnes(0));
  link_.PreviewWatchdog().Arm();
  s.indexActive = true;
  link_.Ui().SetStatusText(text::kReceivePreview);
  s.awaitingPacket = true;
}

void LinkSetup::ModeWarning(const char* text, MessageIcon icon) {
  LinkState& s = link_.State();
  confirmPending_ = false;
  FrameTimers().Stop(frame_timer::kSetupStep);
  s.linkPhase = LinkPhase::Identifying;
  link_.SetOwnSpeed(9600);
  s.shownSpeed = 9600;
  const MessageAnswer answer =
      link_.Messages().Show(text, text::kWarning, MessageButtons::OkCancel, icon);
  if (answer != MessageAnswer::Ok) {
    link_.FinishOperation(Operation::Index, LinkOutcome::Of(OutcomeKind::Cancelled));
    return;
  }
  link_.WriteCommand(CmdIdentify);
  FrameTimers().Start(frame_timer::kSetupStep, kIdentifyMs);
  link_.DiscardPartialResponse();
}

void LinkSetup::ResetLinkState() {
  LinkState& s = link_.State();
  confirmPending_ = false;
  PictureList& list = link_.Pictures();
  s.reconnecting = true;
  s.responseKind = ResponseKind::Index;
  s.linkPhase = LinkPhase::Identifying;
  link_.SetExpectedLength(kPacketSize);
  link_.DiscardPartialResponse();
  s.indexPacketCounter = s.picturePacketCounter = s.packetsInItem = 0;
  s.indexDataOffset = s.pictureDataOffset = s.liveLineOffset = s.zoomLineOffset = 0;
  list.pictureCount = 0;
  s.badPacketCount = 0;
  s.uploadPreviewPhase = false;
  s.liveActive = s.zoomActive = s.frameRequested = false;
  s.indexActive = s.downloadActive = s.deleteActive = false;
  s.awaitingPacket = false;
  list.selectedCount = 0;
  list.downloadsPending = 0;
  list.currentPicture = kNoPicture;
}

void LinkSetup::BeginReconnect() {
  link_.NewWorkEpoch();
  LinkUi& ui = link_.Ui();
  ui.EnableMenuItem(MenuOwner::Preview, menu::kReload, false);
  ui.EnableMenuItem(MenuOwner::Preview, menu::kDeleteAll, false);
  link_.State().indexLoaded = false;
  ui.SetStatusText(text::kReady);
  ui.ShowProgress(false);
  ui.CloseImageWindows();
  link_.State().downloadActive = false;  // the Capture window is gone with the image windows
  link_.CloseWaitDialog();
  link_.PurgePort();
  ResetLinkState();
  link_.Index().EmptyIndex();
  // Nothing can be said to the camera over a dead port: open it again. A
  // reset the device does not take means the same: the receive thread may not
  // have seen the unplug yet (it waits while a message box of a handler is
  // open), and speed changes on a gone device would only fail one by one.
  if (link_.LineIsLost() || !link_.WriteCommand(CmdReset)) {
    link_.ReopenAfterLineLost();
    return;
  }
  FrameTimers().Start(frame_timer::kReconnectReset, kReconnectResetMs);
}

void LinkSetup::ReconnectResetStep() {
  FrameTimers().Stop(frame_timer::kReconnectReset);
  LinkUi& ui = link_.Ui();
  if (ui.IsActive(LinkWindow::Live)) ui.Activate(LinkWindow::Preview);
  ui.EnableMdiClient(false);
  link_.SetOwnSpeed(9600);
  link_.State().shownSpeed = 9600;
  FrameTimers().Start(frame_timer::kReconnectIdentify, link_.Services().ntFamily
                                                           ? kReconnectIdentifyNtMs
                                                           : kReconnectIdentifyOtherMs);
}

void LinkSetup::ReconnectIdentifyStep() {
  FrameTimers().Stop(frame_timer::kReconnectIdentify);
  link_.PurgePort();
  link_.DiscardPartialResponse();
  link_.WriteCommand(CmdIdentify);
  FrameTimers().Start(frame_timer::kSetupStep, kIdentifyMs);
}

bool LinkSetup::DisconnectDialogCommand(int id) {
  switch (id) {
    case 1: BeginReconnect(); return true;
    case 2: return GiveUpAsked();
    case 3: link_.Ui().ShowHelp(1); return false;
    default: return false;
  }
}

bool LinkSetup::ReconnectDialogCommand(int id) {
  LinkState& s = link_.State();
  switch (id) {
    case 1:
      s.linkPhase = LinkPhase::Identifying;
      if (s.reconnecting && link_.PortOpen() && !link_.LineIsLost()) {
        link_.WriteCommand(CmdReset);
        FrameTimers().Start(frame_timer::kReconnectReset, kReconnectResetMs);
      } else {
        // The scan closed the last port: start it again from COM1 (a reconnect
        // keeps its flag, so the index store is made anew).
        s.portId = kPortCom1;
        FrameTimers().Start(frame_timer::kOpenPort, kOpenPortMs);
        link_.Ui().SetStatusText(text::kSetupInProgress);
      }
      return true;
    case 2: return GiveUpAsked();
    case 3: link_.Ui().ShowHelp(2); return false;
    default: return false;
  }
}

// The user confirms giving the connection up: the status bar says so instead
// of the setup text of the scan that found nothing.
bool LinkSetup::GiveUpAsked() {
  if (!link_.Ui().AskCancelOk()) return false;
  link_.Ui().SetStatusText(text::kNotConnected);
  return true;
}

void LinkSetup::CloseLink() {
  link_.WriteCommand(CmdReset);
  link_.ClosePort();
}

}  // namespace lumarel
