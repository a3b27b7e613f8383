// SPDX-License-Identifier: MIT
// The link with its transfers against the camera simulator over a real
// pseudo-terminal: receive thread, EventLoop with the windows' timers, a
// LinkUi that records and lets tests play the windows' part (repaints that
// paint, commands that start the next download).
#pragma once

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "Pictures.h"
#include "PlatformFakes.h"
#include "PtyTransport.h"
#include "RecordingLinkUi.h"
#include "RigParts.h"
#include "SimCamera.h"
#include "TempDir.h"
#include "TransferHarness.h"
#include "imagefile/JpegDecode.h"
#include "link/EventLoop.h"
#include "link/LinkAssembly.h"
#include "link/PictureWork.h"
#include "platform/serial/PosixSerialPort.h"

namespace lumarel::testing {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Records like RecordingLinkUi and calls the hooks the test installs.
class HookUi final : public RecordingLinkUi {
 public:
  void Repaint(LinkWindow w, std::optional<Rect> a) override {
    RecordingLinkUi::Repaint(w, a);
    if (onRepaint) onRepaint(w, a);
  }
  void SendCommand(LinkWindow w, int id) override {
    RecordingLinkUi::SendCommand(w, id);
    if (onCommand) onCommand(w, id);
  }

  RecordingLinkUi& rec = *this;  // the record, as the tests read it
  std::function<void(LinkWindow, std::optional<Rect>)> onRepaint;
  std::function<void(LinkWindow, int)> onCommand;
};

// A simulated camera served over a pseudo-terminal on its own thread.
class SimRig {
 public:
  SimRig(const fs::path& linkPath, sim::CameraSettings camera, sim::FaultSettings faults,
         std::vector<sim::StoredPicture> pictures)
      : pictures_(std::move(pictures)), camera_(camera, pictures_) {
    sim::TransportSettings ts;
    ts.linkPath = linkPath.string();
    ts.faults = faults;
    transport_ = std::make_unique<sim::PtyTransport>(camera_, ts);
    std::string error;
    const bool opened = transport_->Open(error);
    EXPECT_TRUE(opened) << error;
    if (opened) thread_ = std::thread([this] { transport_->Run(); });
  }
  ~SimRig() { Stop(); }
  // Ends the camera's thread: the line goes silent and the camera may be inspected.
  void Stop() {
    transport_->Stop();
    if (thread_.joinable()) thread_.join();
  }
  const std::vector<sim::StoredPicture>& Source() const { return pictures_; }
  const sim::SimCamera& Camera() const { return camera_; }

 private:
  std::vector<sim::StoredPicture> pictures_;
  sim::SimCamera camera_;
  std::unique_ptr<sim::PtyTransport> transport_;
  std::thread thread_;
};

class TransferRig {
 public:
  explicit TransferRig(const fs::path& dir) {
    WriteDibHeader(liveFrame, 160, 120, 24);
    WriteDibHeader(livePhoto, 640, 480, 24);
    LinkParts parts = RigParts({opener_, notifier, ui, loop, &clock}, (dir / "com1").string(),
                               dir.string(), TimersOn(loop));
    parts.transfers.currentPalette = currentPalette;
    parts.transfers.liveFrame = liveFrame;
    parts.transfers.livePhoto = livePhoto;
    assembly_ = std::make_unique<LinkAssembly>(std::move(parts));
    link = &assembly_->Link();
    transfers = &assembly_->Transfers();
    capture = loop.MakeTimers([this](int id) { transfers->Download().OnCaptureTimer(id); });
    openfile = loop.MakeTimers([this](int id) { transfers->Upload().OnOpenfileTimer(id); });
  }

  bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    return loop.RunUntil(done, timeout);
  }
  bool Connect(std::chrono::milliseconds timeout = 60s) {
    link->Start();
    return RunUntil([&] { return link->State().indexLoaded; }, timeout);
  }
  // Starts one operation and runs the loop until its outcome arrives; nothing
  // (std::nullopt) when it did not arrive within the timeout.
  std::optional<LinkOutcome> RunOperation(const std::function<void(OperationDone)>& start,
                                          std::chrono::milliseconds timeout) {
    std::optional<LinkOutcome> outcome;
    start([&outcome](const LinkOutcome& o) { outcome = o; });
    RunUntil([&] { return outcome.has_value(); }, timeout);
    return outcome;
  }
  LinkOperations& Ops() { return transfers->Operations(); }
  // Opens a Capture window for picture n and runs its download to the end.
  bool Download(int n, TestTarget& target, std::chrono::milliseconds timeout = 120s) {
    const PictureEntry& e = link->Pictures().entries[n];
    target.picture.assign(std::size_t(e.width) * e.height * 3 + 100, 0);
    transfers->Download().CaptureWindowCreated(target, *capture);
    if (!transfers->Download().Start(n)) return false;
    return RunUntil([&] { return !link->State().downloadActive; }, timeout);
  }

  EventLoop loop;
  RecordingNotifier notifier;
  HookUi ui;
  FakeClock clock;
  std::vector<std::uint8_t> currentPalette = std::vector<std::uint8_t>(1032, 0);
  std::vector<std::uint8_t> liveFrame = std::vector<std::uint8_t>(59392, 0x80);
  std::vector<std::uint8_t> livePhoto = std::vector<std::uint8_t>(925696, 0x80);
  CameraLink* link = nullptr;
  LinkTransfers* transfers = nullptr;
  std::unique_ptr<Timers> capture, openfile;

 private:
  PosixSerialPortOpener opener_;
  std::unique_ptr<LinkAssembly> assembly_;
};

inline std::vector<std::uint8_t> ReadFile(const fs::path& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(f)), {});
}

// The source picture as the program should show it: decoded, then the
// post-processing of its quality byte; 40-byte header and rows.
inline std::vector<std::uint8_t> ExpectedPicture(const sim::StoredPicture& source,
                                                 const fs::path& dir) {
  const fs::path in = dir / "expect.jpg", out = dir / "expect.bmp";
  std::ofstream(in, std::ios::binary)
      .write(reinterpret_cast<const char*>(source.jpeg.data()),
             static_cast<std::streamsize>(source.jpeg.size()));
  EXPECT_TRUE(DecodeJpegFile(in.string(), out.string()));
  const std::vector<std::uint8_t> bmp = ReadFile(out);
  std::vector<std::uint8_t> dib(bmp.size() > 14 ? bmp.begin() + 14 : bmp.end(), bmp.end());
  RecordingNotifier quiet;
  PostProcessPicture(dib, source.quality, quiet);
  return dib;
}

// Downloads all pictures of the list one by one, each into its own Capture
// window, and compares each with its source put through the same decoding and
// post-processing.
inline void DownloadAllAndCompare(TransferRig& t, const std::vector<sim::StoredPicture>& sources,
                           const fs::path& dir) {
  ASSERT_EQ(t.link->Pictures().receivedEntries, sources.size());
  std::set<int> nibbles;
  for (std::size_t n = 0; n < sources.size(); ++n) {
    SCOPED_TRACE(n);
    TestTarget target(0, 1032);
    ASSERT_TRUE(t.Download(static_cast<int>(n), target, 300s));
    const sim::StoredPicture& source = sources[n];
    nibbles.insert(source.quality >> 4);
    const std::vector<std::uint8_t> expected = ExpectedPicture(source, dir);
    ASSERT_EQ(expected.size(), 40u + std::size_t(source.width) * source.height * 3);
    ASSERT_LE(expected.size(), target.picture.size());
    EXPECT_EQ(std::memcmp(target.picture.data(), expected.data(), expected.size()), 0);
    t.transfers->Download().CaptureWindowDestroyed(target);
  }
  EXPECT_EQ(nibbles, (std::set<int>{0, 4, 5}));
  EXPECT_TRUE(t.notifier.shown.empty());
  EXPECT_EQ(t.ui.rec.disconnectDialogs, 0);
}

}  // namespace lumarel::testing
