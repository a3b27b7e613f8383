// SPDX-License-Identifier: MIT
#include "CameraRig.h"

#include <QCoreApplication>
#include <QTest>

#include "LineOpener.h"
#include "PlatformFakes.h"
#include "RecordingLinkUi.h"
#include "RigParts.h"
#include "SimCamera.h"
#include "SimSerialPort.h"
#include "link/LinkAssembly.h"
#include "platform/serial/PortMap.h"
#include "shell/QtDispatcher.h"
#include "windows/QtTimers.h"

namespace lumarel::testing {
namespace {

constexpr const char* kSimDevice = "/sim/com1";

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
        opener(kSimDevice, line) {
    assembly = std::make_unique<LinkAssembly>(RigParts(
        {opener, notifier, ui, dispatcher, &clock}, kSimDevice, dir, &QtTimers::Make));
    link = &assembly->Link();
    transfers = &assembly->Transfers();
  }
  ~Parts() {
    if (link->PortOpen()) link->ClosePort();
  }
  static sim::CameraSettings MakeSettings(const CameraRigSettings& s) {
    sim::CameraSettings c;
    c.writeProtected = s.writeProtected;
    c.memoryFullAfter = s.memoryFullAfter;
    return c;
  }

  sim::SimCamera camera;
  sim::SimSerialPort line;
  LineOpener opener;
  QtDispatcher dispatcher;
  RecordingNotifier notifier;
  RoutingUi ui;
  FakeClock clock;
  std::unique_ptr<LinkAssembly> assembly;
  CameraLink* link = nullptr;
  LinkTransfers* transfers = nullptr;
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

CameraLink* CameraRig::Link() { return parts_->link; }
LinkOperations* CameraRig::Operations() { return &parts_->assembly->Operations(); }
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
