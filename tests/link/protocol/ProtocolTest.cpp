// SPDX-License-Identifier: MIT
// Byte layouts and rules of the wire protocol.
#include <gtest/gtest.h>

#include "link/Protocol.h"

namespace lumarel {
namespace {

struct CommandCase {
  std::uint8_t byte;
  std::uint8_t expected;
};

class CommandBytes : public ::testing::TestWithParam<CommandCase> {};

TEST_P(CommandBytes, MatchTheWire) { EXPECT_EQ(GetParam().byte, GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    All, CommandBytes,
    ::testing::Values(CommandCase{CmdWake, 0x00}, CommandCase{CmdIdentify, 0x2A},
                      CommandCase{CmdSpeed115200, 0x26}, CommandCase{CmdSpeed57600, 0x24},
                      CommandCase{CmdSpeed19200, 0x22}, CommandCase{CmdSpeedConfirm, 0x28},
                      CommandCase{CmdReset, 0x20}, CommandCase{CmdSendIndex, 0xE8},
                      CommandCase{CmdSendPicture, 0xD0}, CommandCase{CmdDeleteBegin, 0xD1},
                      CommandCase{CmdDeletePicture, 0xD2}, CommandCase{CmdDeleteEnd, 0xD3},
                      CommandCase{CmdEraseAll, 0xEA}, CommandCase{CmdUploadFine, 0xE0},
                      CommandCase{CmdUploadNormal, 0xE1}, CommandCase{CmdLiveFrame, 0x81},
                      CommandCase{CmdLiveStop, 0x82}, CommandCase{CmdZoomCapture, 0x84},
                      CommandCase{CmdZoomStop, 0x87}, CommandCase{CmdAck, 0x06},
                      CommandCase{CmdNak, 0x15}, CommandCase{CmdNextEntry, 0xE5},
                      CommandCase{CmdRestartEntry, 0xE6}, CommandCase{CmdCancel, 0x08},
                      CommandCase{StatusAccepted, 0x80}, CommandCase{StatusCardReport, 0x81},
                      CommandCase{StatusBusy, 0x88}, CommandCase{StatusDeleteDone, 0x89},
                      CommandCase{StatusCameraReady, 0xA0}, CommandCase{StatusVcrMode, 0xA2},
                      CommandCase{StatusNoCard, 0xA3}, CommandCase{ReplyAck, 0x06},
                      CommandCase{ReplyNak, 0x15}, CommandCase{ReplySendHeader, 0xE4},
                      CommandCase{ReplySendPreview, 0xE5}, CommandCase{ReplyUploadDone, 0xE6},
                      CommandCase{ReplyMemoryFull, 0xE7}));

TEST(Digits, UnitsFirst) {
  using A = std::array<std::uint8_t, 3>;
  EXPECT_EQ(DigitCommands(7), (A{0xA7, 0xB0, 0xC0}));
  EXPECT_EQ(DigitCommands(45), (A{0xA5, 0xB4, 0xC0}));
  EXPECT_EQ(DigitCommands(123), (A{0xA3, 0xB2, 0xC1}));
}

// Runs a sequence from `step` to 0, collecting the bytes written.
template <typename Step>
std::vector<std::uint8_t> Drive(std::uint8_t step, Step next) {
  std::vector<std::uint8_t> out;
  for (int guard = 0; guard < 20; ++guard) {
    DigitAction a = next(step);
    if (!a.valid) break;
    out.push_back(a.command);
    step = a.nextStep;
  }
  return out;
}

TEST(Digits, DownloadSequenceAddressesThenSends) {
  // The first digit is written by the window; StatusAccepted drives the rest.
  auto bytes = Drive(3, [](std::uint8_t s) { return DownloadSequenceStep(s, 45); });
  EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0xB4, 0xC0, CmdSendPicture}));
  EXPECT_FALSE(DownloadSequenceStep(0, 45).valid);
}

TEST(Digits, IndexSequenceAddressesZero) {
  auto bytes = Drive(3, IndexSequenceStep);
  EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0xB0, 0xC0, CmdSendIndex}));
}

TEST(Digits, DeleteSequenceLoopsPerPage) {
  int pages = 2;
  std::vector<std::uint8_t> bytes;
  std::uint8_t step = 5;
  int number = 123;
  while (step != 0) {
    DigitAction a = DeleteSequenceStep(step, number, pages > 1);
    ASSERT_TRUE(a.valid);
    bytes.push_back(a.command);
    if (a.command == CmdDeletePicture) {
      --pages;
      number = 7;
    }
    step = a.nextStep;
  }
  EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0xA3, 0xB2, 0xC1, CmdDeletePicture, 0xA7, 0xB0,
                                              0xC0, CmdDeletePicture, CmdDeleteEnd}));
}

TEST(DataPackets, SequenceWrapsAcross255And256) {
  CameraPacket p255 = EncodeDataPacket(255, nullptr, 0);
  CameraPacket p256 = EncodeDataPacket(256, nullptr, 0);
  EXPECT_EQ(p255[1], 255);
  EXPECT_EQ(p255[2], 1);
  EXPECT_EQ(p256[1], 0);
  EXPECT_EQ(p256[2], 0);
  EXPECT_TRUE(IsGoodDataPacket(p256, 256));
  EXPECT_TRUE(IsGoodDataPacket(p255, 255));
  EXPECT_FALSE(IsGoodDataPacket(p255, 256));
  EXPECT_EQ(EncodeDataPacket(1, nullptr, 0)[2], 0xFF);
}

struct GoodCase {
  const char* name;
  void (*change)(CameraPacket&);
  bool good;
};

class GoodPacketRule : public ::testing::TestWithParam<GoodCase> {};

TEST_P(GoodPacketRule, Judges) {
  CameraPacket p = EncodeDataPacket(3, nullptr, 0);
  GetParam().change(p);
  EXPECT_EQ(IsGoodDataPacket(p, 3), GetParam().good) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GoodPacketRule,
    ::testing::Values(GoodCase{"intact", [](CameraPacket&) {}, true},
                      GoodCase{"byte 2 not examined", [](CameraPacket& p) { p[2] = 0x77; }, true},
                      GoodCase{"trailer not 0", [](CameraPacket& p) { p[115] = 1; }, false},
                      GoodCase{"wrong sequence", [](CameraPacket& p) { p[1] = 4; }, false},
                      GoodCase{"status marker", [](CameraPacket& p) { p[0] = 0x10; }, false},
                      GoodCase{"all zero", [](CameraPacket& p) { p.fill(0); }, false}));

TEST(Items, PacketsPerSize) {
  EXPECT_EQ(PacketsInItem(0), 1u);
  EXPECT_EQ(PacketsInItem(111), 1u);
  EXPECT_EQ(PacketsInItem(112), 2u);
  EXPECT_EQ(PacketsInItem(224), 3u);
}

TEST(Items, HeaderFieldsAreBigEndian) {
  CameraPacket p{};
  p[0] = 1;
  p[3] = 0x51;
  WriteBigEndian32(&p[4], 0x01020304);
  WriteBigEndian16(&p[8], 640);
  WriteBigEndian16(&p[10], 480);
  p[12] = 0;
  p[13] = 0;
  WriteBigEndian16(&p[14], 160);
  WriteBigEndian16(&p[16], 120);
  WriteBigEndian16(&p[18], 0x0A0B);
  WriteBigEndian16(&p[20], 0x0C0D);
  p[22] = 101;
  p[26] = 59;
  WriteBigEndian16(&p[28], 0x0102);
  ItemHeader h = ParseItemHeader(p);
  EXPECT_TRUE(h.Fine());
  EXPECT_EQ(h.size, 0x01020304u);
  EXPECT_EQ(h.width, 640);
  EXPECT_EQ(h.height, 480);
  EXPECT_TRUE(h.endMarker);
  EXPECT_EQ(h.previewWidth, 160);
  EXPECT_EQ(h.previewHeight, 120);
  EXPECT_EQ(h.freeFine, 0x0A0B);
  EXPECT_EQ(h.freeNormal, 0x0C0D);
  EXPECT_EQ(h.year, 101);
  EXPECT_EQ(h.minute, 59);
  EXPECT_EQ(h.pictureCount, 0x0102);
  p[3] = 0x50;
  EXPECT_FALSE(ParseItemHeader(p).Fine());
}

TEST(Identification, ModelCodes) {
  auto with = [](const char* model) {
    CameraPacket p = EncodeStatusPacket(0);
    std::copy_n(model, 3, &p[4]);
    return ParseIdentification(p);
  };
  EXPECT_TRUE(with("931").modelAccepted);
  EXPECT_FALSE(with("931").variant631);
  EXPECT_TRUE(with("631").modelAccepted);
  EXPECT_TRUE(with("631").variant631);
  EXPECT_FALSE(with("531").modelAccepted);
  EXPECT_FALSE(with("932").modelAccepted);
}

TEST(BadPackets, TenNaksThenRecovery) {
  std::int8_t count = 0;
  bool recovered = false;
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(AnswerBadPacket(count, CmdRestartEntry, recovered), CmdNak);
    EXPECT_FALSE(recovered);
  }
  EXPECT_EQ(count, 10);
  EXPECT_EQ(AnswerBadPacket(count, CmdRestartEntry, recovered), CmdRestartEntry);
  EXPECT_TRUE(recovered);
  EXPECT_EQ(count, 0);
}

TEST(BadPackets, RecoveryBytePerTransfer) {
  EXPECT_EQ(RecoveryByte(TransferKind::IndexEntry, 0xA5, false), CmdRestartEntry);
  EXPECT_EQ(RecoveryByte(TransferKind::Picture, 0xA5, false), 0xA5);
  EXPECT_EQ(RecoveryByte(TransferKind::LiveFrame, 0, true), CmdLiveStop);
  EXPECT_EQ(RecoveryByte(TransferKind::LiveFrame, 0, false), CmdCancel);
  EXPECT_EQ(RecoveryByte(TransferKind::ZoomPicture, 0, true), CmdCancel);
}

}  // namespace
}  // namespace lumarel
