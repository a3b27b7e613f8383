// SPDX-License-Identifier: MIT
// The operations interface: every operation ends exactly once with the true
// outcome, on the injected timers (no real time), including the faults that
// used to end as success or never: a silent upload, a lost line, a
// write-protected erase, a silent live picture, a closed wait dialog.
#include <gtest/gtest.h>

#include <cerrno>

#include "TransferHarness.h"
#include "link/LinkOperations.h"
#include "link/LinkSetup.h"
#include "link/ScratchDecode.h"

namespace lumarel::testing {
namespace {

// Collects the outcomes an operation reports.
struct Outcomes {
  OperationDone Sink() {
    return [this](const LinkOutcome& o) { got.push_back(o); };
  }
  // The one outcome reported (a second would be a fault).
  LinkOutcome Only() const {
    EXPECT_EQ(got.size(), 1u);
    return got.empty() ? LinkOutcome::Of(OutcomeKind::Cancelled) : got.front();
  }
  std::vector<LinkOutcome> got;
};

LinkOperations& Ops(TransferHarness& h) { return h.transfers->Operations(); }

TEST(UploadOutcome, ACameraThatNeverAnswersIsSilentNeverDone) {
  UploadFixture f(1000);
  Outcomes o;
  Ops(f.h).Upload(f.request, f.h.openfileTimers, o.Sink());
  EXPECT_TRUE(o.got.empty());
  f.h.transfers->Upload().OnOpenfileTimer(1);
  EXPECT_EQ(o.Only().kind, OutcomeKind::CameraSilent);
  EXPECT_EQ(f.h.ui.disconnectDialogs, 1);
  EXPECT_EQ(f.h.ui.status, "Ready");
  EXPECT_EQ(f.h.List().receivedEntries, 6);  // the picture is not on the card
  f.h.transfers->Upload().OnOpenfileTimer(1);
  EXPECT_EQ(o.got.size(), 1u);
}

TEST(UploadOutcome, SilenceInTheMiddleOfTheDataIsSilent) {
  UploadFixture f(1000);
  Outcomes o;
  Ops(f.h).Upload(f.request, f.h.openfileTimers, o.Sink());
  f.h.Feed(Reply(ReplySendHeader));
  f.h.Feed(Reply(ReplyAck));
  f.h.Feed(Reply(ReplyAck));
  f.h.transfers->Upload().OnOpenfileTimer(1);
  EXPECT_TRUE(o.got.empty());
  f.h.transfers->Upload().OnOpenfileTimer(1);
  EXPECT_EQ(o.Only().kind, OutcomeKind::CameraSilent);
}

TEST(UploadOutcome, DoneMemoryFullAndWriteProtected) {
  {
    UploadFixture f(100);
    Outcomes o;
    Ops(f.h).Upload(f.request, f.h.openfileTimers, o.Sink());
    f.h.Feed(Reply(ReplySendHeader));
    f.h.Feed(Reply(ReplySendPreview));
    f.h.Feed(Reply(ReplyUploadDone));
    EXPECT_EQ(o.Only().kind, OutcomeKind::Done);
  }
  {
    UploadFixture f(100);
    Outcomes o;
    Ops(f.h).Upload(f.request, f.h.openfileTimers, o.Sink());
    f.h.Feed(Reply(ReplySendHeader));
    f.h.Feed(Reply(ReplyMemoryFull));
    EXPECT_EQ(o.Only().kind, OutcomeKind::MemoryFull);
  }
  {
    UploadFixture f(100);
    f.h.State().writeProtected = true;
    Outcomes o;
    Ops(f.h).Upload(f.request, f.h.openfileTimers, o.Sink());
    EXPECT_EQ(o.Only().kind, OutcomeKind::WriteProtected);
    EXPECT_TRUE(f.h.Written().empty());
  }
}

TEST(DownloadOutcome, DoneBadDataNamesThePictureAndSilenceClosesTheWaitDialog) {
  {
    TransferHarness h;
    h.decodedWidth = 640;
    h.decodedHeight = 480;
    Outcomes o;
    Ops(h).Download(2, h.target, h.captureTimers, o.Sink());
    h.FeedPicture(1000);
    EXPECT_EQ(o.Only().kind, OutcomeKind::Done);
  }
  {
    TransferHarness h;
    h.decodedWidth = 0;  // camera data that does not decode
    Outcomes o;
    Ops(h).Download(2, h.target, h.captureTimers, o.Sink());
    h.FeedPicture(1000);
    const LinkOutcome outcome = o.Only();
    EXPECT_EQ(outcome.kind, OutcomeKind::BadData);
    EXPECT_EQ(outcome.picture, 2);
    EXPECT_EQ(outcome.what, "This file type is wrong.");
  }
  {
    TransferHarness h;
    Outcomes o;
    Ops(h).Download(0, h.target, h.captureTimers, o.Sink());
    for (int tick = 0; tick < 3; ++tick) h.Download().OnCaptureTimer(1);
    EXPECT_EQ(o.Only().kind, OutcomeKind::CameraSilent);
    EXPECT_EQ(h.ui.disconnectDialogs, 1);
    EXPECT_TRUE(h.ui.Has("WaitClose"));
    EXPECT_FALSE(h.link->WaitDialogOpen());
    EXPECT_EQ(h.ui.status, "Ready");
  }
}

TEST(DownloadOutcome, ClosingTheWaitDialogCancelsAndTheStatusBarSaysReady) {
  TransferHarness h;
  Outcomes o;
  Ops(h).Download(1, h.target, h.captureTimers, o.Sink());
  EXPECT_EQ(h.ui.status, "Receive Image data");
  h.link->CloseWaitDialog(2);
  EXPECT_EQ(o.Only().kind, OutcomeKind::Cancelled);
  EXPECT_EQ(h.ui.status, "Ready");
}

// The port hangs up in the middle of a download: line lost at once with the
// device's reason, the wait dialog gone, nothing more written, COM_DISCONNECT
// once; its Reconnect opens the same device again.
TEST(LineLost, EndsTheOperationAtOnceAndRetryReopensThePort) {
  TransferHarness h;
  Outcomes o;
  Ops(h).Download(0, h.target, h.captureTimers, o.Sink());
  h.Feed(EncodeStatusPacket(StatusAccepted));
  h.Written();
  h.ui.Clear();
  h.link->LineLost("Input/output error");
  h.link->LineLost("Input/output error");
  const LinkOutcome outcome = o.Only();
  EXPECT_EQ(outcome.kind, OutcomeKind::LineLost);
  EXPECT_EQ(outcome.reason, "Input/output error");
  EXPECT_EQ(h.ui.disconnectDialogs, 1);
  EXPECT_FALSE(h.link->WaitDialogOpen());
  EXPECT_EQ(h.ui.status, "Ready");
  for (int tick = 0; tick < 4; ++tick) {
    h.Download().OnCaptureTimer(1);
    h.link->OnPreviewTimer(1);
  }
  EXPECT_TRUE(h.Written().empty());
  EXPECT_EQ(h.ui.disconnectDialogs, 1);
  Outcomes later;
  Ops(h).Download(1, h.target, h.captureTimers, later.Sink());
  EXPECT_EQ(later.Only().kind, OutcomeKind::LineLost);

  ASSERT_TRUE(h.link->Setup().DisconnectDialogCommand(1));  // Reconnect
  EXPECT_TRUE(h.opener.OpenedPorts().front().closed->load());
  EXPECT_EQ(h.frame.Period(frame_timer::kOpenPort), 300);
  h.link->OnFrameTimer(frame_timer::kOpenPort);
  ASSERT_EQ(h.opener.OpenedPorts().size(), 2u);
  EXPECT_EQ(h.opener.OpenedPorts().back().device, "com1");
  EXPECT_FALSE(h.link->LineIsLost());
  EXPECT_EQ(h.Written(), (Bytes{CmdWake, CmdIdentify}));

  // Unplugged while nothing noticed it yet: the reset does not go out, and
  // Reconnect opens the port again instead of setting speeds on a dead one.
  h.Port().SetWriteFails(true);
  ASSERT_TRUE(h.link->Setup().DisconnectDialogCommand(1));
  EXPECT_TRUE(h.opener.OpenedPorts().back().closed->load());
  h.link->OnFrameTimer(frame_timer::kOpenPort);
  EXPECT_EQ(h.opener.OpenedPorts().size(), 3u);
}

TEST(DeleteOutcome, WriteProtectedEraseAndEmptyDeleteAllSendNothing) {
  TransferHarness h;
  h.notifier.answers.push_back(MessageAnswer::Cancel);
  Outcomes declined;
  Ops(h).DeletePictures({1, 3}, declined.Sink());
  EXPECT_EQ(declined.Only().kind, OutcomeKind::Cancelled);

  h.State().writeProtected = true;
  Outcomes erase;
  Ops(h).Erase(erase.Sink());
  EXPECT_EQ(erase.Only().kind, OutcomeKind::WriteProtected);
  EXPECT_EQ(h.notifier.shown.back().text, kWriteProtected);

  h.State().writeProtected = false;
  h.List().pictureCount = 0;
  Outcomes all;
  Ops(h).DeleteAll(all.Sink());
  EXPECT_EQ(all.Only().kind, OutcomeKind::Done);
  EXPECT_TRUE(h.Written().empty());
}

TEST(DeleteOutcome, DoneWhenTheCameraReportsTheEnd) {
  TransferHarness h;
  Outcomes o;
  Ops(h).Erase(o.Sink());
  EXPECT_EQ(h.Written(), (Bytes{CmdEraseAll}));
  EXPECT_TRUE(o.got.empty());
  h.Feed(EncodeStatusPacket(StatusDeleteDone));
  EXPECT_EQ(o.Only().kind, OutcomeKind::Done);
}

// The switch on the card turned on after identification: the camera answers
// the delete with its card report and ends it without deleting anything.
TEST(DeleteOutcome, WriteProtectionReportedOnTheWayKeepsTheList) {
  using Start = void (*)(TransferHarness&, Outcomes&);
  const Start starts[] = {
      [](TransferHarness& h, Outcomes& o) { Ops(h).DeletePictures({1}, o.Sink()); },
      [](TransferHarness& h, Outcomes& o) { Ops(h).DeleteAll(o.Sink()); },
      [](TransferHarness& h, Outcomes& o) { Ops(h).Erase(o.Sink()); },
  };
  for (Start start : starts) {
    TransferHarness h;
    const std::string second(h.List().entries[1].label.data());
    Outcomes o;
    start(h, o);
    CameraPacket report = EncodeStatusPacket(StatusCardReport);
    report[7] = 1;
    h.Feed(report);
    h.Feed(EncodeStatusPacket(StatusDeleteDone));
    EXPECT_EQ(o.Only().kind, OutcomeKind::WriteProtected);
    EXPECT_EQ(h.List().receivedEntries, 6);
    EXPECT_EQ(std::string(h.List().entries[1].label.data()), second);
    EXPECT_EQ(h.notifier.shown.back().text, kWriteProtected);
    EXPECT_FALSE(h.State().deleteActive);
  }
}

TEST(DeleteOutcome, ASilentCameraEndsTheDeleteInDisconnect) {
  TransferHarness h;
  Outcomes o;
  Ops(h).DeletePictures({2}, o.Sink());
  ASSERT_TRUE(h.State().deleteActive);
  for (int tick = 0; tick < 5 && o.got.empty(); ++tick) h.link->OnPreviewTimer(1);
  EXPECT_EQ(o.Only().kind, OutcomeKind::CameraSilent);
  EXPECT_EQ(h.ui.disconnectDialogs, 1);
  EXPECT_TRUE(h.ui.Has("WaitClose"));
  EXPECT_EQ(h.List().receivedEntries, 6);
}

// A picture no longer on the card: the camera refuses every request for it.
TEST(DownloadOutcome, ACameraThatKeepsRefusingEndsAsBadData) {
  TransferHarness h;
  Outcomes o;
  Ops(h).Download(3, h.target, h.captureTimers, o.Sink());
  for (int i = 0; i < 200 && o.got.empty(); ++i) h.Feed(EncodeStatusPacket(0x15));
  EXPECT_EQ(o.Only().kind, OutcomeKind::BadData);
  EXPECT_EQ(o.Only().picture, 3);
  EXPECT_FALSE(h.State().downloadActive);
  h.Written();
  h.Feed(EncodeStatusPacket(0x15));
  EXPECT_TRUE(h.Written().empty());  // the refusals are no longer answered
}

TEST(DownloadOutcome, APictureCutShortIsBadDataNeverDone) {
  const Bytes whole{0xFF, 0xD8, 1, 2, 3, 0xFF, 0xD9};
  EXPECT_TRUE(JpegIsWhole(whole));
  Bytes padded = whole;
  padded.insert(padded.end(), 100, 0x00);  // the last packet's padding
  EXPECT_TRUE(JpegIsWhole(padded));
  EXPECT_FALSE(JpegIsWhole(Bytes{0xFF, 0xD8, 1, 2, 3, 0xFF, 0x00}));
  EXPECT_FALSE(JpegIsWhole(Bytes{}));

  TransferHarness h;
  h.link->Services().decodeJpeg = [](const std::string&, const std::string&) {
    return ImageResult(ImageStatus::NoPixels);
  };
  Outcomes o;
  Ops(h).Download(2, h.target, h.captureTimers, o.Sink());
  h.FeedPicture(500);
  EXPECT_EQ(o.Only().kind, OutcomeKind::BadData);
  EXPECT_EQ(o.Only().picture, 2);
}

// The decoder's result decides what the user is told: a scratch folder that
// cannot take the bitmap is the PC's fault, a JPEG that does not decode the data's.
TEST(DownloadOutcome, AScratchDecodeFailureTellsWhoseFaultItWas) {
  const struct {
    ImageResult decoded;
    const char* shown;
  } cases[] = {
      {ImageResult(ImageStatus::DiskFull, ENOSPC), "Disk is full."},
      {ImageResult(ImageStatus::WriteFailed, EIO),
       "The picture could not be written to the scratch folder."},
      {ImageStatus::LibraryError, "This file type is wrong."},
      {ImageStatus::NoPixels, "This file size is wrong. "},
  };
  for (const auto& c : cases) {
    TransferHarness h;
    h.link->Services().decodeJpeg = [&c](const std::string&, const std::string&) {
      return c.decoded;
    };
    Outcomes o;
    Ops(h).Download(2, h.target, h.captureTimers, o.Sink());
    h.FeedPicture(500);
    ASSERT_FALSE(h.notifier.shown.empty()) << c.shown;
    EXPECT_EQ(h.notifier.shown.front().text, c.shown);
    EXPECT_EQ(o.Only().kind, OutcomeKind::BadData) << c.shown;
    EXPECT_EQ(o.Only().what, c.shown);
  }
}

TEST(UploadOutcome, ClosingTheTransferStopsTheUpload) {
  UploadFixture f(5000);
  Outcomes o;
  Ops(f.h).Upload(f.request, f.h.openfileTimers, o.Sink());
  f.h.Feed(Reply(ReplySendHeader));
  Ops(f.h).Cancel();
  EXPECT_EQ(o.Only().kind, OutcomeKind::Cancelled);
  EXPECT_EQ(f.h.List().receivedEntries, 6);
  f.h.Written();
  f.h.Feed(Reply(ReplyAck));
  EXPECT_LT(f.h.Written().size(), kPacketSize);  // no further upload packet
}

TEST(UploadOutcome, ACameraThatRefusesEveryPacketEndsAsBadData) {
  UploadFixture f(5000);
  Outcomes o;
  Ops(f.h).Upload(f.request, f.h.openfileTimers, o.Sink());
  f.h.Feed(Reply(ReplySendHeader));
  f.h.Feed(Reply(ReplyAck));
  for (int i = 0; i < 1000 && o.got.empty(); ++i) f.h.Feed(Reply(ReplyNak));
  EXPECT_EQ(o.Only().kind, OutcomeKind::BadData);
  EXPECT_EQ(f.h.List().receivedEntries, 6);
  f.h.Written();
  f.h.Feed(Reply(ReplyNak));
  EXPECT_LT(f.h.Written().size(), kPacketSize);  // no upload packet goes out any more
}

TEST(LiveOutcome, ASilentCameraAfterTheRequestEndsInDisconnect) {
  TransferHarness h;
  Outcomes o;
  Ops(h).LiveFrame(o.Sink());
  EXPECT_TRUE(h.State().liveActive);
  for (int tick = 0; tick < 3 && o.got.empty(); ++tick) h.transfers->Live().OnTimer(1);
  EXPECT_EQ(o.Only().kind, OutcomeKind::CameraSilent);
  EXPECT_EQ(h.ui.disconnectDialogs, 1);
  EXPECT_FALSE(h.State().liveActive);
}

// The Live window's zoom button as the user clicks it: the release that asks
// for a still begins the operation, a press on the cancel face ends it.
TEST(LiveOutcome, TheZoomButtonsStillEndsDoneOrCancelled) {
  TransferHarness h;
  h.transfers->Live().Activated();
  Outcomes taken, cancelled;
  Ops(h).ZoomButton(true, true, taken.Sink());
  Ops(h).ZoomButton(false, true, taken.Sink());
  ASSERT_TRUE(h.State().zoomActive);
  for (int k = 0; k < 2160; ++k) h.Feed(DataPacketOf(static_cast<std::uint16_t>(k), 0x40));
  EXPECT_EQ(taken.Only().kind, OutcomeKind::Done);

  Ops(h).ZoomButton(true, true, cancelled.Sink());  // the next still
  Ops(h).ZoomButton(false, true, cancelled.Sink());
  ASSERT_TRUE(h.State().zoomActive);
  Ops(h).ZoomButton(true, true, cancelled.Sink());  // Cancel
  EXPECT_FALSE(h.State().zoomActive);
  EXPECT_EQ(cancelled.Only().kind, OutcomeKind::Cancelled);
}

TEST(Operations, ANewOperationEndsTheRunningOneOnceAsCancelled) {
  TransferHarness h;
  Outcomes first, second;
  Ops(h).Download(0, h.target, h.captureTimers, first.Sink());
  Ops(h).Erase(second.Sink());
  EXPECT_EQ(first.Only().kind, OutcomeKind::Cancelled);
  h.Feed(EncodeStatusPacket(StatusDeleteDone));
  EXPECT_EQ(first.got.size(), 1u);
  EXPECT_EQ(second.Only().kind, OutcomeKind::Done);
}

}  // namespace
}  // namespace lumarel::testing
