// SPDX-License-Identifier: MIT
#include "link/CameraLink.h"

#include "link/IndexHandler.h"
#include "link/LinkSetup.h"
#include "link/LinkTexts.h"
#include "link/LinkWatchdog.h"
#include "link/ReceiveThread.h"
#include "link/WaitDialog.h"

namespace lumarel {

CameraLink::CameraLink(LinkServices services)
    : services_(std::move(services)),
      previewBuffer_(kPreviewSlotSize, 0),
      pictureBuffer_(kPictureBlockSize, 0),
      setup_(std::make_unique<LinkSetup>(*this)) {
  previewWatchdog_ = std::make_unique<LinkWatchdog>(
      *this, *services_.previewTimers, kPreviewWatchdog,
      LinkWatchdog::Hooks{[this] { return state_.indexActive || state_.deleteActive; }, {}, {}});
  InstallHandlers();
}

CameraLink::~CameraLink() { ClosePort(); }

// One handler per ResponseKind: the index handler here; the picture, live
// frame, zoom and upload handlers are installed by LinkTransfers.
void CameraLink::InstallHandlers() {
  auto index = std::make_unique<IndexHandler>(*this);
  index_ = index.get();
  SetHandler(ResponseKind::Index, std::move(index));
}

void CameraLink::SetHandler(ResponseKind kind, std::unique_ptr<ResponseHandler> handler) {
  const auto k = static_cast<std::size_t>(kind);
  if (k < kResponseKinds) handlers_[k] = std::move(handler);
}

ResponseHandler* CameraLink::Handler(ResponseKind kind) {
  const auto k = static_cast<std::size_t>(kind);
  return k < kResponseKinds ? handlers_[k].get() : nullptr;
}

void CameraLink::HandleResponse(const CameraPacket& packet) {
  if (state_.linkPhase != LinkPhase::Connected) {
    setup_->HandleResponse(packet);
    return;
  }
  if (ResponseHandler* handler = Handler(state_.responseKind)) handler->Handle(packet);
}

void CameraLink::HandleResponse(const CameraPacket& packet, std::uint64_t epoch) {
  if (epoch < ResponseEpoch()) return;
  HandleResponse(packet);
}

// A hung-up port is never written to again: its descriptor is dead.
bool CameraLink::WriteCommand(std::uint8_t command) {
  return port_ != nullptr && !lineLost_ && port_->WriteByte(command);
}

bool CameraLink::WritePacket(const CameraPacket& packet) {
  return port_ != nullptr && !lineLost_ && port_->Write(packet.data(), packet.size());
}

namespace {

// A port fault's caption-bearing text followed by the system's reason, when known.
std::string WithReason(const char* text, const SerialPort& port) {
  const std::string reason = port.LastError();
  return reason.empty() ? std::string(text) : std::string(text) + "\n" + reason;
}

}  // namespace

bool CameraLink::SetOwnSpeed(std::uint32_t speed) {
  if (port_ == nullptr || lineLost_) return false;
  if (port_->SetLine(speed)) return true;
  Messages().Show(WithReason(text::kSetCommStateFault, *port_), text::kComPortError,
                  MessageButtons::Ok, MessageIcon::Exclamation);
  return false;
}

bool CameraLink::CurrentSpeed(std::uint32_t& speed) {
  return port_ != nullptr && !lineLost_ && port_->GetSpeed(speed);
}

void CameraLink::PurgePort() {
  if (port_ != nullptr && !lineLost_) port_->Purge();
}

void CameraLink::DiscardPartialResponse() {
  // The epoch moves first: a receiver that sees the discard request also sees
  // the new epoch when it begins its next response.
  responseEpoch_.fetch_add(1, std::memory_order_acq_rel);
  if (receiver_ != nullptr) receiver_->DiscardPartial();
}

bool CameraLink::OpenPort() {
  if (services_.opener == nullptr) return false;
  std::unique_ptr<SerialPort> port =
      OpenMappedPort(*services_.opener, services_.portMap, state_.portId, openLog_);
  if (port == nullptr) return false;
  std::uint32_t speed = 0;
  if (!port->GetSpeed(speed)) {
    Messages().Show(WithReason(text::kGetCommStateFault, *port), text::kComPortError,
                    MessageButtons::Ok, MessageIcon::Exclamation);
  }
  if (!port->SetLine(9600)) {
    Messages().Show(WithReason(text::kSetCommStateFault, *port), text::kComPortError,
                    MessageButtons::Ok, MessageIcon::Exclamation);
  }
  port->Purge();
  ClosePort();  // an earlier attempt's receiver and port
  lineLost_ = false;
  lineLostReason_.clear();
  port_ = std::move(port);
  if (services_.makeReceiver) {
    receiver_ = services_.makeReceiver(*port_, *this);
  } else if (services_.dispatcher != nullptr) {
    receiver_ = std::make_unique<ReceiveThread>(*port_, *this, *services_.dispatcher);
  }
  return true;
}

void CameraLink::RecordNoCamera() {
  openLog_.RecordFailure(state_.portId, services_.portMap.DevicePath(state_.portId),
                         PortOpenError::NoCamera);
}

void CameraLink::ClosePort() {
  receiver_.reset();  // stops the thread before its port goes away
  port_.reset();
}

void CameraLink::Start() { setup_->Start(); }

void CameraLink::OnFrameTimer(int id) {
  if (id == frame_timer::kNextDownload) {
    services_.frameTimers->Stop(id);
    Ui().SendCommand(LinkWindow::Preview, menu::kDataIn);
    return;
  }
  setup_->OnTimer(id);
}

void CameraLink::OnPreviewTimer(int id) {
  if (id == kWatchdogTimerId) previewWatchdog_->Tick();
}

void CameraLink::CloseLink() { setup_->CloseLink(); }

void CameraLink::ReceiverStarted() {
  Ui().SetStatusText(text::kSetupInProgress);
  services_.frameTimers->Start(frame_timer::kSetupStep, 800);
}

void CameraLink::OpenWaitDialog(WaitDialogKind kind) {
  if (waitDialog_ != nullptr) return;
  waitDialog_ = std::make_unique<WaitDialog>(kind, Ui(), *services_.waitDialogTimers);
  WaitDialog* dialog = waitDialog_.get();
  dialog->Open();  // may block while a GUI runs the dialog modally
}

void CameraLink::CloseWaitDialog(int command) {
  if (waitDialog_ == nullptr || (command != 1 && command != 2)) return;
  std::unique_ptr<WaitDialog> dialog = std::move(waitDialog_);
  dialog->Close();
  if (dialog->Kind() == WaitDialogKind::DataTransfer && state_.downloadActive) {
    // Closed by the user while a picture was still arriving: abandon it.
    Ui().DestroyDownloadWindow();
    Ui().Repaint(LinkWindow::Preview, std::nullopt);
    Ui().ShowProgress(false);
    Ui().SetStatusText(text::kReady);
    FinishOperation(Operation::Download, LinkOutcome::Of(OutcomeKind::Cancelled));
  }
}

void CameraLink::OnWaitDialogTimer(int id) {
  if (id == kWaitDialogBlinkTimerId && waitDialog_ != nullptr) waitDialog_->Blink();
}

void CameraLink::EndVisibleTransfer() {
  if (waitDialog_ != nullptr) {
    // Not the user's close: the Capture window keeps what it has until Reconnect.
    std::unique_ptr<WaitDialog> dialog = std::move(waitDialog_);
    dialog->Close();
  }
  Ui().ShowProgress(false);
  Ui().SetStatusText(text::kReady);
}

void CameraLink::OpenDisconnectDialog() {
  NewWorkEpoch();
  state_.deleteActive = false;
  FinishOperation(Operation::None, LinkOutcome::Of(OutcomeKind::CameraSilent));
  EndVisibleTransfer();
  ShowDisconnectDialog();
}

void CameraLink::ShowDisconnectDialog() {
  if (disconnectDialogOpen_) return;
  // The GUI's dialog is modal: the flag covers the faults that arrive while it is open.
  disconnectDialogOpen_ = true;
  Ui().OpenDisconnectDialog();
  disconnectDialogOpen_ = false;
}

std::optional<MessageAnswer> CameraLink::ShowFromHandler(const std::string& text,
                                                         const char* caption,
                                                         MessageButtons buttons,
                                                         MessageIcon icon) {
  const std::uint64_t epoch = workEpoch_;
  const MessageAnswer answer = Messages().Show(text, caption, buttons, icon);
  if (epoch != workEpoch_) return std::nullopt;
  return answer;
}

void CameraLink::BeginOperation(Operation kind, OperationDone done) {
  FinishOperation(Operation::None, LinkOutcome::Of(OutcomeKind::Cancelled));
  operation_ = kind;
  operationDone_ = std::move(done);
}

void CameraLink::FinishOperation(Operation kind, const LinkOutcome& outcome) {
  if (operation_ == Operation::None || (kind != Operation::None && kind != operation_)) return;
  operation_ = Operation::None;
  OperationDone done = std::move(operationDone_);
  operationDone_ = nullptr;
  if (done) done(outcome);
}

void CameraLink::LineLost(const std::string& reason) {
  if (lineLost_ || port_ == nullptr) return;
  lineLost_ = true;
  lineLostReason_ = reason;
  NewWorkEpoch();
  // Every transfer stops where it is; their watchdogs find nothing active.
  state_.indexActive = state_.downloadActive = state_.liveActive = state_.zoomActive = false;
  state_.deleteActive = false;
  state_.frameRequested = false;
  state_.awaitingPacket = false;
  previewWatchdog_->Stop();
  for (auto& handler : handlers_) {
    if (handler) handler->Reset();
  }
  SetExpectedLength(kPacketSize);
  EndVisibleTransfer();
  LinkOutcome outcome = LinkOutcome::Of(OutcomeKind::LineLost);
  outcome.reason = reason;
  FinishOperation(Operation::None, outcome);
  ShowDisconnectDialog();
}

void CameraLink::ReopenAfterLineLost() {
  ClosePort();
  lineLost_ = false;
  services_.frameTimers->Start(frame_timer::kOpenPort, 300);
  Ui().SetStatusText(text::kSetupInProgress);
}

void CameraLink::ScheduleNextDownload() { services_.frameTimers->Start(frame_timer::kNextDownload, 500); }

}  // namespace lumarel
