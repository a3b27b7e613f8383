// SPDX-License-Identifier: MIT
// Picture download: addressing, packets, recovery, take-over and its failures.
#include <gtest/gtest.h>

#include <filesystem>

#include "TransferHarness.h"
#include "link/PictureWork.h"

namespace lumarel::testing {
namespace {

TEST(DownloadAddressing, Picture45IsSentUnitsFirstThenSendPicture) {
  TransferHarness h(46);
  h.StartDownload(45);
  EXPECT_EQ(h.Written(), (Bytes{0xA5}));
  EXPECT_EQ(h.State().responseKind, ResponseKind::Picture);
  EXPECT_EQ(h.ui.status, "Receive Image data");
  for (int i = 0; i < 3; ++i) h.Feed(EncodeStatusPacket(StatusAccepted));
  EXPECT_EQ(h.Written(), (Bytes{0xB4, 0xC0, CmdSendPicture}));
  EXPECT_EQ(h.State().lastCommandByte, CmdSendPicture);
  h.Feed(EncodeStatusPacket(StatusAccepted));  // nothing pending: a bad packet
  EXPECT_EQ(h.Written(), (Bytes{CmdNak}));
}

TEST(DownloadAddressing, OpensDataTransferOnlyWhenNoWaitDialogIsOpen) {
  TransferHarness h;
  h.StartDownload(1);
  EXPECT_EQ(h.ui.Count("WaitOpen DATA_TRANS"), 1);
  h.Download().Start(2);
  EXPECT_EQ(h.ui.Count("WaitOpen DATA_TRANS"), 1);
  EXPECT_FALSE(h.Download().Start(6));  // not in the list
}

TEST(DownloadPackets, AcknowledgesAllButTheLastAndTakesOver) {
  TransferHarness h;
  h.StartDownload(2);
  for (int i = 0; i < 3; ++i) h.Feed(EncodeStatusPacket(StatusAccepted));
  h.Written();
  h.ui.Clear();
  h.Feed(PictureHeader(300));
  EXPECT_EQ(h.Written(), (Bytes{CmdAck}));
  EXPECT_TRUE(h.ui.Has("ProgressRange 3"));
  EXPECT_EQ(h.List().freeCapacity.fine, 7);
  EXPECT_EQ(h.List().freeCapacity.normal, 14);
  h.Feed(DataPacketOf(1, 1));
  h.Feed(DataPacketOf(2, 2));
  EXPECT_EQ(h.Written(), (Bytes{CmdAck, CmdAck}));
  EXPECT_EQ(h.decodes, 0);
  h.decodedWidth = 640;
  h.decodedHeight = 480;
  h.Feed(DataPacketOf(3, 3));
  EXPECT_TRUE(h.Written().empty());
  EXPECT_EQ(h.decodes, 1);
  EXPECT_EQ(std::filesystem::file_size(h.dir / "tmpA"), 300u);
  EXPECT_TRUE(h.ui.Has("ProgressPosition 3"));
  EXPECT_TRUE(h.ui.Has("Repaint ActiveChild"));
  EXPECT_TRUE(h.ui.Has("Menu Frame 40003 on"));
  EXPECT_TRUE(h.ui.Has("WaitClose"));
  EXPECT_EQ(h.ui.status, "Ready");
  EXPECT_FALSE(h.State().downloadActive);
  EXPECT_EQ(HeaderWidth(h.target.picture), 640);
  EXPECT_EQ(h.target.picture[40], 0x42);
  EXPECT_EQ(h.target.picture[40 + 640 * 480 * 3 - 1], 0x42);
  EXPECT_EQ(h.target.picture[40 + 640 * 480 * 3], 0);  // nothing past the pixels
  EXPECT_TRUE(h.notifier.shown.empty());
}

// A decoder that writes a patterned 640 x 480 bitmap, so that smoothing shows.
void UsePatternedDecoder(TransferHarness& h, std::vector<std::uint8_t>& decoded) {
  decoded.assign(54 + 640 * 480 * 3, 0);
  for (std::size_t i = 54; i < decoded.size(); ++i) decoded[i] = static_cast<std::uint8_t>((i * 37) % 251);
  decoded[0] = 'B';
  decoded[1] = 'M';
  std::vector<std::uint8_t> info(40, 0);
  WriteDibHeader(info, 640, 480, 24);
  std::copy(info.begin(), info.end(), decoded.begin() + 14);
  h.link->Services().decodeJpeg = [&decoded](const std::string&, const std::string& bmp) {
    std::FILE* f = std::fopen(bmp.c_str(), "wb");
    std::fwrite(decoded.data(), 1, decoded.size(), f);
    std::fclose(f);
    return ImageResult(ImageStatus::Done);
  };
}

class QualityNibble : public ::testing::TestWithParam<std::uint8_t> {};

TEST_P(QualityNibble, PostProcessingFollowsTheHighNibble) {
  const std::uint8_t quality = GetParam();
  TransferHarness h;
  std::vector<std::uint8_t> decoded;
  UsePatternedDecoder(h, decoded);
  h.List().entries[0].quality = quality;
  h.StartDownload(0);
  h.FeedPicture(500, quality);

  std::vector<std::uint8_t> raw(decoded.begin() + 14, decoded.end());
  std::vector<std::uint8_t> expected = raw;
  PostProcessPicture(expected, quality, h.notifier);
  ASSERT_TRUE(std::equal(expected.begin(), expected.end(), h.target.picture.begin()));
  const bool unchanged = std::equal(raw.begin(), raw.end(), h.target.picture.begin());
  EXPECT_EQ(unchanged, (quality >> 4) == 0);
  if (quality == 0x50) {
    std::vector<std::uint8_t> boosted = raw;
    PostProcessPicture(boosted, 0x40, h.notifier);
    EXPECT_FALSE(std::equal(boosted.begin(), boosted.end(), h.target.picture.begin()));
  }
}
INSTANTIATE_TEST_SUITE_P(Qualities, QualityNibble, ::testing::Values(0x01, 0x40, 0x50));

TEST(DownloadPackets, MidGreyIsBoostedTo166) {
  TransferHarness h;
  h.decodedWidth = 640;
  h.decodedHeight = 480;
  h.decodedValue = 128;
  h.List().entries[1].quality = 0x41;
  h.StartDownload(1);
  h.FeedPicture(200, 0x41);
  EXPECT_EQ(h.target.picture[40], 166);
  EXPECT_EQ(h.target.picture[40 + 1000], 166);
}

TEST(DownloadRecovery, EleventhBadPacketResendsSendPictureAndRestarts) {
  TransferHarness h;
  h.decodedWidth = 640;
  h.decodedHeight = 480;
  h.StartDownload(3);
  for (int i = 0; i < 3; ++i) h.Feed(EncodeStatusPacket(StatusAccepted));
  h.Feed(PictureHeader(400));
  h.Feed(DataPacketOf(1, 9));
  h.Written();
  for (int i = 0; i < 10; ++i) h.Feed(DataPacketOf(5, 9));
  EXPECT_EQ(h.Written(), Bytes(10, CmdNak));
  CameraPacket broken = DataPacketOf(2, 9);
  broken[115] = 1;
  h.Feed(broken);
  EXPECT_EQ(h.Written(), (Bytes{CmdSendPicture}));
  EXPECT_EQ(h.State().picturePacketCounter, 0);
  EXPECT_EQ(h.State().pictureDataOffset, 0u);
  EXPECT_EQ(h.link->PictureBuffer()[0], 0);
  EXPECT_EQ(h.State().badPacketCount, 0);
  // The camera starts the picture again.
  h.Feed(PictureHeader(400));
  for (std::uint16_t k = 1; k <= 4; ++k) h.Feed(DataPacketOf(k, 9));
  EXPECT_EQ(h.Written(), Bytes(4, CmdAck));
  EXPECT_EQ(h.decodes, 1);
  EXPECT_EQ(std::filesystem::file_size(h.dir / "tmpA"), 400u);
}

TEST(DownloadRecovery, BeforeTheDigitsAreAcceptedTheLastDigitIsResent) {
  TransferHarness h;
  h.StartDownload(4);
  h.Feed(EncodeStatusPacket(StatusAccepted));  // units accepted, tens sent
  h.Written();
  for (int i = 0; i < 11; ++i) h.Feed(CameraPacket{});  // all-zero packets
  Bytes expected(10, CmdNak);
  expected.push_back(0xB0);
  EXPECT_EQ(h.Written(), expected);
}

TEST(DownloadStatus, CardReportAndBusyGetNoReply) {
  TransferHarness h;
  h.StartDownload(0);
  h.Written();
  CameraPacket report = EncodeStatusPacket(StatusCardReport);
  report[7] = 1;
  h.Feed(report);
  h.Feed(EncodeStatusPacket(StatusBusy));
  EXPECT_TRUE(h.Written().empty());
  EXPECT_TRUE(h.State().writeProtected);
  h.Feed(EncodeStatusPacket(StatusDeleteDone));
  EXPECT_EQ(h.Written(), (Bytes{CmdNak}));
}

TEST(DownloadClosedEarly, LaterPacketsAreRejectedAndThePictureDropped) {
  TransferHarness h;
  h.List().selectedCount = 2;
  h.List().downloadsPending = 1;
  h.List().currentPicture = 2;
  h.StartDownload(2);
  for (int i = 0; i < 3; ++i) h.Feed(EncodeStatusPacket(StatusAccepted));
  h.Feed(PictureHeader(300));  // 3 data packets
  h.Written();
  h.ui.Clear();
  h.Download().CaptureWindowDestroyed(h.target);
  EXPECT_EQ(h.State().picturePacketCounter, 4);
  EXPECT_FALSE(h.State().downloadActive);
  EXPECT_EQ(h.List().selectedCount, 0);
  EXPECT_EQ(h.List().downloadsPending, 0);
  EXPECT_EQ(h.List().currentPicture, kNoPicture);
  EXPECT_EQ(h.ui.calls, (std::vector<std::string>{"Progress hide", "Menu Frame 40005 off",
                                                   "Menu Frame 40010 off"}));
  h.Feed(DataPacketOf(1, 1));
  h.Feed(DataPacketOf(4, 1));  // matches the counter, but beyond the picture
  EXPECT_EQ(h.Written(), (Bytes{CmdNak, CmdNak}));
  for (int i = 0; i < 9; ++i) h.Feed(DataPacketOf(1, 1));
  EXPECT_EQ(h.Written().back(), CmdSendPicture);
  h.ui.Clear();
  h.Feed(PictureHeader(300));
  for (std::uint16_t k = 1; k <= 3; ++k) h.Feed(DataPacketOf(k, 1));
  EXPECT_EQ(h.decodes, 0);
  EXPECT_EQ(h.ui.status, "Ready");
  EXPECT_FALSE(h.ui.Has("Repaint ActiveChild"));
  EXPECT_EQ(h.State().picturePacketCounter, 0);
}

TEST(DownloadFailures, JpegLargerThanThePictureBufferEndsTheDownload) {
  TransferHarness h;
  h.StartDownload(0);
  for (int i = 0; i < 3; ++i) h.Feed(EncodeStatusPacket(StatusAccepted));
  h.Written();
  h.Feed(PictureHeader(925696));  // 8266 packets would end past the buffer
  EXPECT_TRUE(h.Written().empty());
  ASSERT_EQ(h.notifier.shown.size(), 1u);
  EXPECT_EQ(h.notifier.shown[0].text, "This file size is wrong. ");
  EXPECT_EQ(h.notifier.shown[0].caption, "ERROR");
  EXPECT_FALSE(h.State().downloadActive);
  EXPECT_TRUE(h.ui.Has("WaitClose"));
  h.Feed(DataPacketOf(1, 1));
  EXPECT_EQ(h.Written(), (Bytes{CmdNak}));
  EXPECT_EQ(h.State().pictureDataOffset, 0u);
}

TEST(DownloadFailures, LargestPictureThatFitsIsCollected) {
  TransferHarness h;
  h.decodedWidth = 640;
  h.decodedHeight = 480;
  h.StartDownload(0);
  const std::uint32_t size = 925696 / 112 * 112 - 1;  // 8265 packets, 925680 bytes
  h.FeedPicture(size);
  EXPECT_EQ(h.decodes, 1);
  EXPECT_EQ(std::filesystem::file_size(h.dir / "tmpA"), size);
}

struct DecodeFailure {
  int width, height;
  const char* message;
};
class DownloadDecodeFailure : public ::testing::TestWithParam<DecodeFailure> {};

TEST_P(DownloadDecodeFailure, KeepsTheEmptyPictureAndEndsTheChain) {
  TransferHarness h;
  h.decodedWidth = GetParam().width;
  h.decodedHeight = GetParam().height;
  h.List().downloadsPending = 2;
  h.StartDownload(0);
  h.FeedPicture(300);
  ASSERT_EQ(h.notifier.shown.size(), 1u);
  EXPECT_EQ(h.notifier.shown[0].text, GetParam().message);
  EXPECT_EQ(h.notifier.shown[0].caption, "ERROR");
  EXPECT_TRUE(std::all_of(h.target.picture.begin(), h.target.picture.end(),
                          [](std::uint8_t b) { return b == 0; }));
  EXPECT_FALSE(h.ui.Has("Menu Frame 40003 on"));
  EXPECT_FALSE(h.ui.Has("Repaint ActiveChild"));
  EXPECT_EQ(h.List().downloadsPending, 0);
  EXPECT_TRUE(h.ui.Has("WaitClose"));
  EXPECT_FALSE(h.frame.IsRunning(frame_timer::kNextDownload));
}
INSTANTIATE_TEST_SUITE_P(Failures, DownloadDecodeFailure,
                         ::testing::Values(DecodeFailure{0, 0, "This file type is wrong."},
                                           DecodeFailure{320, 240, "This file size is wrong. "},
                                           DecodeFailure{640, 481, "This file size is wrong. "}));

TEST(DownloadFailures, PictureBlockTooSmallForTheListedSizeIsRefused) {
  TransferHarness h;
  h.decodedWidth = 640;
  h.decodedHeight = 480;
  TestTarget small(1000);
  h.Download().CaptureWindowCreated(small, h.captureTimers);
  h.Download().Start(0);
  h.FeedPicture(300);
  ASSERT_EQ(h.notifier.shown.size(), 1u);
  EXPECT_EQ(h.notifier.shown[0].text, "This file size is wrong. ");
}

TEST(DownloadChain, NextPictureAfter500msOrAutomaticSave) {
  TransferHarness h;
  h.decodedWidth = 640;
  h.decodedHeight = 480;
  h.List().downloadsPending = 1;
  h.StartDownload(0);
  h.FeedPicture(100);
  EXPECT_FALSE(h.ui.Has("WaitClose"));
  EXPECT_EQ(h.frame.Period(frame_timer::kNextDownload), 500);
  h.ui.Clear();
  h.link->OnFrameTimer(frame_timer::kNextDownload);
  EXPECT_TRUE(h.ui.Has("Command Preview 40005"));

  TransferHarness a;
  a.decodedWidth = 640;
  a.decodedHeight = 480;
  a.List().downloadsPending = 1;
  a.List().autoSaveMode = true;
  a.StartDownload(0);
  a.FeedPicture(100);
  EXPECT_TRUE(a.ui.Has("Command ActiveChild 40003"));
  EXPECT_FALSE(a.frame.IsRunning(frame_timer::kNextDownload));
}

TEST(DownloadChain, ChooseNextFetchesSelectedPicturesInAscendingOrder) {
  TransferHarness h;
  PictureList& list = h.List();
  list.entries[4].selectionMark = 1;
  list.entries[1].selectionMark = 1;
  list.entries[3].selectionMark = 1;
  list.selectedCount = 3;
  list.currentPicture = 4;
  EXPECT_EQ(h.Download().ChooseNext(), 1);
  EXPECT_EQ(list.downloadsPending, 2);
  EXPECT_EQ(h.Download().ChooseNext(), 3);
  EXPECT_EQ(h.Download().ChooseNext(), 4);
  EXPECT_EQ(list.downloadsPending, 0);
  list.selectedCount = 1;
  list.currentPicture = 2;
  EXPECT_EQ(h.Download().ChooseNext(), 2);
}

TEST(DownloadPalette, DisplayModeBuildsAndCopiesThePalette) {
  TransferHarness h;
  h.transfers->Services().paletteDisplay = true;
  h.decodedWidth = 640;
  h.decodedHeight = 480;
  h.decodedValue = 0x60;
  h.StartDownload(0);
  h.FeedPicture(100);
  EXPECT_NE(h.currentPalette[4] | h.currentPalette[5] | h.currentPalette[6], 0);
  EXPECT_TRUE(std::equal(h.currentPalette.begin() + 4, h.currentPalette.begin() + 7,
                         h.target.palette.begin() + 4));
}

TEST(DownloadLifetime, DestroyedTransfersLeaveNoHandlersBehind) {
  TransferHarness h;
  auto transfers = std::make_unique<LinkTransfers>(*h.link, h.transfers->Services());
  transfers->Download().CaptureWindowCreated(h.target, h.captureTimers);
  ASSERT_TRUE(transfers->Download().Start(0));
  h.Written();
  transfers.reset();
  h.Feed(PictureHeader(300));  // no picture handler any more: nothing happens
  EXPECT_TRUE(h.Written().empty());
  h.State().responseKind = ResponseKind::Index;
  h.Feed(EncodeStatusPacket(StatusDeleteDone));  // the index handler alone rejects it
  EXPECT_EQ(h.Written(), (Bytes{CmdNak}));
}

TEST(DownloadWatchdog, SilenceSendsOneNakThenOpensDisconnect) {
  TransferHarness h;
  h.StartDownload(0);
  EXPECT_EQ(h.captureTimers.Period(1), 1500);
  h.Written();
  h.Download().OnCaptureTimer(1);  // nothing awaited yet: healthy
  EXPECT_EQ(h.captureTimers.Period(1), 400);
  h.Download().OnCaptureTimer(1);
  EXPECT_EQ(h.Written(), (Bytes{CmdNak}));
  h.Download().OnCaptureTimer(1);
  EXPECT_EQ(h.ui.disconnectDialogs, 1);
}

}  // namespace
}  // namespace lumarel::testing
