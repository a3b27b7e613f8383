// SPDX-License-Identifier: MIT
// The link side of the Live window tests: CameraLink, its transfers, the Qt
// dispatcher and timers, and the simulated camera on an in-process line.
// Kept apart from the window headers, whose picture types the link's own
// headers also name.
#include "LiveSimLink.h"

#include <QRect>
#include <QTest>
#include <utility>
#include <QWidget>
#include <algorithm>
#include <map>
#include <mutex>

#include "LineOpener.h"
#include "PlatformFakes.h"
#include "LiveWait.h"
#include "RecordingLinkUi.h"
#include "RigParts.h"
#include "SimSerialPort.h"
#include "link/LinkAssembly.h"
#include "shell/QtDispatcher.h"
#include "windows/LiveControlLink.h"
#include "windows/QtTimers.h"

namespace lumarel::testing {
namespace {

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
      : camera(Settings(busy), sim::GeneratePictures(2, 7)), line(camera), opener("sim", line) {
    camera.SetLog([this](const std::string& entry) {
      std::lock_guard<std::mutex> lock(logMutex);
      log.push_back(entry);
    });
    assembly = std::make_unique<LinkAssembly>(
        RigParts({opener, notifier, ui, dispatcher, &clock}, "sim", dir, &QtTimers::Make));
    link = &assembly->Link();
    live = std::make_unique<LiveControlLink>(std::as_const(*link).State(), assembly->Operations(),
                                             clock);
  }
  static sim::CameraSettings Settings(bool busy) {
    sim::CameraSettings settings;
    settings.busyDuringLive = busy;
    return settings;
  }

  sim::SimCamera camera;
  sim::SimSerialPort line;
  LineOpener opener;
  QtDispatcher dispatcher;
  FakeClock clock;
  LiveTestUi ui;
  std::unique_ptr<LinkAssembly> assembly;
  CameraLink* link = nullptr;
  std::unique_ptr<LiveControlLink> live;
  mutable std::mutex logMutex;
  std::vector<std::string> log;
};

LiveSimLink::LiveSimLink(bool busyDuringLive, const std::string& dir, Notifier& notifier)
    : core_(std::make_unique<Core>(busyDuringLive, dir, notifier)) {}

LiveSimLink::~LiveSimLink() {
  ClosePort();
  core_->live.reset();
  core_->assembly.reset();
}

LiveLink& LiveSimLink::Live() { return *core_->live; }
void LiveSimLink::SetLiveWindow(QWidget* window) { core_->ui.live = window; }

bool LiveSimLink::Connect() {
  core_->link->Start();
  return WaitUntil([&] { return core_->link->State().indexLoaded; }, 60000);
}

void LiveSimLink::ClosePort() {
  if (core_->assembly) core_->link->ClosePort();
}

bool LiveSimLink::LiveActive() const { return core_->link->State().liveActive; }
bool LiveSimLink::ZoomActive() const { return core_->link->State().zoomActive; }
int LiveSimLink::FramesShown() const { return core_->ui.framesShown; }
bool LiveSimLink::MenuEnabled(int id) const {
  auto it = core_->ui.menu.find(id);
  return it != core_->ui.menu.end() && it->second;
}
std::string LiveSimLink::Status() const { return core_->ui.status; }
std::span<std::uint8_t> LiveSimLink::LiveFrame() { return core_->assembly->LiveFrame(); }
std::span<std::uint8_t> LiveSimLink::LivePhoto() { return core_->assembly->LivePhoto(); }

std::vector<std::string> LiveSimLink::Log() const {
  std::lock_guard<std::mutex> lock(core_->logMutex);
  return core_->log;
}

bool LiveSimLink::Logged(const std::string& line) const {
  const auto log = Log();
  return std::find(log.begin(), log.end(), line) != log.end();
}

}  // namespace lumarel::testing
