// SPDX-License-Identifier: MIT
// The link against the camera simulator over a real pseudo-terminal, with the
// receive thread and the EventLoop.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "PtyTransport.h"
#include "Pictures.h"
#include "RecordingLinkUi.h"
#include "RigParts.h"
#include "SimCamera.h"
#include "TempDir.h"
#include "imagefile/JpegDecode.h"
#include "link/CameraLink.h"
#include "link/EventLoop.h"
#include "link/LinkAssembly.h"
#include "link/LinkSetup.h"
#include "link/LinkTexts.h"
#include "platform/serial/PosixSerialPort.h"

namespace lumarel::testing {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// Message boxes answered by a hook (to change the camera before answering).
class HookNotifier final : public Notifier {
 public:
  MessageAnswer Show(const std::string& text, const std::string& caption, MessageButtons buttons,
                     MessageIcon) override {
    shown.push_back(text);
    if (hook) hook(text);
    return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
  }
  bool Saw(const std::string& text) const {
    return std::find(shown.begin(), shown.end(), text) != shown.end();
  }
  std::vector<std::string> shown;
  std::function<void(const std::string&)> hook;
};

// A simulated camera served over a pseudo-terminal at `linkPath` on its own thread.
class SimRig {
 public:
  SimRig(const fs::path& linkPath, sim::CameraSettings camera, sim::FaultSettings faults,
         int pictures)
      : pictures_(sim::GeneratePictures(pictures, 7)), camera_(camera, pictures_) {
    sim::TransportSettings ts;
    ts.linkPath = linkPath.string();
    ts.faults = faults;
    transport_ = std::make_unique<sim::PtyTransport>(camera_, ts);
    std::string error;
    opened_ = transport_->Open(error);
    EXPECT_TRUE(opened_) << error;
    if (opened_) thread_ = std::thread([this] { transport_->Run(); });
  }
  ~SimRig() {
    transport_->Stop();
    if (thread_.joinable()) thread_.join();
  }
  sim::PtyTransport& Transport() { return *transport_; }
  const std::vector<sim::StoredPicture>& Pictures() const { return pictures_; }

 private:
  std::vector<sim::StoredPicture> pictures_;
  sim::SimCamera camera_;
  std::unique_ptr<sim::PtyTransport> transport_;
  std::thread thread_;
  bool opened_ = false;
};

// A CameraLink on the EventLoop with the real port, the real decoder and COM1
// mapped to `com1` (COM2..COM4 to devices that do not exist).
class LiveLink {
 public:
  explicit LiveLink(const fs::path& dir) {
    assembly_ = std::make_unique<LinkAssembly>(RigParts(
        {opener_, notifier, ui, loop}, (dir / "com1").string(), dir.string(), TimersOn(loop)));
    link = &assembly_->Link();
  }

  bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    return loop.RunUntil(done, timeout);
  }
  bool IndexLoaded(std::chrono::milliseconds timeout = 30s) {
    return RunUntil([&] { return link->State().indexLoaded; }, timeout);
  }

  EventLoop loop;
  HookNotifier notifier;
  RecordingLinkUi ui;
  CameraLink* link = nullptr;

 private:
  PosixSerialPortOpener opener_;
  std::unique_ptr<LinkAssembly> assembly_;
};

std::vector<std::uint8_t> DecodedPixels(const std::vector<std::uint8_t>& jpeg, const fs::path& dir) {
  const fs::path in = dir / "expect.jpg", out = dir / "expect.bmp";
  std::ofstream(in, std::ios::binary).write(reinterpret_cast<const char*>(jpeg.data()), jpeg.size());
  EXPECT_TRUE(DecodeJpegFile(in.string(), out.string()));
  std::ifstream f(out, std::ios::binary);
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(f)), {});
  return bytes.size() > 54 ? std::vector<std::uint8_t>(bytes.begin() + 54, bytes.end()) : bytes;
}

// Checks every entry's label count and that each slot holds exactly the
// decoded preview the simulator sent.
void ExpectFullIndex(LiveLink& live, const SimRig& rig, const fs::path& dir) {
  const PictureList& list = live.link->Pictures();
  ASSERT_EQ(list.receivedEntries, rig.Pictures().size());
  for (std::size_t k = 0; k < rig.Pictures().size(); ++k) {
    const auto expected = DecodedPixels(rig.Pictures()[k].preview, dir);
    const std::uint8_t* slot = list.store.Slot(k);
    ASSERT_NE(slot, nullptr);
    ASSERT_LE(expected.size() + 40, kPreviewSlotSize);
    EXPECT_EQ(std::memcmp(slot + 40, expected.data(), expected.size()), 0) << "entry " << k;
    EXPECT_EQ(list.entries[k].label[4], ':') << "entry " << k;
  }
}

struct SpeedCase {
  std::uint32_t maxSpeed;
  std::uint32_t shown;
};
class Negotiate : public ::testing::TestWithParam<SpeedCase> {};

TEST_P(Negotiate, ReachesTheFastestCommonSpeedAndReadsTheIndex) {
  const TempDir scratch;
  const fs::path dir = scratch.Path();
  sim::CameraSettings cs;
  cs.maxSpeed = GetParam().maxSpeed;
  SimRig rig(dir / "com1", cs, {}, 25);
  LiveLink live(dir);
  live.link->Start();
  ASSERT_TRUE(live.IndexLoaded());
  EXPECT_EQ(live.link->State().shownSpeed, GetParam().shown);
  EXPECT_EQ(live.link->State().linkPhase, LinkPhase{0});
  EXPECT_TRUE(live.notifier.shown.empty());
  EXPECT_EQ(live.link->Pictures().pictureCount, 25);
  ExpectFullIndex(live, rig, dir);
  EXPECT_TRUE(live.ui.Has("Mdi on"));
}

INSTANTIATE_TEST_SUITE_P(Speeds, Negotiate,
                         ::testing::Values(SpeedCase{115200, 115200}, SpeedCase{57600, 57600},
                                           SpeedCase{19200, 19200}));

TEST(LinkIntegration, Only9600EndsWithTheMinimumSpeedMessage) {
  const TempDir scratch;
  const fs::path dir = scratch.Path();
  sim::CameraSettings cs;
  cs.maxSpeed = 9600;
  SimRig rig(dir / "com1", cs, {}, 3);
  LiveLink live(dir);
  live.link->Start();
  ASSERT_TRUE(live.RunUntil([&] { return !live.notifier.shown.empty(); }, 15s));
  EXPECT_EQ(live.notifier.shown[0], text::kNoSpeed);
  EXPECT_EQ(live.link->State().linkPhase, LinkPhase{7});
}

TEST(LinkIntegration, VcrModeThenPhotoMode) {
  const TempDir scratch;
  const fs::path dir = scratch.Path();
  sim::CameraSettings cs;
  cs.mode = sim::CameraMode::Vcr;
  SimRig rig(dir / "com1", cs, {}, 5);
  LiveLink live(dir);
  live.notifier.hook = [&](const std::string& text) {
    if (text == text::kVcrMode) {
      rig.Transport().RequestPhotoMode();
      std::this_thread::sleep_for(100ms);  // the user takes a moment before OK
    }
  };
  live.link->Start();
  ASSERT_TRUE(live.IndexLoaded());
  EXPECT_TRUE(live.notifier.Saw(text::kVcrMode));
  ExpectFullIndex(live, rig, dir);
}

TEST(LinkIntegration, NoCardWarnsAndWaits) {
  const TempDir scratch;
  const fs::path dir = scratch.Path();
  sim::CameraSettings cs;
  cs.mode = sim::CameraMode::NoCard;
  SimRig rig(dir / "com1", cs, {}, 5);
  LiveLink live(dir);
  live.link->Start();
  ASSERT_TRUE(live.RunUntil([&] { return live.notifier.Saw(text::kNoCard); }, 10s));
  EXPECT_FALSE(live.link->Pictures().store.Exists());
  EXPECT_EQ(live.link->State().linkPhase, LinkPhase{1});
}

TEST(LinkIntegration, NoCameraOnAnyPortEndsAtReconnectDialog) {
  const TempDir scratch;
  const fs::path dir = scratch.Path();
  LiveLink live(dir);
  live.link->Start();
  ASSERT_TRUE(live.RunUntil([&] { return live.ui.reconnectDialogs == 1; }, 10s));
  EXPECT_FALSE(live.link->PortOpen());
  EXPECT_EQ(live.link->OpenFailures().Failures().size(), 4u);
}

struct FaultCase {
  sim::FaultSettings faults;
  int pictures;
};
class Faults : public ::testing::TestWithParam<FaultCase> {};

// A dropped packet costs a watchdog period (4 s) before the CmdNak: fewer pictures.
TEST_P(Faults, StillGiveTheFullList) {
  const TempDir scratch;
  const fs::path dir = scratch.Path();
  SimRig rig(dir / "com1", {}, GetParam().faults, GetParam().pictures);
  LiveLink live(dir);
  live.link->Start();
  ASSERT_TRUE(live.IndexLoaded(90s));
  ExpectFullIndex(live, rig, dir);
}

INSTANTIATE_TEST_SUITE_P(Line, Faults,
                         ::testing::Values(FaultCase{{7, 0, -1}, 25}, FaultCase{{0, 30, -1}, 4}));

// The camera falls silent mid-index: one CmdNak, then COM_DISCONNECT. Its
// silence lasts, so Reconnect finds nobody and ends at COM_RECONNECT; a camera
// behind the same path then answers the Retry, which scans again from COM1.
TEST(LinkIntegration, SilenceThenDisconnectThenReconnect) {
  const TempDir scratch;
  const fs::path dir = scratch.Path();
  auto rig = std::make_unique<SimRig>(dir / "com1", sim::CameraSettings{},
                                      sim::FaultSettings{0, 0, 40}, 25);
  LiveLink live(dir);
  live.link->Start();
  ASSERT_TRUE(live.RunUntil([&] { return live.ui.disconnectDialogs == 1; }, 30s));
  EXPECT_FALSE(live.link->State().indexLoaded);
  EXPECT_TRUE(live.link->Setup().DisconnectDialogCommand(1));
  ASSERT_TRUE(live.RunUntil([&] { return live.ui.reconnectDialogs == 1; }, 20s));
  rig.reset();
  rig = std::make_unique<SimRig>(dir / "com1", sim::CameraSettings{}, sim::FaultSettings{}, 25);
  EXPECT_TRUE(live.link->Setup().ReconnectDialogCommand(1));
  ASSERT_TRUE(live.IndexLoaded());
  ExpectFullIndex(live, *rig, dir);
}

}  // namespace
}  // namespace lumarel::testing
