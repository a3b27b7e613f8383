// SPDX-License-Identifier: MIT
// vidmarelle-sim: a simulated camera on a pseudo-terminal, or with --probe a
// small client that lists the pictures of a camera (real or simulated).
#include <chrono>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <memory>
#include <thread>

#include "CardChanges.h"
#include "Pictures.h"
#include "Probe.h"
#include "PtyTransport.h"
#include "SimCamera.h"
#include "SimOptions.h"
#include "lumarel/Version.h"

namespace {

using namespace lumarel::sim;

PtyTransport* gTransport = nullptr;
volatile std::sig_atomic_t gStopped = 0;

extern "C" void OnSignal(int signal) {
  if (signal != SIGUSR1 && signal != SIGUSR2) gStopped = 1;
  if (gTransport == nullptr) return;
  if (signal == SIGUSR1) gTransport->RequestPhotoMode();
  else if (signal == SIGUSR2) gTransport->RequestToggleWriteProtect();
  else gTransport->Stop();
}

void InstallSignals() {
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGUSR1, SIGUSR2, SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

// Log lines with milliseconds since start; "-" writes to standard error.
class LogFile {
 public:
  bool Open(const std::string& path) {
    if (path.empty()) return true;
    file_ = path == "-" ? stderr : std::fopen(path.c_str(), "w");
    return file_ != nullptr;
  }
  ~LogFile() {
    if (file_ != nullptr && file_ != stderr) std::fclose(file_);
  }
  void Write(const std::string& line) {
    if (file_ == nullptr) return;
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start_).count();
    std::fprintf(file_, "%8lld %s\n", static_cast<long long>(ms), line.c_str());
    std::fflush(file_);
  }

 private:
  std::FILE* file_ = nullptr;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

std::vector<StoredPicture> LoadPictures(const SimOptions& options) {
  if (options.picturesDir.empty())
    return GeneratePictures(options.generate < 0 ? 12 : options.generate, options.seed);
  std::vector<std::string> warnings;
  std::vector<StoredPicture> pictures = LoadPictureFolder(options.picturesDir, warnings);
  for (const std::string& warning : warnings) std::cerr << "vidmarelle-sim: " << warning << "\n";
  return pictures;
}

int RunProbe(const std::string& path) {
  const ProbeResult result = ProbeCamera(path);
  PrintProbe(result, std::cout);
  return result.error.empty() && result.indexComplete ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  SimOptions options;
  std::string error;
  if (!ParseSimOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
    std::cerr << "vidmarelle-sim: " << error << "\n" << kSimUsage;
    return 2;
  }
  if (options.help) {
    std::cout << kSimUsage;
    return 0;
  }
  if (options.version) {
    std::cout << "vidmarelle-sim " << lumarel::kVersion << "\n";
    return 0;
  }
  if (!options.probe.empty()) return RunProbe(options.probe);

  LogFile log;
  if (!log.Open(options.logFile)) {
    std::cerr << "vidmarelle-sim: cannot write " << options.logFile << "\n";
    return 1;
  }
  std::vector<StoredPicture> pictures = LoadPictures(options);
  if (static_cast<std::size_t>(options.camera.truncatedPicture) > pictures.size()) {
    std::cerr << "vidmarelle-sim: --truncated-picture " << options.camera.truncatedPicture
              << ": the card holds " << pictures.size() << " pictures\n";
    return 2;
  }
  if (options.card.smallPreviews) ShrinkEverySecondPreview(pictures);
  // With --return-after the camera comes back once after a hang-up, started
  // afresh, without the picture of --return-without.
  for (bool returned = false;; returned = true) {
    SimCamera camera(options.camera, pictures);
    camera.SetLog([&log](const std::string& line) { log.Write(line); });
    TransportSettings settings;
    settings.linkPath = options.link;
    settings.realtime = options.realtime;
    settings.adapterLatencyMs = options.adapterLatencyMs;
    settings.faults = options.faults;
    if (returned) settings.faults.hangupAfter = -1;
    settings.seed = options.seed;
    settings.log = [&log](const std::string& line) { log.Write(line); };
    PtyTransport transport(camera, settings);
    if (!transport.Open(error)) {
      std::cerr << "vidmarelle-sim: " << error << "\n";
      return 1;
    }
    gTransport = &transport;
    InstallSignals();
    std::cout << "vidmarelle-sim: model " << options.camera.model << ", "
              << camera.Pictures().size() << " pictures, line " << transport.SlavePath()
              << " linked at " << options.link << std::endl;
    transport.Run();
    gTransport = nullptr;
    if (!returned && !gStopped && options.card.returnAfterMs >= 0) {
      for (int waited = 0; waited < options.card.returnAfterMs && !gStopped; waited += 10)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      RemovePicture(pictures, options.card.returnWithout);
      if (!gStopped) {
        log.Write("the line is back, " + std::to_string(pictures.size()) + " pictures");
        continue;
      }
    }
    const FaultCounts faults = transport.Faults();
    if (faults.Total() > 0) {
      std::cout << "vidmarelle-sim: " << faults.packets << " packets, " << faults.garbled
                << " garbled, " << faults.dropped << " dropped, " << faults.silences
                << " silences (" << faults.silentMs << " ms)" << std::endl;
    }
    break;
  }
  return 0;
}
