// SPDX-License-Identifier: MIT
#include "PtyCamera.h"

#include <algorithm>
#include <mutex>
#include <thread>

#include "Pictures.h"
#include "PtyTransport.h"
#include "SimCamera.h"

namespace lumarel::testing {

struct PtyCamera::Core {
  explicit Core(const std::string& linkPath)
      : pictures(sim::GeneratePictures(3, 11)), camera(sim::CameraSettings{}, pictures) {
    camera.SetLog([this](const std::string& line) {
      std::lock_guard<std::mutex> lock(mutex);
      log.push_back(line);
    });
    sim::TransportSettings settings;
    settings.linkPath = linkPath;
    transport = std::make_unique<sim::PtyTransport>(camera, settings);
    std::string error;
    started = transport->Open(error);
    if (started) thread = std::thread([this] { transport->Run(); });
  }
  ~Core() {
    transport->Stop();
    if (thread.joinable()) thread.join();
  }

  std::vector<sim::StoredPicture> pictures;
  sim::SimCamera camera;
  std::unique_ptr<sim::PtyTransport> transport;
  std::thread thread;
  bool started = false;
  mutable std::mutex mutex;
  std::vector<std::string> log;
};

PtyCamera::PtyCamera(const std::string& linkPath) : core_(std::make_unique<Core>(linkPath)) {}
PtyCamera::~PtyCamera() = default;
bool PtyCamera::Started() const { return core_->started; }

std::vector<std::string> PtyCamera::Log() const {
  std::lock_guard<std::mutex> lock(core_->mutex);
  return core_->log;
}

int PtyCamera::Count(const std::string& line) const {
  const auto log = Log();
  return static_cast<int>(std::count(log.begin(), log.end(), line));
}

}  // namespace lumarel::testing
