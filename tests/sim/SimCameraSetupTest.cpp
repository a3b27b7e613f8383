// SPDX-License-Identifier: MIT
// Identification, speeds, modes, picture numbers and the line-speed rules of
// the simulated camera, driven in-process.
#include <gtest/gtest.h>

#include "SimTestSupport.h"

namespace lumarel::sim {
namespace {

using testing::Driver;
using testing::IsStatus;
using testing::RawPictures;

TEST(SimCameraSetup, IdentificationCarriesModelProtectionCapacityAndCount) {
  CameraSettings settings;
  settings.model = "631";
  settings.writeProtected = true;
  settings.cardBytes = 1u << 20;
  SimCamera camera(settings, RawPictures(3));
  Driver line{camera};
  EXPECT_TRUE(line.Send(CmdWake).empty());
  const std::vector<std::uint8_t> id = line.One(CmdIdentify);
  ASSERT_EQ(id.size(), kPacketSize);
  EXPECT_EQ(id[0], 0x10);
  EXPECT_EQ(id[2], 0x10);
  EXPECT_EQ(std::string(id.begin() + 4, id.begin() + 7), "631");
  EXPECT_EQ(GetBe32(&id[16]), camera.FreeBytes());
  EXPECT_LT(camera.FreeBytes(), 1u << 20);
  EXPECT_EQ(GetBe16(&id[20]), 3);
  EXPECT_EQ(id[114], 0x72);
}

TEST(SimCameraSetup, WritableCardLeavesByteTwoClear) {
  SimCamera camera({}, {});
  EXPECT_EQ(Driver{camera}.One(CmdIdentify)[2], 0x00);
}

struct SpeedCase {
  std::uint32_t maxSpeed;
  std::uint8_t command;
  bool answered;
};

class SimCameraSpeed : public ::testing::TestWithParam<SpeedCase> {};

TEST_P(SimCameraSpeed, AnswersOnlySpeedsUpToItsMaximumAtTheNewSpeed) {
  CameraSettings settings;
  settings.maxSpeed = GetParam().maxSpeed;
  SimCamera camera(settings, {});
  Driver line{camera};
  line.Send(CmdIdentify);
  const std::vector<Transmission> answers = camera.Receive(GetParam().command, 9600);
  if (!GetParam().answered) {
    EXPECT_TRUE(answers.empty());
    EXPECT_EQ(camera.Speed(), 9600u);
    return;
  }
  ASSERT_EQ(answers.size(), 1u);
  EXPECT_TRUE(IsStatus(answers[0].bytes, StatusAccepted));
  EXPECT_TRUE(answers[0].afterSpeedChange);
  EXPECT_EQ(answers[0].speed, SpeedOfCommand(GetParam().command));
  EXPECT_EQ(camera.Speed(), SpeedOfCommand(GetParam().command));
}

INSTANTIATE_TEST_SUITE_P(
    Speeds, SimCameraSpeed,
    ::testing::Values(SpeedCase{115200, CmdSpeed115200, true}, SpeedCase{115200, CmdSpeed19200, true},
                      SpeedCase{57600, CmdSpeed115200, false}, SpeedCase{57600, CmdSpeed57600, true},
                      SpeedCase{19200, CmdSpeed57600, false}, SpeedCase{19200, CmdSpeed19200, true},
                      SpeedCase{9600, CmdSpeed19200, false}));

struct ModeCase {
  CameraMode mode;
  std::uint8_t status;
  std::uint32_t speedAfter;
};

class SimCameraMode : public ::testing::TestWithParam<ModeCase> {};

TEST_P(SimCameraMode, SpeedConfirmReportsTheMode) {
  CameraSettings settings;
  settings.mode = GetParam().mode;
  SimCamera camera(settings, {});
  Driver line{camera};
  line.Send(CmdIdentify);
  line.Send(CmdSpeed57600);
  EXPECT_TRUE(IsStatus(line.One(CmdSpeedConfirm), GetParam().status));
  EXPECT_EQ(camera.Speed(), GetParam().speedAfter);
}

INSTANTIATE_TEST_SUITE_P(Modes, SimCameraMode,
                         ::testing::Values(ModeCase{CameraMode::Photo, StatusCameraReady, 57600},
                                           ModeCase{CameraMode::Vcr, StatusVcrMode, 9600},
                                           ModeCase{CameraMode::NoCard, StatusNoCard, 9600}));

TEST(SimCameraSetup, SwitchingToPhotoModeLetsTheNextConversationConnect) {
  CameraSettings settings;
  settings.mode = CameraMode::Vcr;
  SimCamera camera(settings, {});
  Driver line{camera};
  line.Connect();
  EXPECT_FALSE(camera.Connected());
  camera.SetMode(CameraMode::Photo);
  line.Connect();
  EXPECT_TRUE(camera.Connected());
}

struct NumberCase {
  unsigned number;
  std::vector<std::uint8_t> bytes;
};

class SimCameraNumber : public ::testing::TestWithParam<NumberCase> {};

TEST_P(SimCameraNumber, DigitsAreAcceptedOneByOneAndAddressThePicture) {
  SimCamera camera({}, {});
  Driver line{camera};
  line.Connect();
  for (std::uint8_t byte : GetParam().bytes) EXPECT_TRUE(IsStatus(line.One(byte), StatusAccepted));
  EXPECT_EQ(camera.AddressedNumber(), GetParam().number);
}

INSTANTIATE_TEST_SUITE_P(Numbers, SimCameraNumber,
                         ::testing::Values(NumberCase{7, {0xA7, 0xB0, 0xC0}},
                                           NumberCase{45, {0xA5, 0xB4, 0xC0}},
                                           NumberCase{123, {0xA3, 0xB2, 0xC1}}));

TEST(SimCameraSetup, ByteAtAnotherSpeedIsLostUnlessTheLineIsBackAt9600) {
  SimCamera camera({}, {});
  Driver line{camera};
  line.Connect();
  EXPECT_TRUE(camera.Receive(0xA1, 57600).empty());
  EXPECT_EQ(camera.Speed(), 115200u);
  // At 9600 the camera falls back and listens: a new speed command is answered.
  const std::vector<Transmission> answers = camera.Receive(CmdSpeed57600, 9600);
  ASSERT_EQ(answers.size(), 1u);
  EXPECT_EQ(answers[0].speed, 57600u);
}

TEST(SimCameraSetup, ResetReturnsTo9600WithoutAnswer) {
  SimCamera camera({}, {});
  Driver line{camera};
  line.Connect();
  EXPECT_TRUE(line.Send(CmdReset).empty());
  EXPECT_EQ(camera.Speed(), 9600u);
  EXPECT_FALSE(camera.Connected());
}

TEST(SimCameraSetup, WriteProtectChangeIsReportedAheadOfTheNextAnswerOnly) {
  SimCamera camera({}, {});
  Driver line{camera};
  line.Connect();
  camera.SetWriteProtected(true);
  const std::vector<Transmission> answers = line.Send(0xA0);
  ASSERT_EQ(answers.size(), 2u);
  EXPECT_TRUE(IsStatus(answers[0].bytes, StatusCardReport));
  EXPECT_EQ(answers[0].bytes[7], 1);
  EXPECT_TRUE(IsStatus(answers[1].bytes, StatusAccepted));
  EXPECT_EQ(line.Send(0xB0).size(), 1u);
}

TEST(SimCameraSetup, NakResendsTheLastPacketUnchanged) {
  SimCamera camera({}, {});
  Driver line{camera};
  const std::vector<std::uint8_t> id = line.One(CmdIdentify);
  EXPECT_EQ(line.One(CmdNak), id);
}

TEST(SimCameraSetup, UnknownBytesAreIgnored) {
  SimCamera camera({}, {});
  Driver line{camera};
  line.Connect();
  for (std::uint8_t byte : {0x3F, 0xAA, 0xFF, 0x06, 0xE5}) EXPECT_TRUE(line.Send(byte).empty()) << int(byte);
}

}  // namespace
}  // namespace lumarel::sim
