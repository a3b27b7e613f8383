// SPDX-License-Identifier: MIT
// Index, picture download, delete, erase and upload on the simulated camera.
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "Jpeg.h"
#include "Scene.h"
#include "SimTestSupport.h"

namespace lumarel::sim {
namespace {

using testing::Driver;
using testing::IsStatus;
using testing::ItemData;
using testing::RawPicture;
using testing::RawPictures;

constexpr std::uint8_t kEndOfImage[] = {0xFF, 0xD9};

TEST(SimCameraIndex, SendsEveryEntryWithPreviewThenTheEndMarker) {
  std::vector<StoredPicture> pictures = RawPictures(3);
  pictures[1].quality = 0x00;
  pictures[1].taken = {1999, 12, 31, 23, 59};
  SimCamera camera({}, pictures);
  Driver line{camera};
  line.Connect();
  line.Address(0);
  std::uint8_t command = CmdSendIndex;
  for (std::size_t e = 0; e < pictures.size(); ++e) {
    const auto packets = line.Item(command);
    const std::vector<std::uint8_t>& h = packets[0];
    EXPECT_EQ(h[0], 0x01);
    EXPECT_EQ(h[1], 0);
    EXPECT_EQ(h[3], pictures[e].quality);
    EXPECT_EQ(GetBe16(&h[8]), 640);
    EXPECT_EQ(GetBe16(&h[10]), 480);
    EXPECT_NE(GetBe16(&h[12]), 0);
    EXPECT_EQ(GetBe16(&h[14]), 160);
    EXPECT_EQ(GetBe16(&h[16]), 120);
    EXPECT_EQ(h[22], pictures[e].taken.year - 1900);
    EXPECT_EQ(h[23], pictures[e].taken.month);
    EXPECT_EQ(h[26], pictures[e].taken.minute);
    EXPECT_EQ(GetBe16(&h[28]), 3);
    EXPECT_EQ(ItemData(packets), pictures[e].preview);
    for (std::size_t k = 1; k < packets.size(); ++k) {
      EXPECT_EQ(packets[k][1], k);
      EXPECT_EQ(packets[k][115], 0);
    }
    command = CmdNextEntry;
  }
  const std::vector<std::uint8_t> end = line.One(CmdNextEntry);
  ASSERT_EQ(end.size(), kPacketSize);
  EXPECT_EQ(end[1], 0);
  EXPECT_EQ(end[12], 0);
  EXPECT_EQ(end[13], 0);
  EXPECT_TRUE(line.Send(CmdAck).empty());
}

TEST(SimCameraIndex, FreeCapacityFollowsTheCard) {
  CameraSettings settings;
  settings.cardBytes = 10 * 81920;
  SimCamera camera(settings, {RawPicture(81920 - 300)});
  Driver line{camera};
  line.Connect();
  line.Address(0);
  const std::vector<std::uint8_t> header = line.One(CmdSendIndex);
  EXPECT_EQ(GetBe16(&header[18]), 9);
  EXPECT_EQ(GetBe16(&header[20]), 18);
}

TEST(SimCameraIndex, EmptyCardSendsOneHeaderWithCountZero) {
  SimCamera camera({}, {});
  Driver line{camera};
  line.Connect();
  line.Address(0);
  const std::vector<std::uint8_t> header = line.One(CmdSendIndex);
  ASSERT_EQ(header.size(), kPacketSize);
  EXPECT_EQ(header[0], 0x01);
  EXPECT_EQ(GetBe16(&header[28]), 0);
  EXPECT_TRUE(line.Send(CmdAck).empty());
}

TEST(SimCameraIndex, RestartEntrySendsTheHeaderAgain) {
  SimCamera camera({}, RawPictures(2));
  Driver line{camera};
  line.Connect();
  line.Address(0);
  const std::vector<std::uint8_t> header = line.One(CmdSendIndex);
  line.One(CmdAck);
  line.One(CmdAck);
  EXPECT_EQ(line.One(CmdRestartEntry), header);
  EXPECT_EQ(line.One(CmdAck)[1], 1);
}

TEST(SimCameraIndex, NextEntryRightAfterAHeaderSkipsThatPreview) {
  std::vector<StoredPicture> pictures = RawPictures(2);
  pictures[1].taken.minute = 42;
  SimCamera camera({}, pictures);
  Driver line{camera};
  line.Connect();
  line.Address(0);
  line.One(CmdSendIndex);
  const std::vector<std::uint8_t> second = line.One(CmdNextEntry);
  EXPECT_EQ(second[1], 0);  // a header, not packet 1 of the first entry
  EXPECT_EQ(second[26], 42);
  const std::vector<std::uint8_t> end = line.One(CmdNextEntry);
  EXPECT_EQ(end[12], 0);
  EXPECT_EQ(end[13], 0);
}

TEST(SimCameraIndex, NakInTheMiddleResendsTheSamePacket) {
  SimCamera camera({}, RawPictures(1));
  Driver line{camera};
  line.Connect();
  line.Address(0);
  line.One(CmdSendIndex);
  const std::vector<std::uint8_t> first = line.One(CmdAck);
  EXPECT_EQ(line.One(CmdNak), first);
  EXPECT_EQ(line.One(CmdNak), first);
  EXPECT_EQ(line.One(CmdAck)[1], 2);
}

class SimCameraItemSize : public ::testing::TestWithParam<std::pair<std::size_t, std::size_t>> {};

TEST_P(SimCameraItemSize, DataPacketsAreSizeOver112PlusOne) {
  SimCamera camera({}, {RawPicture(GetParam().first)});
  Driver line{camera};
  line.Connect();
  line.Address(0);
  const auto packets = line.Item(CmdSendPicture);
  EXPECT_EQ(packets.size() - 1, GetParam().second);
  EXPECT_EQ(ItemData(packets), camera.Pictures()[0].jpeg);
  EXPECT_TRUE(line.Send(CmdAck).empty()) << "no packet after the last";
}

INSTANTIATE_TEST_SUITE_P(Sizes, SimCameraItemSize,
                         ::testing::Values(std::pair<std::size_t, std::size_t>{0, 1},
                                           std::pair<std::size_t, std::size_t>{111, 1},
                                           std::pair<std::size_t, std::size_t>{112, 2},
                                           std::pair<std::size_t, std::size_t>{224, 3}));

TEST(SimCameraPicture, SequenceNumbersWrapAfter255) {
  SimCamera camera({}, {RawPicture(112 * 300)});
  Driver line{camera};
  line.Connect();
  line.Address(0);
  const auto packets = line.Item(CmdSendPicture);
  ASSERT_EQ(packets.size(), 302u);
  EXPECT_EQ(packets[255][1], 255);
  EXPECT_EQ(packets[256][1], 0);
  EXPECT_EQ(packets[257][1], 1);
  EXPECT_EQ(ItemData(packets), camera.Pictures()[0].jpeg);
}

TEST(SimCameraPicture, AddressedPictureAndItsHeader) {
  SimCamera camera({}, RawPictures(50));
  Driver line{camera};
  line.Connect();
  line.Address(45);
  const auto packets = line.Item(CmdSendPicture);
  EXPECT_EQ(packets[0][3], 0x41);
  EXPECT_EQ(GetBe32(&packets[0][4]), camera.Pictures()[45].jpeg.size());
  EXPECT_EQ(ItemData(packets), camera.Pictures()[45].jpeg);
}

TEST(SimCameraPicture, SendPictureAgainRestartsFromTheHeader) {
  SimCamera camera({}, RawPictures(2));
  Driver line{camera};
  line.Connect();
  line.Address(1);
  const std::vector<std::uint8_t> header = line.One(CmdSendPicture);
  line.One(CmdAck);
  EXPECT_EQ(line.One(CmdSendPicture), header);
}

TEST(SimCameraPicture, MissingPictureIsRefusedEveryTimeItIsAskedFor) {
  SimCamera camera({}, RawPictures(2));
  Driver line{camera};
  line.Connect();
  line.Address(2);
  const std::vector<std::uint8_t> refusal = line.One(CmdSendPicture);
  EXPECT_TRUE(IsStatus(refusal, StatusNoPicture));
  EXPECT_EQ(line.One(CmdNak), refusal);
  EXPECT_EQ(line.One(CmdSendPicture), refusal);
  EXPECT_TRUE(line.Send(CmdAck).empty());
}

TEST(SimCameraPicture, TruncatedPictureSendsTheFirstHalfOfItsJpeg) {
  std::vector<StoredPicture> pictures = RawPictures(3);
  const std::vector<std::uint8_t> jpeg = EncodeJpeg(RenderScene(320, 240, 2, 0, 5), 80);
  ASSERT_FALSE(jpeg.empty());
  pictures[1].jpeg = jpeg;
  CameraSettings settings;
  settings.truncatedPicture = 2;
  SimCamera camera(settings, pictures);
  Driver line{camera};
  line.Connect();
  line.Address(1);
  const auto packets = line.Item(CmdSendPicture);
  EXPECT_EQ(GetBe32(&packets[0][4]), jpeg.size() / 2);
  EXPECT_EQ(GetBe16(&packets[0][8]), pictures[1].width);
  const std::vector<std::uint8_t> data = ItemData(packets);
  EXPECT_EQ(data, std::vector<std::uint8_t>(jpeg.begin(), jpeg.begin() + jpeg.size() / 2));
  EXPECT_EQ(std::search(data.begin(), data.end(), kEndOfImage, kEndOfImage + 2), data.end());
  line.Address(2);
  EXPECT_EQ(ItemData(line.Item(CmdSendPicture)), pictures[2].jpeg) << "the others are whole";
}

TEST(SimCameraDelete, DeletesTheAddressedPicturesAndCompacts) {
  SimCamera camera({}, RawPictures(6));
  const std::vector<StoredPicture> before = camera.Pictures();
  Driver line{camera};
  line.Connect();
  EXPECT_TRUE(IsStatus(line.One(CmdDeleteBegin), StatusAccepted));
  for (unsigned number : {1u, 4u}) {
    line.Address(number);
    EXPECT_TRUE(IsStatus(line.One(CmdDeletePicture), StatusAccepted));
  }
  EXPECT_EQ(camera.Pictures().size(), 6u) << "nothing goes before CmdDeleteEnd";
  EXPECT_TRUE(IsStatus(line.One(CmdDeleteEnd), StatusDeleteDone));
  ASSERT_EQ(camera.Pictures().size(), 4u);
  const std::size_t kept[] = {0, 2, 3, 5};
  for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(camera.Pictures()[i].jpeg, before[kept[i]].jpeg);
  EXPECT_TRUE(line.Send(CmdNak).empty()) << "StatusDeleteDone is never resent";
}

// However the switch came on, a delete or an erase ends with the card report
// (write-protected) and StatusDeleteDone, and the card keeps every picture.
enum class SwitchOn { AtStart, BySignal, AfterIdentification };

class SimCameraProtectedDelete : public ::testing::TestWithParam<std::tuple<SwitchOn, bool>> {};

TEST_P(SimCameraProtectedDelete, ReportsTheCardAndDeletesNothing) {
  const auto [switchOn, erase] = GetParam();
  CameraSettings settings;
  settings.writeProtected = switchOn == SwitchOn::AtStart;
  if (switchOn == SwitchOn::AfterIdentification) settings.writeProtectAfter = 0;
  SimCamera camera(settings, RawPictures(3));
  const std::vector<StoredPicture> before = camera.Pictures();
  Driver line{camera};
  line.Connect();
  if (switchOn == SwitchOn::BySignal) camera.SetWriteProtected(true);
  std::vector<Transmission> answers;
  if (erase) {
    answers = line.Send(CmdEraseAll);
  } else {
    line.Send(CmdDeleteBegin);
    line.Address(1);
    line.Send(CmdDeletePicture);
    answers = line.Send(CmdDeleteEnd);
  }
  ASSERT_EQ(answers.size(), 2u);
  EXPECT_TRUE(IsStatus(answers[0].bytes, StatusCardReport));
  EXPECT_EQ(answers[0].bytes[7], 1);
  EXPECT_TRUE(IsStatus(answers[1].bytes, StatusDeleteDone));
  ASSERT_EQ(camera.Pictures().size(), before.size());
  for (std::size_t i = 0; i < before.size(); ++i)
    EXPECT_EQ(camera.Pictures()[i].jpeg, before[i].jpeg);
}

INSTANTIATE_TEST_SUITE_P(Switches, SimCameraProtectedDelete,
                         ::testing::Combine(::testing::Values(SwitchOn::AtStart, SwitchOn::BySignal,
                                                              SwitchOn::AfterIdentification),
                                            ::testing::Bool()));

// Commands count from the latest identification; the switch comes on after
// the Nth has been answered and is reported ahead of the next answer.
TEST(SimCameraDelete, WriteProtectAfterCountsCommandsFromTheIdentification) {
  CameraSettings settings;
  settings.writeProtectAfter = 3;
  SimCamera camera(settings, RawPictures(1));
  Driver line{camera};
  for (int i = 0; i < 5; ++i) line.Send(CmdWake);  // before any identification: not counted
  EXPECT_EQ(line.One(CmdIdentify)[2], 0x00) << "identified writable";
  line.Send(CmdSpeed115200);
  line.Send(CmdSpeedConfirm);
  EXPECT_FALSE(camera.WriteProtected());
  EXPECT_TRUE(IsStatus(line.One(CmdDigitOnes), StatusAccepted));
  EXPECT_TRUE(camera.WriteProtected());
  const std::vector<Transmission> answers = line.Send(CmdDigitTens);
  ASSERT_EQ(answers.size(), 2u);
  EXPECT_TRUE(IsStatus(answers[0].bytes, StatusCardReport));
  EXPECT_EQ(answers[0].bytes[7], 1);
  EXPECT_EQ(line.One(CmdIdentify)[2], 0x10) << "a new identification tells it";
}

TEST(SimCameraDelete, EraseAllEmptiesTheCard) {
  SimCamera camera({}, RawPictures(4));
  Driver line{camera};
  line.Connect();
  EXPECT_TRUE(IsStatus(line.One(CmdEraseAll), StatusDeleteDone));
  EXPECT_TRUE(camera.Pictures().empty());
  line.Address(0);
  EXPECT_EQ(GetBe16(&line.One(CmdSendIndex)[28]), 0);
}

}  // namespace
}  // namespace lumarel::sim
