// SPDX-License-Identifier: MIT
// The link-facing half of CameraFrameLink: the CameraLink and what it is given.
#include <cstdio>
#include <cstring>

#include "shell/CameraFrameLink.h"
#include "imagefile/JpegDecode.h"
#include "link/CameraLink.h"
#include "link/LinkSetup.h"
#include "link/LinkTransfers.h"
#include "link/ScratchDecode.h"
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

struct CameraFrameLinkCore {
  PosixSerialPortOpener opener;
  QtDispatcher dispatcher;
  std::unique_ptr<GuiLinkUi> ui;
  std::unique_ptr<QtTimers> previewTimers;
  std::unique_ptr<QtTimers> waitTimers;
  std::unique_ptr<QtTimers> liveTimers;  // Live window ids 1..4, driven by the live transfer
  std::unique_ptr<CameraLink> link;  // destroyed before the timers and views it uses
  std::unique_ptr<LinkTransfers> transfers;  // destroyed before the link it hooks into
  std::unique_ptr<LiveControlLink> live;       // the Live window's view of the live transfer
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

CameraFrameLink::~CameraFrameLink() {
  if (core_) core_->transfers.reset();
}

CameraLink* CameraFrameLink::Link() { return core_ ? core_->link.get() : nullptr; }

LinkTransfers* CameraFrameLink::Transfers() { return core_ ? core_->transfers.get() : nullptr; }
LiveLink* CameraFrameLink::LiveSide() { return core_ ? core_->live.get() : nullptr; }

void CameraFrameLink::StartCore(const LinkWiring& wiring) {
  core_ = std::make_unique<CameraFrameLinkCore>();
  CameraFrameLinkCore& c = *core_;
  c.ui = std::make_unique<GuiLinkUi>(wiring.frame);
  c.previewTimers = std::make_unique<QtTimers>([&c](int id) { c.link->OnPreviewTimer(id); });
  c.waitTimers = std::make_unique<QtTimers>([&c](int id) { c.link->OnWaitDialogTimer(id); });

  LinkServices services;
  services.opener = &c.opener;
  services.portMap = PortMap::Load(wiring.settingsPath);
  services.frameTimers = &wiring.frameTimers;
  services.previewTimers = c.previewTimers.get();
  services.waitDialogTimers = c.waitTimers.get();
  services.notifier = &wiring.notifier;
  services.ui = c.ui.get();
  services.dispatcher = &c.dispatcher;
  services.decodeJpeg = DecodeCameraJpeg;
  services.tempPathA = wiring.tempPathA;
  services.tempPathB = wiring.tempPathB;
  c.link = std::make_unique<CameraLink>(std::move(services));
  c.model = std::make_unique<LinkPreviewModel>(c.link->Pictures());
  c.liveTimers = std::make_unique<QtTimers>([&c](int id) {
    if (c.transfers) c.transfers->Live().OnTimer(id);
  });
  TransferServices transferServices;
  transferServices.clock = &SystemClock();
  transferServices.liveTimers = c.liveTimers.get();
  transferServices.paletteDisplay = wiring.paletteDisplay;
  transferServices.currentPalette = wiring.currentPalette;
  transferServices.liveFrame = wiring.liveFrame;
  transferServices.livePhoto = wiring.livePhoto;
  c.transfers = std::make_unique<LinkTransfers>(*c.link, transferServices);
  c.live = std::make_unique<LiveControlLink>(*c.link, c.transfers->Live());
  c.previewCommands = std::make_unique<PreviewLinkCommands>(*c.link, *c.transfers);

  CameraLink& link = *c.link;
  c.ui->SetDisconnectRoute([&link](int id) { return link.Setup().DisconnectDialogCommand(id); });
  c.ui->SetReconnectRoute([&link](int id) { return link.Setup().ReconnectDialogCommand(id); });
  c.ui->SetWaitDialogClosedByUser([&link](int id) { link.CloseWaitDialog(id); });
  link.Start();
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
  CameraLink& link = *core_->link;
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
  const LinkState& state = core_->link->State();
  PortView view{state.portId, state.shownSpeed, state.linkPhase == LinkPhase::Identifying, {}};
  for (const PortFailure& f : core_->link->OpenFailures().Failures())
    if (!f.device.empty()) view.problems.push_back(FormatPortFailure(f));
  for (const std::string& warning : core_->link->OpenFailures().LatencyWarnings())
    view.problems.push_back(warning);
  return view;
}

void CameraFrameLink::EraseAll() {
  if (!core_) return;
  core_->transfers->Delete().SendEraseAll();
}

bool CameraFrameLink::LiveRunning() const {
  return core_ && (core_->link->State().liveActive || core_->link->State().zoomActive);
}

void CameraFrameLink::Reconnect() {
  if (core_) core_->link->Setup().BeginReconnect();
}

void CameraFrameLink::RetryConnect() {
  if (core_) core_->link->Setup().ReconnectDialogCommand(1);
}

void CameraFrameLink::SendReset() {
  if (core_) core_->link->WriteCommand(CmdReset);
}

void CameraFrameLink::ReleasePreviewStore() {
  if (core_) core_->link->Pictures().store.Release();
}

bool CameraFrameLink::StopReceiveThread() {
  if (core_) core_->link->ClosePort();
  return true;
}

void CameraFrameLink::ClosePort() {
  if (!core_) return;
  core_->link->ClosePort();
  // No link timer may fire once the frame has released what the link uses.
  for (QtTimers* timers : {core_->previewTimers.get(), core_->waitTimers.get(),
                           core_->liveTimers.get()}) {
    if (timers) timers->SetHandler({});
  }
}

}  // namespace lumarel
