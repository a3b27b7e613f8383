// SPDX-License-Identifier: MIT
// The simulator's building blocks: packet layouts, generated pictures, line
// noise and faults, and the command line.
#include <gtest/gtest.h>

#include <set>

#include "Jpeg.h"
#include "LineFaults.h"
#include "Packets.h"
#include "Pictures.h"
#include "SimOptions.h"
#include "SimSerialPort.h"

namespace lumarel::sim {
namespace {

TEST(SimPackets, ItemHeaderFieldsSitAtTheirBytes) {
  ItemHeader h;
  h.quality = 0x51;
  h.size = 0x01020304;
  h.width = 640;
  h.height = 480;
  h.entryMark = 0x0A0B;
  h.previewWidth = 160;
  h.previewHeight = 120;
  h.fineFree = 0x1112;
  h.normalFree = 0x2122;
  h.time = {2001, 7, 14, 9, 30};
  h.pictureCount = 0x0305;
  const Packet p = MakeItemHeader(h);
  const std::pair<std::size_t, int> expected[] = {
      {0, 0x01}, {1, 0},   {3, 0x51},  {4, 1},     {5, 2},   {6, 3},  {7, 4},  {8, 0x02},
      {9, 0x80}, {10, 0x01}, {11, 0xE0}, {12, 0x0A}, {13, 0x0B}, {14, 0}, {15, 160}, {16, 0},
      {17, 120}, {18, 0x11}, {19, 0x12}, {20, 0x21}, {21, 0x22}, {22, 101}, {23, 7}, {24, 14},
      {25, 9},   {26, 30},   {28, 3},    {29, 5},    {115, 0}};
  for (const auto& [at, value] : expected) EXPECT_EQ(p[at], value) << "byte " << at;
}

class SimDataPacket : public ::testing::TestWithParam<std::pair<std::uint32_t, int>> {};

TEST_P(SimDataPacket, SequenceAndComplement) {
  const std::uint8_t data[3] = {7, 8, 9};
  const Packet p = MakeDataPacket(GetParam().first, data, 3);
  EXPECT_EQ(p[0], 0x01);
  EXPECT_EQ(p[1], GetParam().second);
  EXPECT_EQ(static_cast<std::uint8_t>(p[1] + p[2]), 0);
  EXPECT_EQ(p[3], 7);
  EXPECT_EQ(p[5], 9);
  EXPECT_EQ(p[6], 0);
  EXPECT_EQ(p[115], 0);
}

INSTANTIATE_TEST_SUITE_P(Counters, SimDataPacket,
                         ::testing::Values(std::pair<std::uint32_t, int>{0, 0},
                                           std::pair<std::uint32_t, int>{5, 5},
                                           std::pair<std::uint32_t, int>{255, 255},
                                           std::pair<std::uint32_t, int>{256, 0},
                                           std::pair<std::uint32_t, int>{2159, 111}));

TEST(SimPictures, GeneratedPicturesAreFineAndNormalWithDecodablePreviews) {
  const std::vector<StoredPicture> pictures = GeneratePictures(6, 1);
  ASSERT_EQ(pictures.size(), 6u);
  std::set<int> highNibbles;
  for (std::size_t i = 0; i < pictures.size(); ++i) {
    const StoredPicture& p = pictures[i];
    const bool fine = (p.quality & 0x0F) != 0;
    EXPECT_EQ(fine, i % 2 == 0);
    EXPECT_EQ(p.width, fine ? 640 : 320);
    EXPECT_EQ(p.height, fine ? 480 : 240);
    highNibbles.insert(p.quality >> 4);
    RgbImage picture, preview;
    ASSERT_TRUE(DecodeJpeg(p.jpeg, picture));
    EXPECT_EQ(picture.width, p.width);
    ASSERT_TRUE(DecodeJpeg(p.preview, preview));
    EXPECT_EQ(preview.width, 160);
    EXPECT_EQ(preview.height, 120);
    EXPECT_LE(p.preview.size(), 59392u - 40);
  }
  EXPECT_EQ(highNibbles, (std::set<int>{0, 4, 5}));
  EXPECT_EQ(pictures[0].taken.year, 1999);
  EXPECT_GE(pictures[2].taken.year, 2000);
  EXPECT_EQ(GeneratePictures(2, 1)[1].jpeg, pictures[1].jpeg) << "deterministic";
}

TEST(SimPictures, NonJpegIsRefused) {
  StoredPicture picture;
  EXPECT_NE(MakeStoredPicture({1, 2, 3}, 1, {}, picture), "");
}

TEST(SimLine, EqualSpeedsPassBytesUnchanged) {
  std::mt19937 random(1);
  const std::vector<std::uint8_t> bytes(116, 0x10);
  EXPECT_EQ(SpeedMismatch(bytes, 57600, 57600, random), bytes);
}

TEST(SimLine, MismatchGivesNoiseScaledByTheSpeeds) {
  std::mt19937 random(1);
  const std::vector<std::uint8_t> bytes(116, 0x10);
  const auto slow = SpeedMismatch(bytes, 115200, 9600, random);
  EXPECT_EQ(slow.size(), 9u);
  const auto fast = SpeedMismatch(bytes, 9600, 115200, random);
  EXPECT_EQ(fast.size(), 232u);
  for (std::uint8_t b : slow) EXPECT_TRUE(b != 0x10 && b != 0x01);
}

TEST(SimLine, GarbledPacketsAreRejectable) {
  std::vector<std::uint8_t> data(116, 0);
  data[0] = 0x01;
  GarblePacket(data);
  EXPECT_NE(data[115], 0);
  std::vector<std::uint8_t> status(116, 0);
  status[0] = 0x10;
  GarblePacket(status);
  EXPECT_NE(status[0], 0x10);
}

TEST(SimLine, FaultsCountPacketsOnly) {
  FaultSettings settings;
  settings.garbleEvery = 2;
  settings.dropEvery = 3;
  settings.silentAfter = 5;
  FaultInjector faults(settings);
  const std::vector<std::uint8_t> packet(116), reply(1);
  EXPECT_EQ(faults.Next(reply), FaultAction::Send);
  const FaultAction expected[] = {FaultAction::Send, FaultAction::Garble, FaultAction::Drop,
                                  FaultAction::Garble, FaultAction::Send, FaultAction::Silent};
  for (FaultAction action : expected) EXPECT_EQ(faults.Next(packet), action);
}

// What becomes of `packets` packets, each after a reply byte (never faulted).
std::vector<FaultAction> Judge(FaultInjector& faults, int packets,
                               std::vector<int>* silences = nullptr) {
  const std::vector<std::uint8_t> packet(116), reply(1);
  std::vector<FaultAction> actions;
  for (int i = 0; i < packets; ++i) {
    EXPECT_EQ(faults.Next(reply), FaultAction::Send);  // reply bytes are never faulted
    EXPECT_EQ(faults.SilenceMs(), 0);
    actions.push_back(faults.Next(packet));
    if (silences != nullptr && faults.SilenceMs() > 0) silences->push_back(faults.SilenceMs());
  }
  return actions;
}

TEST(SimLine, RandomFaultsFollowTheirRatesAndRepeatForASeed) {
  FaultSettings settings;
  settings.garbleRate = 0.02;
  settings.dropRate = 0.01;
  settings.silenceRate = 0.005;
  settings.silenceMinMs = 500;
  settings.silenceMaxMs = 2000;
  settings.seed = 11;
  FaultInjector faults(settings);
  std::vector<int> silences;
  const std::vector<FaultAction> first = Judge(faults, 20000, &silences);
  const FaultCounts& counts = faults.Counts();
  EXPECT_EQ(counts.packets, 20000);
  EXPECT_NEAR(counts.garbled, 0.02 * 0.99 * 20000, 80);  // a dropped packet is not also garbled
  EXPECT_NEAR(counts.dropped, 0.01 * 20000, 60);
  EXPECT_NEAR(counts.silences, 0.005 * 20000, 40);
  EXPECT_EQ(counts.Total(), counts.garbled + counts.dropped + counts.silences);
  ASSERT_EQ(static_cast<long>(silences.size()), counts.silences);
  long total = 0;
  for (int ms : silences) {
    EXPECT_GE(ms, 500);
    EXPECT_LE(ms, 2000);
    total += ms;
  }
  EXPECT_EQ(total, counts.silentMs);
  EXPECT_NEAR(static_cast<double>(total) / counts.silences, 1250, 150);

  FaultInjector again(settings);
  EXPECT_EQ(Judge(again, 20000), first);
  settings.seed = 12;
  FaultInjector other(settings);
  EXPECT_NE(Judge(other, 20000), first);
}

TEST(SimLine, CountedFaultsTakePrecedenceOverRandomOnes) {
  FaultSettings settings;
  settings.dropEvery = 4;
  settings.garbleRate = 1.0;
  FaultInjector faults(settings);
  const std::vector<FaultAction> expected = {FaultAction::Garble, FaultAction::Garble,
                                             FaultAction::Garble, FaultAction::Drop};
  EXPECT_EQ(Judge(faults, 4), expected);
  EXPECT_EQ(faults.Counts().garbled, 3);
  EXPECT_EQ(faults.Counts().dropped, 1);
}

TEST(SimOptionsParse, ReadsTheRandomFaults) {
  SimOptions o;
  std::string error;
  ASSERT_TRUE(ParseSimOptions({"--link", "x", "--garble-rate", "0.02", "--drop-rate", "0.01",
                               "--silence-rate", "0.001", "--silence-ms", "600-1800",
                               "--seed", "7"},
                              o, error))
      << error;
  EXPECT_DOUBLE_EQ(o.faults.garbleRate, 0.02);
  EXPECT_DOUBLE_EQ(o.faults.dropRate, 0.01);
  EXPECT_DOUBLE_EQ(o.faults.silenceRate, 0.001);
  EXPECT_EQ(o.faults.silenceMinMs, 600);
  EXPECT_EQ(o.faults.silenceMaxMs, 1800);
  EXPECT_EQ(o.faults.seed, 7u);
  EXPECT_EQ(o.faults.garbleEvery, 0);

  SimOptions fixed;
  ASSERT_TRUE(ParseSimOptions({"--link", "x", "--silence-ms", "800"}, fixed, error)) << error;
  EXPECT_EQ(fixed.faults.silenceMinMs, 800);
  EXPECT_EQ(fixed.faults.silenceMaxMs, 800);
  EXPECT_EQ(fixed.faults.silenceRate, 0.0);
}

TEST(SimOptionsParse, ReadsEveryOption) {
  SimOptions o;
  std::string error;
  ASSERT_TRUE(ParseSimOptions({"--link", "/tmp/x", "--generate", "5", "--model", "632",
                               "--write-protected", "--mode", "nocard", "--max-speed", "57600",
                               "--memory-full-after", "2", "--realtime", "--garble-every", "4",
                               "--drop-every", "6", "--silent-after", "9", "--busy-during-live",
                               "--seed", "3", "--log", "-"},
                              o, error))
      << error;
  EXPECT_EQ(o.link, "/tmp/x");
  EXPECT_EQ(o.generate, 5);
  EXPECT_EQ(o.camera.model, "632");
  EXPECT_TRUE(o.camera.writeProtected);
  EXPECT_EQ(o.camera.mode, CameraMode::NoCard);
  EXPECT_EQ(o.camera.maxSpeed, 57600u);
  EXPECT_EQ(o.camera.memoryFullAfter, 2);
  EXPECT_TRUE(o.realtime);
  EXPECT_EQ(o.faults.garbleEvery, 4);
  EXPECT_EQ(o.faults.dropEvery, 6);
  EXPECT_EQ(o.faults.silentAfter, 9);
  EXPECT_TRUE(o.camera.busyDuringLive);
  EXPECT_EQ(o.camera.sceneSeed, 3u);
  EXPECT_EQ(o.logFile, "-");
}

TEST(SimOptionsParse, AdapterLatencyAndVersion) {
  SimOptions o;
  std::string error;
  ASSERT_TRUE(ParseSimOptions({"--link", "x", "--adapter-latency", "16"}, o, error)) << error;
  EXPECT_EQ(o.adapterLatencyMs, 16);
  for (const char* bad : {"0", "256", "fast"}) {
    SimOptions b;
    EXPECT_FALSE(ParseSimOptions({"--link", "x", "--adapter-latency", bad}, b, error)) << bad;
  }
  SimOptions v;
  ASSERT_TRUE(ParseSimOptions({"--version"}, v, error)) << error;  // needs no --link
  EXPECT_TRUE(v.version);
}

TEST(SimOptionsParse, CameraFaultSwitches) {
  SimOptions o;
  std::string error;
  ASSERT_TRUE(ParseSimOptions({"--link", "x", "--nak-upload-after", "0", "--write-protect-after",
                               "4", "--truncated-picture", "3"},
                              o, error))
      << error;
  EXPECT_EQ(o.camera.nakUploadAfter, 0);
  EXPECT_EQ(o.camera.writeProtectAfter, 4);
  EXPECT_EQ(o.camera.truncatedPicture, 3);
  SimOptions none;
  ASSERT_TRUE(ParseSimOptions({"--link", "x"}, none, error)) << error;
  EXPECT_EQ(none.camera.nakUploadAfter, -1);
  EXPECT_EQ(none.camera.writeProtectAfter, -1);
  EXPECT_EQ(none.camera.truncatedPicture, 0);
}

class SimOptionsBad : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(SimOptionsBad, AreRefused) {
  SimOptions o;
  std::string error;
  EXPECT_FALSE(ParseSimOptions(GetParam(), o, error));
  EXPECT_NE(error, "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SimOptionsBad,
    ::testing::Values(std::vector<std::string>{}, std::vector<std::string>{"--link"},
                      std::vector<std::string>{"--link", "x", "--model", "93"},
                      std::vector<std::string>{"--link", "x", "--max-speed", "38400"},
                      std::vector<std::string>{"--link", "x", "--mode", "movie"},
                      std::vector<std::string>{"--link", "x", "--generate", "-1"},
                      std::vector<std::string>{"--link", "x", "--pictures", "d", "--generate", "2"},
                      std::vector<std::string>{"--link", "x", "--bogus", "1"},
                      std::vector<std::string>{"--link", "x", "--garble-rate", "1.5"},
                      std::vector<std::string>{"--link", "x", "--drop-rate", "-0.1"},
                      std::vector<std::string>{"--link", "x", "--drop-rate", "lots"},
                      std::vector<std::string>{"--link", "x", "--silence-rate", "nan"},
                      std::vector<std::string>{"--link", "x", "--silence-ms", "2000-500"},
                      std::vector<std::string>{"--link", "x", "--silence-ms", "-5"},
                      std::vector<std::string>{"--link", "x", "--silence-ms", "500-"},
                      std::vector<std::string>{"--link", "x", "--nak-upload-after", "-1"},
                      std::vector<std::string>{"--link", "x", "--write-protect-after", "soon"},
                      std::vector<std::string>{"--link", "x", "--write-protect-after", "1e9"},
                      std::vector<std::string>{"--link", "x", "--nak-upload-after", "4294967296"},
                      std::vector<std::string>{"--link", "x", "--truncated-picture", "0"},
                      std::vector<std::string>{"--link", "x", "--truncated-picture"}));

}  // namespace
}  // namespace lumarel::sim

namespace lumarel::sim {
namespace {

TEST(SimSerialPortLine, SpeedAnswerWaitsForTheSwitchAndIsNoiseAtTheWrongSpeed) {
  SimCamera camera({}, {});
  SimSerialPort port(camera);
  port.WriteByte(CmdIdentify);
  std::uint8_t packet[116];
  ASSERT_EQ(port.Read(packet, 116), 116u);
  EXPECT_EQ(packet[114], 0x72);
  port.WriteByte(CmdSpeed115200);
  EXPECT_EQ(port.ClearErrors(), 0u);
  EXPECT_EQ(port.HeldAnswers(), 1u);
  port.SetLine(115200);
  ASSERT_EQ(port.Read(packet, 116), 116u);
  EXPECT_EQ(packet[8], StatusAccepted);

  // Back at 9600 the camera listens again; switching to the wrong speed turns its answer to noise.
  port.SetLine(9600);
  port.WriteByte(CmdSpeed57600);
  port.SetLine(19200);
  EXPECT_LT(port.Read(packet, 116), 116u);
  EXPECT_NE(packet[0], 0x10);
}

TEST(SimSerialPortLine, WakeEndsAWaitWithoutCharacter) {
  SimCamera camera({}, {});
  SimSerialPort port(camera);
  port.Wake();
  EXPECT_EQ(port.WaitForCharacter(), PortWait::Woken);
  port.WriteByte(CmdIdentify);
  EXPECT_EQ(port.WaitForCharacter(), PortWait::Received);
}

}  // namespace
}  // namespace lumarel::sim
