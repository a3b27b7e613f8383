// SPDX-License-Identifier: MIT
// The link-facing half of CameraFrameLink: the CameraLink and what it is given.
#include <cstdio>
#include <cstring>
#include <utility>

#include "shell/CameraFrameLink.h"
#include "link/CameraLink.h"
#include "link/LinkAssembly.h"
#include "link/LinkSetup.h"
#include "link/LinkOperations.h"
#include "link/LinkTransfers.h"
#include "windows/LiveControlLink.h"
#include "platform/Clock.h"
#include "platform/serial/PosixSerialPort.h"
#include "shell/GuiLinkUi.h"
#include "shell/QtDispatcher.h"
#include "windows/PreviewLinkCommands.h"
#include "windows/PreviewModel.h"
#include "windows/QtTimers.h"

namespace lumarel {

// The picture list as the Preview window reads and selects it.
class LinkPreviewModel final : public PreviewModel {
 public:
  explicit LinkPreviewModel(PictureList& list) : list_(list) {}
  int ReceivedCount() const override { return list_.receivedEntries; }
  int TotalCount() const override { return list_.pictureCount; }
  std::string Label(int index) const override;
  std::span<const std::uint8_t> Thumbnail(int index) const override;
  std::uint8_t Mark(int index) const override;
  void SetMark(int index, std::uint8_t mark) override;
  int CurrentPicture() const override { return list_.currentPicture; }
  void SetCurrentPicture(int index) override {
    list_.currentPicture = static_cast<std::int16_t>(index);
  }
  void SetSelectedCount(int count) override {
    list_.selectedCount = static_cast<std::uint16_t>(count);
  }
  int ScrollRow() const override { return list_.scrollRow; }
  void SetScrollRow(int row) override { list_.scrollRow = static_cast<std::uint8_t>(row); }
  int ScrollRowMaximum() const override { return list_.scrollRowMaximum; }

 private:
  PictureList& list_;
};

// Destroyed in reverse order: the windows' views first, then the link with
// its transfers and timers, then what the link shows and sends through.
struct CameraFrameLinkCore {
  PosixSerialPortOpener opener;
  QtDispatcher dispatcher;
  std::unique_ptr<GuiLinkUi> ui;
  std::unique_ptr<LinkAssembly> assembly;
  std::unique_ptr<LiveControlLink> live;  // the Live window's view of the live transfer
  std::unique_ptr<LinkPreviewModel> model;
  std::unique_ptr<PreviewLinkCommands> previewCommands;
};

std::string LinkPreviewModel::Label(int index) const {
  if (index < 0 || index >= kMaxPictures) return {};
  const lumarel::Label& label = list_.entries[static_cast<std::size_t>(index)].label;
  return std::string(label.data(), strnlen(label.data(), label.size()));
}

std::span<const std::uint8_t> LinkPreviewModel::Thumbnail(int index) const {
  if (index < 0) return {};
  const std::uint8_t* slot = list_.store.Slot(static_cast<std::size_t>(index));
  if (slot == nullptr) return {};
  return std::span<const std::uint8_t>(slot, kPreviewSlotSize);
}

std::uint8_t LinkPreviewModel::Mark(int index) const {
  if (index < 0 || index >= kMaxPictures) return 0;
  return list_.entries[static_cast<std::size_t>(index)].selectionMark;
}

void LinkPreviewModel::SetMark(int index, std::uint8_t mark) {
  if (index >= 0 && index < kMaxPictures) {
    list_.entries[static_cast<std::size_t>(index)].selectionMark = mark;
  }
}

CameraFrameLink::CameraFrameLink() = default;

CameraFrameLink::~CameraFrameLink() = default;

CameraLink* CameraFrameLink::Link() { return core_ ? &core_->assembly->Link() : nullptr; }

LinkOperations* CameraFrameLink::Operations() {
  return core_ ? &core_->assembly->Operations() : nullptr;
}
LiveLink* CameraFrameLink::LiveSide() { return core_ ? core_->live.get() : nullptr; }

void CameraFrameLink::StartCore(const LinkWiring& wiring) {
  core_ = std::make_unique<CameraFrameLinkCore>();
  CameraFrameLinkCore& c = *core_;
  c.ui = std::make_unique<GuiLinkUi>(wiring.frame);

  LinkParts parts;
  LinkServices& services = parts.link;
  services.opener = &c.opener;
  services.portMap = PortMap::Load(wiring.settingsPath);
  services.frameTimers = &wiring.frameTimers;  // the frame's, which route here
  services.notifier = &wiring.notifier;
  services.ui = c.ui.get();
  services.dispatcher = &c.dispatcher;
  services.tempPathA = wiring.tempPathA;
  services.tempPathB = wiring.tempPathB;
  TransferServices& transfers = parts.transfers;
  transfers.paletteDisplay = wiring.paletteDisplay;
  transfers.currentPalette = wiring.currentPalette;
  transfers.liveFrame = wiring.liveFrame;
  transfers.livePhoto = wiring.livePhoto;
  parts.makeTimers = QtTimers::Make;
  c.assembly = std::make_unique<LinkAssembly>(std::move(parts));

  CameraLink& link = c.assembly->Link();
  c.model = std::make_unique<LinkPreviewModel>(link.Pictures());
  c.live = std::make_unique<LiveControlLink>(std::as_const(link).State(), c.assembly->Operations());
  c.previewCommands = std::make_unique<PreviewLinkCommands>(link, c.assembly->Operations());

  LinkOperations& operations = c.assembly->Operations();
  c.ui->SetDisconnectRoute([&link](int id) { return link.Setup().DisconnectDialogCommand(id); });
  c.ui->SetReconnectRoute([&link](int id) { return link.Setup().ReconnectDialogCommand(id); });
  c.ui->SetWaitDialogClosedByUser([&link, &operations](int id) {
    link.CloseWaitDialog(id);
    operations.Cancel();
  });
  operations.Index([this](const LinkOutcome& outcome) {
    if (outcome.Ok() && firstListLoaded_) firstListLoaded_();
  });
}

PreviewModel* CameraFrameLink::Model() { return core_ ? core_->model.get() : nullptr; }

PreviewLinkCommands* CameraFrameLink::PreviewCommands() {
  return core_ ? core_->previewCommands.get() : nullptr;
}

// Every port that does not open is reported on standard error with its
// reason, as is an adapter that needs its latency fixed; the Communication
// dialog shows the same lines.
void CameraFrameLink::OnFrameTimer(int id) {
  if (!core_) return;
  CameraLink& link = core_->assembly->Link();
  const std::uint16_t portId = link.State().portId;
  link.OnFrameTimer(id);
  if (id != frame_timer::kOpenPort) return;
  if (auto failure = link.OpenFailures().LastFailure(portId); failure && !failure->device.empty())
    std::fprintf(stderr, "lumarel: %s\n", FormatPortFailure(*failure).c_str());
  for (const std::string& warning : link.OpenFailures().LatencyWarnings())
    std::fprintf(stderr, "lumarel: %s\n", warning.c_str());
}

PortView CameraFrameLink::Port() const {
  if (!core_) return {};
  const LinkState& state = core_->assembly->Link().State();
  PortView view{state.portId, state.shownSpeed, state.linkPhase == LinkPhase::Identifying, {}};
  for (const PortFailure& f : core_->assembly->Link().OpenFailures().Failures())
    if (!f.device.empty()) view.problems.push_back(FormatPortFailure(f));
  for (const std::string& warning : core_->assembly->Link().OpenFailures().LatencyWarnings())
    view.problems.push_back(warning);
  return view;
}

void CameraFrameLink::EraseAll() {
  if (!core_) return;
  // The link shows what the user needs to know (the warning of a
  // write-protected card, the disconnect dialog); the list follows the card.
  core_->assembly->Operations().Erase([](const LinkOutcome&) {});
}

bool CameraFrameLink::LiveRunning() const {
  if (!core_) return false;
  const LinkState& state = core_->assembly->Link().State();
  return state.liveActive || state.zoomActive;
}

void CameraFrameLink::Reconnect() {
  if (core_) core_->assembly->Link().Setup().BeginReconnect();
}

void CameraFrameLink::RetryConnect() {
  if (core_) core_->assembly->Link().Setup().ReconnectDialogCommand(1);
}

void CameraFrameLink::SendReset() {
  if (core_) core_->assembly->Link().WriteCommand(CmdReset);
}

void CameraFrameLink::ReleasePreviewStore() {
  if (core_) core_->assembly->Link().Pictures().store.Release();
}

bool CameraFrameLink::StopReceiveThread() {
  if (core_) core_->assembly->Link().ClosePort();
  return true;
}

void CameraFrameLink::ClosePort() {
  if (!core_) return;
  // No link timer may fire once the frame has released what the link uses.
  core_->assembly->Stop();
}

}  // namespace lumarel
