// SPDX-License-Identifier: MIT
// Uploads into the simulated camera: packets as the program sends them, one-byte replies.
#include <gtest/gtest.h>

#include <algorithm>

#include "Jpeg.h"
#include "Scene.h"
#include "SimTestSupport.h"

namespace lumarel::sim {
namespace {

using testing::Driver;
using testing::ItemData;
using testing::RawPictures;

std::vector<std::uint8_t> UploadHeader(std::uint8_t fine, std::uint32_t size, bool withDate) {
  std::vector<std::uint8_t> p(116, 0);
  p[0] = 0x01;
  p[3] = fine;
  p[4] = static_cast<std::uint8_t>(size >> 24);
  p[5] = static_cast<std::uint8_t>(size >> 16);
  p[6] = static_cast<std::uint8_t>(size >> 8);
  p[7] = static_cast<std::uint8_t>(size);
  if (withDate) p[22] = 101, p[23] = 7, p[24] = 14, p[25] = 9, p[26] = 30;
  return p;
}

std::vector<std::uint8_t> UploadData(const std::vector<std::uint8_t>& data, unsigned k) {
  std::vector<std::uint8_t> p(116, 0);
  p[0] = 0x01;
  p[1] = static_cast<std::uint8_t>(k);
  p[2] = static_cast<std::uint8_t>(256 - k % 256);
  for (std::size_t i = 0; i < 112 && (k - 1) * 112 + i < data.size(); ++i) p[3 + i] = data[(k - 1) * 112 + i];
  return p;
}

std::uint8_t Reply(const std::vector<Transmission>& answers) {
  return answers.size() == 1 && answers[0].bytes.size() == 1 ? answers[0].bytes[0] : 0;
}

// Sends one item as the program does; returns the reply to its last packet.
std::uint8_t SendItem(Driver& line, const std::vector<std::uint8_t>& data, bool picture) {
  EXPECT_EQ(Reply(line.Send(UploadHeader(1, static_cast<std::uint32_t>(data.size()), picture))), ReplyAck);
  const unsigned count = PacketsForSize(static_cast<std::uint32_t>(data.size()));
  std::uint8_t reply = 0;
  for (unsigned k = 1; k <= count; ++k) {
    reply = Reply(line.Send(UploadData(data, k)));
    if (k < count) {
      EXPECT_EQ(reply, ReplyAck) << "packet " << k;
    }
  }
  return reply;
}

struct UploadFixture : ::testing::Test {
  std::vector<std::uint8_t> picture = EncodeJpeg(RenderScene(320, 240, 4, 0, 9), 70);
  std::vector<std::uint8_t> preview = EncodeJpeg(RenderScene(160, 120, 4, 0, 9), 10);
};

TEST_F(UploadFixture, FullUploadIsStoredAndListed) {
  SimCamera camera({}, RawPictures(2));
  Driver line{camera};
  line.Connect();
  EXPECT_EQ(Reply(line.Send(CmdUploadNormal)), ReplySendHeader);
  EXPECT_EQ(SendItem(line, picture, true), ReplySendPreview);
  EXPECT_EQ(SendItem(line, preview, false), ReplyUploadDone);
  ASSERT_EQ(camera.Pictures().size(), 3u);
  const StoredPicture& stored = camera.Pictures()[2];
  EXPECT_EQ(stored.jpeg, picture);
  EXPECT_EQ(stored.quality, 0x00);
  EXPECT_EQ(stored.width, 320);
  EXPECT_EQ(stored.height, 240);
  EXPECT_EQ(stored.taken.year, 2001);
  EXPECT_EQ(stored.taken.minute, 30);
  // The next conversation lists it with the preview that came with it.
  line.Address(2);
  const auto packets = line.Item(CmdSendIndex);
  EXPECT_EQ(ItemData(packets), preview);
  EXPECT_EQ(GetBe16(&packets[0][28]), 3);
}

TEST_F(UploadFixture, BadPacketGetsNakAndTheSamePacketIsTakenAfter) {
  SimCamera camera({}, {});
  Driver line{camera};
  line.Connect();
  line.Send(CmdUploadFine);
  line.Send(UploadHeader(1, static_cast<std::uint32_t>(picture.size()), true));
  std::vector<std::uint8_t> bad = UploadData(picture, 1);
  bad[115] = 7;
  EXPECT_EQ(Reply(line.Send(bad)), ReplyNak);
  EXPECT_EQ(Reply(line.Send(UploadData(picture, 2))), ReplyNak) << "out of order";
  EXPECT_EQ(Reply(line.Send(UploadData(picture, 1))), ReplyAck);
}

TEST_F(UploadFixture, PartialPacketIsDroppedWhenTheLineGoesQuiet) {
  SimCamera camera({}, {});
  Driver line{camera};
  line.Connect();
  line.Send(CmdUploadFine);
  const std::vector<std::uint8_t> header = UploadHeader(1, 500, true);
  line.Send(std::vector<std::uint8_t>(header.begin(), header.begin() + 40));
  EXPECT_EQ(Reply(camera.LineIdle()), ReplyNak);
  EXPECT_EQ(Reply(line.Send(header)), ReplyAck);
}

TEST_F(UploadFixture, MemoryFullAfterTheGivenUploads) {
  CameraSettings settings;
  settings.memoryFullAfter = 1;
  SimCamera camera(settings, {});
  Driver line{camera};
  line.Connect();
  line.Send(CmdUploadFine);
  SendItem(line, picture, true);
  SendItem(line, preview, false);
  EXPECT_EQ(Reply(line.Send(CmdUploadFine)), ReplyMemoryFull);
  EXPECT_FALSE(camera.Uploading());
  EXPECT_EQ(line.Send(CmdDigitOnes).size(), 1u) << "back to 116-byte answers";
}

TEST_F(UploadFixture, PictureLargerThanTheFreeRoomIsRefusedAtItsHeader) {
  CameraSettings settings;
  settings.cardBytes = 100000;
  SimCamera camera(settings, {});
  Driver line{camera};
  line.Connect();
  EXPECT_EQ(Reply(line.Send(CmdUploadFine)), ReplySendHeader);
  EXPECT_EQ(Reply(line.Send(UploadHeader(1, 90000, true))), ReplyMemoryFull);
  EXPECT_TRUE(camera.Pictures().empty());
}

TEST_F(UploadFixture, WriteProtectedCardRefusesUploads) {
  CameraSettings settings;
  settings.writeProtected = true;
  SimCamera camera(settings, {});
  Driver line{camera};
  line.Connect();
  EXPECT_EQ(Reply(line.Send(CmdUploadNormal)), ReplyMemoryFull);
}

// The fault switches that reach the program's failure paths.
TEST_F(UploadFixture, FaultSwitchesLeaveTheUploadUnanswered) {
  {
    CameraSettings settings;
    settings.uploadNoReply = true;
    SimCamera camera(settings, RawPictures(1));
    Driver line{camera};
    line.Connect();
    EXPECT_TRUE(line.Send(CmdUploadFine).empty());
  }
  {
    CameraSettings settings;
    settings.uploadSilentAfter = 2;
    SimCamera camera(settings, RawPictures(1));
    Driver line{camera};
    line.Connect();
    EXPECT_EQ(Reply(line.Send(CmdUploadFine)), ReplySendHeader);
    EXPECT_EQ(Reply(line.Send(UploadHeader(1, static_cast<std::uint32_t>(picture.size()), true))),
              ReplyAck);
    EXPECT_EQ(Reply(line.Send(UploadData(picture, 1))), ReplyAck);
    EXPECT_TRUE(line.Send(UploadData(picture, 2)).empty());
    EXPECT_TRUE(camera.LineIdle().empty());
    EXPECT_EQ(camera.Pictures().size(), 1u);
  }
}

// Every packet from the third on, resends included, gets ReplyNak and nothing is stored.
TEST_F(UploadFixture, NakUploadAfterRefusesEveryLaterPacketForEver) {
  CameraSettings settings;
  settings.nakUploadAfter = 2;
  SimCamera camera(settings, RawPictures(1));
  Driver line{camera};
  line.Connect();
  EXPECT_EQ(Reply(line.Send(CmdUploadFine)), ReplySendHeader);
  EXPECT_EQ(Reply(line.Send(UploadHeader(1, static_cast<std::uint32_t>(picture.size()), true))),
            ReplyAck);
  EXPECT_EQ(Reply(line.Send(UploadData(picture, 1))), ReplyAck);
  for (int resend = 0; resend < 50; ++resend)
    ASSERT_EQ(Reply(line.Send(UploadData(picture, 2))), ReplyNak) << "resend " << resend;
  EXPECT_EQ(Reply(line.Send(UploadData(picture, 3))), ReplyNak);
  EXPECT_TRUE(camera.Uploading());
  EXPECT_EQ(camera.Pictures().size(), 1u);
}

TEST(SimCameraFaults, BadPreviewIsNoJpegAndPictureDataIsMarked) {
  CameraSettings settings;
  settings.badPreview = 2;
  SimCamera camera(settings, RawPictures(3));
  Driver line{camera};
  line.Connect();
  line.Address(1);
  const auto bad = ItemData(line.Item(CmdSendIndex));
  EXPECT_EQ(bad.size(), camera.Pictures()[1].preview.size());
  EXPECT_EQ(std::count(bad.begin(), bad.end(), 0xFF), 0);  // no JPEG marker at all
  line.Address(0);
  EXPECT_EQ(ItemData(line.Item(CmdSendIndex)), camera.Pictures()[0].preview);
  line.Address(0);
  const auto header = line.Send(CmdSendPicture);
  ASSERT_EQ(header.size(), 1u);
  EXPECT_FALSE(header[0].pictureData);
  const auto data = line.Send(CmdAck);
  ASSERT_EQ(data.size(), 1u);
  EXPECT_TRUE(data[0].pictureData);
}

}  // namespace
}  // namespace lumarel::sim
