// SPDX-License-Identifier: MIT
// The link side of the Live window tests: CameraLink, its transfers, the Qt
// dispatcher and timers, and the simulated camera on an in-process line.
// Kept apart from the window headers, whose picture types the link's own
// headers also name.
#include "LiveSimLink.h"

#include <QRect>
#include <QTest>
#include <QWidget>
#include <algorithm>
#include <map>
#include <mutex>

#include "PlatformFakes.h"
#include "LiveWait.h"
#include "RecordingLinkUi.h"
#include "SimSerialPort.h"
#include "imagefile/JpegDecode.h"
#include "link/LinkTransfers.h"
#include "shell/QtDispatcher.h"
#include "windows/LiveControlLink.h"
#include "windows/QtTimers.h"

namespace lumarel::testing {
namespace {

constexpr std::size_t kFrameBlock = 59392;
constexpr std::size_t kPhotoBlock = 925696;

// A 40-byte header of a 24-bit picture: size, width, height, one plane, 24 bits.
void WriteHeader(std::vector<std::uint8_t>& dib, std::uint32_t width, std::uint32_t height) {
  const std::uint32_t fields[] = {40, width, height};
  for (int f = 0; f < 3; ++f) {
    for (int b = 0; b < 4; ++b) dib[std::size_t(4 * f + b)] = std::uint8_t(fields[f] >> (8 * b));
  }
  dib[12] = 1;
  dib[13] = 0;
  dib[14] = 24;
  dib[15] = 0;
  std::fill(dib.begin() + 16, dib.begin() + 40, std::uint8_t{0});
}

// The link's handle on the one simulated line; the test keeps the line.
class SimPortHandle final : public SerialPort {
 public:
  explicit SimPortHandle(std::shared_ptr<sim::SimSerialPort> port) : port_(std::move(port)) {}
  bool GetSpeed(std::uint32_t& speed) override { return port_->GetSpeed(speed); }
  bool SetLine(std::uint32_t speed) override { return port_->SetLine(speed); }
  void Purge() override { port_->Purge(); }
  std::size_t ClearErrors() override { return port_->ClearErrors(); }
  PortWait WaitForCharacter() override { return port_->WaitForCharacter(); }
  void Wake() override { port_->Wake(); }
  std::size_t Read(std::uint8_t* data, std::size_t size) override { return port_->Read(data, size); }
  bool Write(const std::uint8_t* data, std::size_t size) override { return port_->Write(data, size); }

 private:
  std::shared_ptr<sim::SimSerialPort> port_;
};

class SimOpener final : public SerialPortOpener {
 public:
  explicit SimOpener(std::shared_ptr<sim::SimSerialPort> port) : port_(std::move(port)) {}
  std::unique_ptr<SerialPort> Open(const std::string& device, PortOpenError& error) override {
    if (device != "sim") {
      error = PortOpenError::NoSuchDevice;
      return nullptr;
    }
    error = PortOpenError::None;
    return std::make_unique<SimPortHandle>(port_);
  }

 private:
  std::shared_ptr<sim::SimSerialPort> port_;
};

// Repaints of the Live window reach the real widget; everything else is recorded.
class LiveTestUi final : public RecordingLinkUi {
 public:
  void EnableMenuItem(MenuOwner o, int id, bool e) override {
    RecordingLinkUi::EnableMenuItem(o, id, e);
    if (o == MenuOwner::Frame) menu[id] = e;
  }
  void Repaint(LinkWindow w, std::optional<Rect> a) override {
    if (w != LinkWindow::Live || !live) return;
    if (a && *a == kLiveFrameArea) ++framesShown;
    if (a) {
      live->update(QRect(QPoint(a->left, a->top), QPoint(a->right - 1, a->bottom - 1)));
    } else {
      live->update();
    }
  }
  bool IsActive(LinkWindow w) override { return w == LinkWindow::Live; }

  QWidget* live = nullptr;
  int framesShown = 0;
  std::map<int, bool> menu;
};

}  // namespace

struct LiveSimLink::Core {
  Core(bool busy, const std::string& dir, Notifier& notifier)
      : camera(Settings(busy), sim::GeneratePictures(2, 7)),
        line(std::make_shared<sim::SimSerialPort>(camera)),
        opener(line),
        frameTimers([this](int id) { link->OnFrameTimer(id); }),
        previewTimers([this](int id) { link->OnPreviewTimer(id); }),
        waitTimers([this](int id) { link->OnWaitDialogTimer(id); }),
        liveTimers([this](int id) { transfers->Live().OnTimer(id); }) {
    camera.SetLog([this](const std::string& entry) {
      std::lock_guard<std::mutex> lock(logMutex);
      log.push_back(entry);
    });
    WriteHeader(liveFrame, 160, 120);
    WriteHeader(livePhoto, 640, 480);
    LinkServices s;
    s.opener = &opener;
    s.portMap.SetDevicePath(kPortCom1, "sim");
    for (std::uint16_t id : {kPortCom2, kPortCom3, kPortCom4}) s.portMap.SetDevicePath(id, "none");
    s.frameTimers = &frameTimers;
    s.previewTimers = &previewTimers;
    s.waitDialogTimers = &waitTimers;
    s.notifier = &notifier;
    s.ui = &ui;
    s.dispatcher = &dispatcher;
    s.decodeJpeg = [](const std::string& a, const std::string& b) { DecodeJpegFile(a, b); };
    s.tempPathA = dir + "/linkA";
    s.tempPathB = dir + "/linkB";
    link = std::make_unique<CameraLink>(s);
    TransferServices t;
    t.clock = &clock;
    t.liveTimers = &liveTimers;
    t.currentPalette = palette;
    t.liveFrame = liveFrame;
    t.livePhoto = livePhoto;
    transfers = std::make_unique<LinkTransfers>(*link, t);
    live = std::make_unique<LiveControlLink>(*link, transfers->Live());
  }
  static sim::CameraSettings Settings(bool busy) {
    sim::CameraSettings settings;
    settings.busyDuringLive = busy;
    return settings;
  }

  sim::SimCamera camera;
  std::shared_ptr<sim::SimSerialPort> line;
  SimOpener opener;
  QtDispatcher dispatcher;
  QtTimers frameTimers, previewTimers, waitTimers, liveTimers;
  FakeClock clock;
  LiveTestUi ui;
  std::vector<std::uint8_t> palette = std::vector<std::uint8_t>(1032, 0);
  std::vector<std::uint8_t> liveFrame = std::vector<std::uint8_t>(kFrameBlock, 0x80);
  std::vector<std::uint8_t> livePhoto = std::vector<std::uint8_t>(kPhotoBlock, 0x80);
  std::unique_ptr<CameraLink> link;
  std::unique_ptr<LinkTransfers> transfers;
  std::unique_ptr<LiveControlLink> live;
  mutable std::mutex logMutex;
  std::vector<std::string> log;
};

LiveSimLink::LiveSimLink(bool busyDuringLive, const std::string& dir, Notifier& notifier)
    : core_(std::make_unique<Core>(busyDuringLive, dir, notifier)) {}

LiveSimLink::~LiveSimLink() {
  ClosePort();
  core_->live.reset();
  core_->transfers.reset();
  core_->link.reset();
}

LiveLink& LiveSimLink::Live() { return *core_->live; }
void LiveSimLink::SetLiveWindow(QWidget* window) { core_->ui.live = window; }

bool LiveSimLink::Connect() {
  core_->link->Start();
  return WaitUntil([&] { return core_->link->State().indexLoaded; }, 60000);
}

void LiveSimLink::ClosePort() {
  if (core_->link) core_->link->ClosePort();
}

bool LiveSimLink::LiveActive() const { return core_->link->State().liveActive; }
bool LiveSimLink::ZoomActive() const { return core_->link->State().zoomActive; }
int LiveSimLink::FramesShown() const { return core_->ui.framesShown; }
bool LiveSimLink::MenuEnabled(int id) const {
  auto it = core_->ui.menu.find(id);
  return it != core_->ui.menu.end() && it->second;
}
std::string LiveSimLink::Status() const { return core_->ui.status; }
std::span<std::uint8_t> LiveSimLink::LiveFrame() { return core_->liveFrame; }
std::span<std::uint8_t> LiveSimLink::LivePhoto() { return core_->livePhoto; }

std::vector<std::string> LiveSimLink::Log() const {
  std::lock_guard<std::mutex> lock(core_->logMutex);
  return core_->log;
}

bool LiveSimLink::Logged(const std::string& line) const {
  const auto log = Log();
  return std::find(log.begin(), log.end(), line) != log.end();
}

}  // namespace lumarel::testing
