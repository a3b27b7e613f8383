// SPDX-License-Identifier: MIT
// The simulated camera behind a real pseudo-terminal, driven by a raw termios
// client: identification, speed negotiation at each maximum speed, the index
// with decodable previews, noise while the speeds differ, and faults.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <unistd.h>

#include "Probe.h"
#include "PtyTransport.h"
#include "SimTestSupport.h"
#include "TermiosClient.h"

namespace lumarel::sim {
namespace {

using testing::IsStatus;

std::string LinkPath() {
  static int serial = 0;
  return ::testing::TempDir() + "lumarel-sim-" + std::to_string(::getpid()) + "-" +
         std::to_string(++serial);
}

// A camera served on its own thread for the life of the object.
class CameraOnPty {
 public:
  explicit CameraOnPty(CameraSettings settings, FaultSettings faults = {}, int pictures = 3)
      : camera_(settings, GeneratePictures(pictures, 1)),
        transport_(camera_, TransportSettings{LinkPath(), false, faults, 7, 400, 500, {}}) {
    std::string error;
    opened_ = transport_.Open(error);
    EXPECT_TRUE(opened_) << error;
    if (opened_) thread_ = std::thread([this] { transport_.Run(); });
  }
  ~CameraOnPty() {
    transport_.Stop();
    if (thread_.joinable()) thread_.join();
  }
  std::string Link() const { return transport_.SlavePath(); }
  PtyTransport& Transport() { return transport_; }

 private:
  SimCamera camera_;
  PtyTransport transport_;
  bool opened_ = false;
  std::thread thread_;
};

class PtyNegotiation : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(PtyNegotiation, ConversationStartsAtTheFastestSpeedBothManage) {
  CameraSettings settings;
  settings.maxSpeed = GetParam();
  CameraOnPty camera(settings);
  const ProbeResult result = ProbeCamera(camera.Link());
  EXPECT_EQ(result.error, "");
  EXPECT_TRUE(result.identified);
  EXPECT_EQ(result.model, "931");
  EXPECT_EQ(result.pictureCount, 3);
  EXPECT_EQ(result.speed, GetParam());
  EXPECT_EQ(result.readyStatus, StatusCameraReady);
  EXPECT_TRUE(result.indexComplete);
  ASSERT_EQ(result.entries.size(), 3u);
  for (const ProbeEntry& entry : result.entries) {
    EXPECT_EQ(entry.decodedWidth, 160);
    EXPECT_EQ(entry.decodedHeight, 120);
    EXPECT_EQ(entry.previewWidth, 160);
  }
  EXPECT_EQ(result.entries[0].width, 640);
  EXPECT_EQ(result.entries[1].width, 320);
}

INSTANTIATE_TEST_SUITE_P(MaxSpeeds, PtyNegotiation, ::testing::Values(115200u, 57600u, 19200u));

TEST(PtyTransport, CameraLimitedTo9600NeverAnswersASpeed) {
  CameraSettings settings;
  settings.maxSpeed = 9600;
  CameraOnPty camera(settings);
  const ProbeResult result = ProbeCamera(camera.Link());
  EXPECT_TRUE(result.identified);
  EXPECT_EQ(result.speed, 0u);
  EXPECT_EQ(result.error, "no speed answered");
}

TEST(PtyTransport, VcrModeIsReportedAtTheNegotiatedSpeed) {
  CameraSettings settings;
  settings.mode = CameraMode::Vcr;
  CameraOnPty camera(settings);
  const ProbeResult result = ProbeCamera(camera.Link());
  EXPECT_EQ(result.speed, 115200u);
  EXPECT_EQ(result.readyStatus, StatusVcrMode);
  EXPECT_TRUE(result.entries.empty());
}

TEST(PtyTransport, SeesTheSpeedTheProgramSets) {
  CameraOnPty camera({});
  TermiosClient client;
  std::string error;
  ASSERT_TRUE(client.Open(camera.Link(), error)) << error;
  EXPECT_EQ(camera.Transport().LineSpeed(), 9600u);
  client.SetSpeed(57600);
  EXPECT_EQ(camera.Transport().LineSpeed(), 57600u);
}

TEST(PtyTransport, AnswerIsNoiseWhileTheSpeedsDiffer) {
  CameraOnPty camera({});
  TermiosClient client;
  std::string error;
  ASSERT_TRUE(client.Open(camera.Link(), error)) << error;
  client.WriteByte(CmdIdentify);
  EXPECT_TRUE(IsStatus(client.Read(116, 800), StatusAccepted));
  // The program fails to follow: the answer at 115200 reaches a port still at 9600.
  client.WriteByte(CmdSpeed115200);
  const std::vector<std::uint8_t> noise = client.Read(116, 900);
  EXPECT_FALSE(noise.empty());
  EXPECT_LT(noise.size(), 116u);
  EXPECT_NE(noise[0], 0x10);
  // Back at 9600 the next speed command is heard and answered at 57600.
  client.Purge();
  client.WriteByte(CmdSpeed57600);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  client.SetSpeed(57600);
  EXPECT_TRUE(IsStatus(client.Read(116, 800), StatusAccepted));
}

TEST(PtyTransport, GarbledAndDroppedPacketsAreRecoveredByNak) {
  FaultSettings faults;
  faults.garbleEvery = 3;
  faults.dropEvery = 40;
  CameraOnPty camera({}, faults, 2);
  const ProbeResult result = ProbeCamera(camera.Link());
  EXPECT_EQ(result.error, "");
  EXPECT_EQ(result.speed, 115200u);
  ASSERT_EQ(result.entries.size(), 2u);
  EXPECT_EQ(result.entries[1].decodedWidth, 160);
}

TEST(PtyTransport, RandomGarbledAndDroppedPacketsAreRecoveredByNak) {
  FaultSettings faults;
  faults.garbleRate = 0.2;
  faults.dropRate = 0.03;
  faults.seed = 5;
  CameraOnPty camera({}, faults, 2);
  const ProbeResult result = ProbeCamera(camera.Link());
  EXPECT_EQ(result.error, "");
  ASSERT_EQ(result.entries.size(), 2u);
  EXPECT_EQ(result.entries[1].decodedWidth, 160);
  const FaultCounts counts = camera.Transport().Faults();
  EXPECT_GT(counts.garbled, 0);
  EXPECT_GT(counts.packets, counts.garbled + counts.dropped);
}

// A silence holds the answer back for its length, then the camera carries on;
// switched off, the faults leave the line alone and are no longer counted.
TEST(PtyTransport, SilenceHoldsTheAnswerBackThenTheCameraCarriesOn) {
  FaultSettings faults;
  faults.silenceRate = 1.0;
  faults.silenceMinMs = 600;
  faults.silenceMaxMs = 600;
  CameraOnPty camera({}, faults);
  TermiosClient client;
  std::string error;
  ASSERT_TRUE(client.Open(camera.Link(), error)) << error;
  client.WriteByte(CmdIdentify);
  EXPECT_TRUE(client.Read(116, 250).empty());
  EXPECT_TRUE(IsStatus(client.Read(116, 2000), StatusAccepted));
  FaultCounts counts = camera.Transport().Faults();
  EXPECT_EQ(counts.silences, 1);
  EXPECT_EQ(counts.silentMs, 600);

  camera.Transport().SetFaultsEnabled(false);
  client.WriteByte(CmdIdentify);
  EXPECT_TRUE(IsStatus(client.Read(116, 250), StatusAccepted));
  EXPECT_EQ(camera.Transport().Faults().packets, counts.packets);
}

TEST(PtyTransport, StopEndsALongSilence) {
  FaultSettings faults;
  faults.silenceRate = 1.0;
  faults.silenceMinMs = 60000;
  faults.silenceMaxMs = 60000;
  const auto start = std::chrono::steady_clock::now();
  {
    CameraOnPty camera({}, faults);
    TermiosClient client;
    std::string error;
    ASSERT_TRUE(client.Open(camera.Link(), error)) << error;
    client.WriteByte(CmdIdentify);
    EXPECT_TRUE(client.Read(116, 300).empty());
  }  // stops the camera in its silence
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST(PtyTransport, SilentCameraAnswersNothingAfterItsLastPacket) {
  FaultSettings faults;
  faults.silentAfter = 1;
  CameraOnPty camera({}, faults);
  const ProbeResult result = ProbeCamera(camera.Link(), false);
  EXPECT_TRUE(result.identified);
  EXPECT_EQ(result.speed, 0u);
}

}  // namespace
}  // namespace lumarel::sim
