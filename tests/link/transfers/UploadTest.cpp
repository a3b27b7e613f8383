// SPDX-License-Identifier: MIT
// Upload: the packets sent for each reply byte, the end of an upload, memory
// full, the refusals and the Openfile window's watchdog.
#include <gtest/gtest.h>

#include "TransferHarness.h"
#include "link/UploadPackets.h"

namespace lumarel::testing {
namespace {

std::string Text(const Label& label) { return std::string(label.data()); }

TEST(UploadStart, ArmsTheLinkForOneByteRepliesAndPreparesTheEntry) {
  UploadFixture f(224);
  ASSERT_TRUE(f.Start());
  EXPECT_EQ(f.h.Written(), (Bytes{CmdUploadFine}));
  EXPECT_EQ(f.h.State().responseKind, ResponseKind::UploadReply);
  EXPECT_EQ(f.h.link->ExpectedLength(), 1);
  EXPECT_EQ(f.h.ui.status, "Send Image data");
  EXPECT_TRUE(f.h.ui.Has("WaitOpen DATA_TRANS"));
  EXPECT_EQ(f.h.openfileTimers.Period(1), 1500);
  EXPECT_EQ(Text(f.h.List().entries[6].label), "  7F: 01/6/15 10:30");
  EXPECT_EQ(f.h.List().store.Slot(6)[100], 0x33);
  EXPECT_EQ(f.h.List().receivedEntries, 6);  // counted only when the camera confirms
}

TEST(UploadPackets, HeaderAndThreeDataPacketsFor224Bytes) {
  UploadFixture f(224);
  f.Start();
  f.h.Written();
  f.h.ui.Clear();
  f.h.Feed(Reply(ReplySendHeader));
  CameraPacket header = f.Sent();
  EXPECT_EQ(header[0], 0x01);
  EXPECT_EQ(header[1], 0);
  EXPECT_EQ(header[2], 0);
  EXPECT_EQ(header[3], 1);
  EXPECT_EQ(ReadBigEndian32(&header[4]), 224u);
  EXPECT_EQ(header[22], 101);  // 2001
  EXPECT_EQ(header[23], 6);
  EXPECT_EQ(header[24], 15);
  EXPECT_EQ(header[25], 10);
  EXPECT_EQ(header[26], 30);
  EXPECT_EQ(header[115], 0);
  EXPECT_EQ(f.h.State().packetsInItem, 3);
  EXPECT_TRUE(f.h.ui.Has("ProgressRange 3"));
  for (std::uint8_t k = 1; k <= 3; ++k) {
    f.h.Feed(Reply(ReplyAck));
    CameraPacket data = f.Sent();
    EXPECT_EQ(data[1], k);
    EXPECT_EQ(data[2], static_cast<std::uint8_t>(256 - k));
    EXPECT_EQ(data[3], k < 3 ? static_cast<std::uint8_t>((k - 1) * 112 + 1) : 0);
    EXPECT_TRUE(f.h.ui.Has("ProgressPosition " + std::to_string(k)));
  }
}

TEST(UploadPackets, NakRepeatsDataPacketFiveByteForByte) {
  UploadFixture f(1000);
  f.Start();
  f.h.Feed(Reply(ReplySendHeader));
  for (int k = 1; k <= 5; ++k) f.h.Feed(Reply(ReplyAck));
  f.h.Written();
  f.h.Feed(Reply(ReplyNak));
  const CameraPacket again = f.Sent();
  EXPECT_EQ(again[1], 5);
  EXPECT_EQ(again[2], 251);
  EXPECT_TRUE(std::equal(again.begin() + 3, again.begin() + 115, f.picture.begin() + 4 * 112));
  EXPECT_EQ(again, UploadDataPacket(f.picture, 5));
}

TEST(UploadPackets, NakRepeatsTheHeaderWithTheSameDate) {
  UploadFixture f(500);
  f.Start();
  f.h.Written();
  f.h.Feed(Reply(ReplySendHeader));
  const CameraPacket first = f.Sent();
  f.h.clock.local = {2002, 1, 2, 3, 4, 5};
  f.h.Feed(Reply(ReplyNak));
  EXPECT_EQ(f.Sent(), first);
}

TEST(UploadPackets, NormalQualityHeaderAndFreeCapacity) {
  UploadFixture f(100, false);
  f.h.List().freeCapacity = {4, 9};
  f.Start();
  EXPECT_EQ(f.h.Written(), (Bytes{CmdUploadNormal}));
  EXPECT_EQ(f.h.List().freeCapacity.fine, 3);
  EXPECT_EQ(f.h.List().freeCapacity.normal, 7);
  f.h.Feed(Reply(ReplySendHeader));
  EXPECT_EQ(f.Sent()[3], 0);
}

TEST(UploadPackets, PreviewPhaseSendsThePreviewWithoutProgress) {
  UploadFixture f(100, true, 6, 200);
  f.Start();
  f.h.Feed(Reply(ReplySendHeader));
  f.h.Feed(Reply(ReplyAck));
  f.h.Written();
  f.h.ui.Clear();
  f.h.Feed(Reply(ReplySendPreview));
  const CameraPacket header = f.Sent();
  EXPECT_EQ(ReadBigEndian32(&header[4]), 200u);
  EXPECT_EQ(header[22], 0);
  EXPECT_EQ(f.h.State().packetsInItem, 2);
  f.h.Feed(Reply(ReplyAck));
  EXPECT_EQ(f.Sent(), UploadDataPacket(f.preview, 1));
  f.h.Feed(Reply(ReplyAck));
  EXPECT_EQ(f.Sent(), UploadDataPacket(f.preview, 2));
  EXPECT_TRUE(f.h.ui.calls.empty());
  f.h.Feed(Reply(0x42));  // unknown: ignored
  EXPECT_TRUE(f.h.Written().empty());
}

TEST(UploadEnd, DoneAddsTheEntryAndReturnsToPictureResponses) {
  UploadFixture f(100, true, 12);
  f.h.List().pictureCount = 0;
  f.Start();
  f.h.Feed(Reply(ReplySendHeader));
  f.h.Feed(Reply(ReplySendPreview));
  f.h.ui.Clear();
  f.h.Feed(Reply(ReplyUploadDone));
  EXPECT_EQ(f.h.State().responseKind, ResponseKind::Picture);
  EXPECT_EQ(f.h.link->ExpectedLength(), 116);
  EXPECT_EQ(f.h.List().receivedEntries, 13);
  EXPECT_EQ(f.h.List().pictureCount, 1);
  EXPECT_TRUE(f.h.ui.Has("Menu Preview 40013 on"));
  EXPECT_TRUE(f.h.ui.Has("WaitClose"));
  EXPECT_TRUE(f.h.ui.Has("Progress hide"));
  EXPECT_TRUE(f.h.ui.Has("ScrollRange 1"));
  EXPECT_TRUE(f.h.ui.Has("ScrollLines 1"));
  EXPECT_EQ(f.h.ui.status, "Ready");
  EXPECT_FALSE(f.h.openfileTimers.IsRunning(1));
  EXPECT_FALSE(f.h.State().uploadPreviewPhase);
}

TEST(UploadEnd, MemoryFullDiscardsThePreparedEntry) {
  UploadFixture f(100);
  f.Start();
  f.h.Feed(Reply(ReplySendHeader));
  f.h.Feed(Reply(ReplyMemoryFull));
  EXPECT_EQ(f.h.State().responseKind, ResponseKind::Picture);
  EXPECT_EQ(f.h.link->ExpectedLength(), 116);
  EXPECT_EQ(f.h.List().receivedEntries, 6);
  EXPECT_EQ(Text(f.h.List().entries[6].label), "");
  EXPECT_EQ(f.h.List().store.Slot(6)[100], 0x80);
  ASSERT_EQ(f.h.notifier.shown.size(), 1u);
  EXPECT_EQ(f.h.notifier.shown[0].text, "The Vidmarelle's memory is full.");
  EXPECT_EQ(f.h.notifier.shown[0].caption, "Vidmarelle Info");
  EXPECT_TRUE(f.h.ui.Has("WaitClose"));
}

TEST(UploadRefusals, WriteProtectedOrOversizedDataSendNothing) {
  UploadFixture f(100);
  f.h.State().writeProtected = true;
  EXPECT_FALSE(f.Start());
  EXPECT_EQ(f.h.notifier.shown.back().caption, "WARNING");
  f.h.State().writeProtected = false;
  std::vector<std::uint8_t> big(59393);
  f.request.preview = big;
  EXPECT_FALSE(f.Start());
  std::vector<std::uint8_t> huge(925697);
  f.request.preview = f.preview;
  f.request.picture = huge;
  EXPECT_FALSE(f.Start());
  EXPECT_EQ(f.h.notifier.shown.back().text, "This file size is wrong. ");
  EXPECT_TRUE(f.h.Written().empty());
  EXPECT_EQ(f.h.link->ExpectedLength(), 116);
}

TEST(UploadRefusals, RequestsBeyondTheLastPacketEndTheUpload) {
  UploadFixture f(224);
  f.Start();
  f.h.Feed(Reply(ReplySendHeader));
  for (int k = 1; k <= 3; ++k) f.h.Feed(Reply(ReplyAck));
  f.h.Written();
  f.h.Feed(Reply(ReplyAck));
  EXPECT_TRUE(f.h.Written().empty());
  EXPECT_EQ(f.h.notifier.shown.back().text, "This file size is wrong. ");
  EXPECT_EQ(f.h.link->ExpectedLength(), 116);
  EXPECT_FALSE(f.h.transfers->Upload().Running());
}

TEST(UploadWatchdog, SilentCameraOpensDisconnectAndRestoresTheLink) {
  UploadFixture f(1000);
  f.Start();
  f.h.transfers->Upload().OnOpenfileTimer(1);
  EXPECT_EQ(f.h.ui.disconnectDialogs, 1);
  EXPECT_EQ(f.h.link->ExpectedLength(), 116);
  EXPECT_TRUE(f.h.Written() == Bytes{CmdUploadFine});  // no CmdNak this way
}

TEST(UploadWatchdog, RepliesKeepItWatchingAndAStopInTheDataIsCaught) {
  UploadFixture f(1000);
  f.Start();
  f.h.Feed(Reply(ReplySendHeader));
  f.h.Feed(Reply(ReplyAck));
  f.h.Feed(Reply(ReplyAck));
  f.h.transfers->Upload().OnOpenfileTimer(1);
  EXPECT_EQ(f.h.ui.disconnectDialogs, 0);
  EXPECT_EQ(f.h.openfileTimers.Period(1), 1500);
  EXPECT_TRUE(f.h.State().awaitingPacket);
  f.h.transfers->Upload().OnOpenfileTimer(1);
  EXPECT_EQ(f.h.ui.disconnectDialogs, 1);
}

}  // namespace
}  // namespace lumarel::testing
