// SPDX-License-Identifier: MIT
#include "CameraRig.h"

#include <QCoreApplication>
#include <QTest>

#include "PlatformFakes.h"
#include "RecordingLinkUi.h"
#include "SimCamera.h"
#include "SimSerialPort.h"
#include "imagefile/JpegDecode.h"
#include "link/LinkTransfers.h"
#include "platform/serial/PortMap.h"
#include "shell/QtDispatcher.h"
#include "windows/QtTimers.h"

namespace lumarel::testing {
namespace {

constexpr const char* kSimDevice = "/sim/com1";

// Hands the link a port that forwards to the rig's simulated line.
class ForwardingPort final : public SerialPort {
 public:
  explicit ForwardingPort(SerialPort& line) : line_(line) {}
  bool GetSpeed(std::uint32_t& speed) override { return line_.GetSpeed(speed); }
  bool SetLine(std::uint32_t speed) override { return line_.SetLine(speed); }
  void Purge() override { line_.Purge(); }
  std::size_t ClearErrors() override { return line_.ClearErrors(); }
  PortWait WaitForCharacter() override { return line_.WaitForCharacter(); }
  void Wake() override { line_.Wake(); }
  std::size_t Read(std::uint8_t* data, std::size_t size) override { return line_.Read(data, size); }
  bool Write(const std::uint8_t* data, std::size_t size) override { return line_.Write(data, size); }

 private:
  SerialPort& line_;
};

class SimOpener final : public SerialPortOpener {
 public:
  explicit SimOpener(SerialPort& line) : line_(line) {}
  std::unique_ptr<SerialPort> Open(const std::string& device, PortOpenError& error) override {
    if (device != kSimDevice) {
      error = PortOpenError::NoSuchDevice;
      return nullptr;
    }
    return std::make_unique<ForwardingPort>(line_);
  }

 private:
  SerialPort& line_;
};

// Records like RecordingLinkUi; commands for windows go to the test's route.
class RoutingUi final : public RecordingLinkUi {
 public:
  void SendCommand(LinkWindow w, int id) override {
    RecordingLinkUi::SendCommand(w, id);
    if (route) route(w == LinkWindow::Preview ? 1 : w == LinkWindow::ActiveChild ? 2 : 0, id);
  }

  std::function<void(int, int)> route;
};

}  // namespace

struct CameraRig::Parts {
  Parts(const std::string& dir, CameraRigSettings s)
      : camera(MakeSettings(s), sim::GeneratePictures(s.pictures, 7)),
        line(camera),
        opener(line),
        frameTimers([this](int id) { link->OnFrameTimer(id); }),
        previewTimers([this](int id) { link->OnPreviewTimer(id); }),
        waitTimers([this](int id) { link->OnWaitDialogTimer(id); }),
        liveTimers([this](int id) { transfers->Live().OnTimer(id); }) {
    LinkServices services;
    services.opener = &opener;
    services.portMap.SetDevicePath(kPortCom1, kSimDevice);
    services.portMap.SetDevicePath(kPortCom2, "/sim/none2");
    services.portMap.SetDevicePath(kPortCom3, "/sim/none3");
    services.portMap.SetDevicePath(kPortCom4, "/sim/none4");
    services.frameTimers = &frameTimers;
    services.previewTimers = &previewTimers;
    services.waitDialogTimers = &waitTimers;
    services.notifier = &notifier;
    services.ui = &ui;
    services.dispatcher = &dispatcher;
    services.decodeJpeg = [](const std::string& a, const std::string& b) { DecodeJpegFile(a, b); };
    services.tempPathA = dir + "/linkA";
    services.tempPathB = dir + "/linkB";
    link = std::make_unique<CameraLink>(std::move(services));
    TransferServices t;
    t.clock = &clock;
    t.liveTimers = &liveTimers;
    t.currentPalette = currentPalette;
    t.liveFrame = liveFrame;
    t.livePhoto = livePhoto;
    transfers = std::make_unique<LinkTransfers>(*link, t);
  }
  ~Parts() {
    if (link->PortOpen()) link->ClosePort();
    transfers.reset();
    link.reset();
  }
  static sim::CameraSettings MakeSettings(const CameraRigSettings& s) {
    sim::CameraSettings c;
    c.writeProtected = s.writeProtected;
    c.memoryFullAfter = s.memoryFullAfter;
    return c;
  }

  sim::SimCamera camera;
  sim::SimSerialPort line;
  SimOpener opener;
  QtDispatcher dispatcher;
  RecordingNotifier notifier;
  RoutingUi ui;
  FakeClock clock;
  QtTimers frameTimers, previewTimers, waitTimers, liveTimers;
  std::vector<std::uint8_t> currentPalette = std::vector<std::uint8_t>(1032, 0);
  std::vector<std::uint8_t> liveFrame = std::vector<std::uint8_t>(59392, 0x80);
  std::vector<std::uint8_t> livePhoto = std::vector<std::uint8_t>(925696, 0x80);
  std::unique_ptr<CameraLink> link;
  std::unique_ptr<LinkTransfers> transfers;
};

CameraRig::CameraRig(const std::string& scratchDir, CameraRigSettings settings)
    : parts_(std::make_unique<Parts>(scratchDir, settings)) {}

CameraRig::~CameraRig() = default;

bool CameraRig::WaitFor(const std::function<bool()>& done, int timeoutMs) {
  return QTest::qWaitFor(done, timeoutMs);
}

bool CameraRig::Connect(int timeoutMs) {
  parts_->link->Start();
  return WaitFor([this] { return parts_->link->State().indexLoaded; }, timeoutMs);
}

CameraLink* CameraRig::Link() { return parts_->link.get(); }
LinkTransfers* CameraRig::Transfers() { return parts_->transfers.get(); }
Clock& CameraRig::RigClock() { return parts_->clock; }

int CameraRig::ReceivedEntries() const { return parts_->link->Pictures().receivedEntries; }
int CameraRig::PictureCount() const { return parts_->link->Pictures().pictureCount; }

std::string CameraRig::EntryLabel(int p) const {
  const Label& label = parts_->link->Pictures().entries[static_cast<std::size_t>(p)].label;
  return std::string(label.data(), strnlen(label.data(), label.size()));
}

bool CameraRig::DownloadActive() const { return parts_->link->State().downloadActive; }
bool CameraRig::UploadRunning() { return parts_->transfers->Upload().Running(); }
int CameraRig::CurrentPicture() const { return parts_->link->Pictures().currentPicture; }
int CameraRig::SelectedCount() const { return parts_->link->Pictures().selectedCount; }
int CameraRig::DownloadsPending() const { return parts_->link->Pictures().downloadsPending; }
int CameraRig::PicturePacketCounter() const { return parts_->link->State().picturePacketCounter; }

void CameraRig::SetCommandRoute(std::function<void(int, int)> route) {
  parts_->ui.route = std::move(route);
}

void CameraRig::Select(std::initializer_list<int> pictures) {
  PictureList& list = parts_->link->Pictures();
  for (auto& entry : list.entries) entry.selectionMark = 0;
  for (int p : pictures) list.entries[static_cast<std::size_t>(p)].selectionMark = 1;
  list.currentPicture = static_cast<std::int16_t>(*std::rbegin(pictures));
  list.selectedCount = static_cast<std::uint16_t>(pictures.size());
  list.downloadsPending = 0;
}

bool CameraRig::AutoSaveMode() const { return parts_->link->Pictures().autoSaveMode; }

void CameraRig::SelectOnly(int p) {
  PictureList& list = parts_->link->Pictures();
  for (auto& entry : list.entries) entry.selectionMark = 0;
  list.entries[static_cast<std::size_t>(p)].selectionMark = 1;
  list.currentPicture = static_cast<std::int16_t>(p);
  list.selectedCount = 1;
  list.downloadsPending = 0;
}

std::size_t CameraRig::CameraPictures() const { return parts_->camera.Pictures().size(); }

std::vector<std::uint8_t> CameraRig::CameraPictureJpeg(std::size_t i) const {
  return parts_->camera.Pictures().at(i).jpeg;
}

std::vector<std::uint8_t> CameraRig::WrittenBytes() const { return parts_->line.Written(); }

bool CameraRig::UiHas(const std::string& line) const { return parts_->ui.Has(line); }

std::vector<std::string> CameraRig::Messages() const {
  std::vector<std::string> texts;
  for (const auto& shown : parts_->notifier.shown) texts.push_back(shown.text);
  return texts;
}

}  // namespace lumarel::testing
