// SPDX-License-Identifier: MIT
// Port scan, identification, speed negotiation, reconnect and the link dialogs.
#include <gtest/gtest.h>

#include "LinkHarness.h"
#include "link/LinkTexts.h"

namespace lumarel::testing {
namespace {

using Call = RecordingTimers::Call;

TEST(LinkStart, OpensCom1AfterTimer2AndSendsWakeAndIdentify) {
  LinkHarness h;
  h.link->Start();
  EXPECT_EQ(h.frame.Period(frame_timer::kOpenPort), 300);
  h.link->OnFrameTimer(frame_timer::kOpenPort);
  EXPECT_FALSE(h.frame.IsRunning(frame_timer::kOpenPort));
  EXPECT_EQ(h.opener.Attempts(), (std::vector<std::string>{"com1"}));
  EXPECT_EQ(h.Written(), (Bytes{CmdWake, CmdIdentify}));
  EXPECT_EQ(h.Port().Speed(), 9600u);
  EXPECT_EQ(h.frame.Period(frame_timer::kSetupStep), 800);
  EXPECT_EQ(h.ui.status, text::kSetupInProgress);
}

TEST(LinkStart, ScanVisitsAllFourPortsThenAsksToReconnect) {
  LinkHarness h;
  h.opener.Refuse("com2", PortOpenError::NoSuchDevice);
  h.link->Start();
  for (int i = 0; i < 4; ++i) {
    h.link->OnFrameTimer(frame_timer::kOpenPort);
    ASSERT_EQ(h.frame.Period(frame_timer::kSetupStep), 800);  // open or not, 800 ms
    h.link->OnFrameTimer(frame_timer::kSetupStep);           // nothing answered
  }
  EXPECT_EQ(h.opener.Attempts(), (std::vector<std::string>{"com1", "com2", "com3", "com4"}));
  EXPECT_EQ(h.ui.reconnectDialogs, 1);
  EXPECT_FALSE(h.link->PortOpen());
  EXPECT_TRUE(h.frame.running.empty());
  // Why each port gave no camera, for the dialogs: ports that opened are named too.
  std::vector<std::string> why;
  for (const PortFailure& f : h.link->OpenFailures().Failures())
    why.push_back(FormatPortFailure(f));
  EXPECT_EQ(why, (std::vector<std::string>{"COM1 (com1): opened, but no camera answered",
                                           "COM2 (com2): no such device",
                                           "COM3 (com3): opened, but no camera answered",
                                           "COM4 (com4): opened, but no camera answered"}));
  // Retry starts again at COM1.
  EXPECT_TRUE(h.link->Setup().ReconnectDialogCommand(1));
  EXPECT_EQ(h.State().portId, kPortCom1);
  EXPECT_EQ(h.frame.Period(frame_timer::kOpenPort), 300);
  EXPECT_EQ(h.ui.status, text::kSetupInProgress);
}

TEST(Identification, RecordsFactsAndOffers115200) {
  LinkHarness h;
  h.Identified(Identity("631", true, 40960 * 3, 7));
  EXPECT_EQ(h.State().linkPhase, LinkPhase{2});
  EXPECT_TRUE(h.State().modelVariant);
  EXPECT_TRUE(h.State().writeProtected);
  EXPECT_EQ(h.State().capacity, 40960u * 3);
  EXPECT_EQ(h.State().identifiedPictures, 7);
  EXPECT_EQ(h.frame.Period(frame_timer::kSetupStep), 50);
}

// The first offer is the fastest speed allowed (--max-speed caps it).
TEST(Identification, FirstOfferIsTheFastestAllowedSpeed) {
  const struct {
    std::uint32_t cap;
    std::uint8_t offer;
    LinkPhase phase;
  } rows[] = {{115200, CmdSpeed115200, LinkPhase::Switching115200},
              {57600, CmdSpeed57600, LinkPhase::Switching57600},
              {19200, CmdSpeed19200, LinkPhase::Switching19200}};
  for (const auto& row : rows) {
    LinkHarness h;
    h.link->Services().maxSpeed = row.cap;
    h.link->Start();
    h.link->OnFrameTimer(frame_timer::kOpenPort);
    h.Written();
    h.Feed(Identity());
    EXPECT_EQ(h.Written(), (Bytes{row.offer})) << row.cap;
    EXPECT_EQ(h.State().linkPhase, row.phase) << row.cap;
  }
}

TEST(Identification, IgnoresPacketsWithoutTheSetupTrailer) {
  LinkHarness h;
  h.link->Start();
  h.link->OnFrameTimer(frame_timer::kOpenPort);
  h.Written();
  CameraPacket p = Identity();
  p[114] = 0;
  h.Feed(p);
  h.Feed(CameraPacket{});
  EXPECT_EQ(h.State().linkPhase, LinkPhase{1});
  EXPECT_TRUE(h.Written().empty());
}

class WrongModel : public ::testing::TestWithParam<const char*> {};

TEST_P(WrongModel, StopsWithMessageAndNoTimer) {
  LinkHarness h;
  h.link->Start();
  h.link->OnFrameTimer(frame_timer::kOpenPort);
  h.Written();
  h.Feed(Identity(GetParam()));
  ASSERT_EQ(h.notifier.shown.size(), 1u);
  EXPECT_EQ(h.notifier.shown[0].text, text::kWrongModel);
  EXPECT_EQ(h.notifier.shown[0].caption, "WARNING");
  EXPECT_EQ(h.notifier.shown[0].icon, MessageIcon::Exclamation);
  EXPECT_EQ(h.ui.status, "Ready");
  EXPECT_EQ(h.State().linkPhase, LinkPhase{1});
  EXPECT_FALSE(h.frame.IsRunning(frame_timer::kSetupStep));
  EXPECT_TRUE(h.Written().empty());
}

INSTANTIATE_TEST_SUITE_P(Codes, WrongModel, ::testing::Values("531", "932", "930"));

// Each row of the negotiation table: phase at timer 1's expiry, what the port
// sees, the next period and phase.
struct Row {
  std::uint8_t phase;
  std::uint32_t speedAfter;
  Bytes written;
  int period;  // -1: not restarted
  std::uint8_t nextPhase;
  bool purged;
};

class NegotiationTable : public ::testing::TestWithParam<Row> {};

TEST_P(NegotiationTable, Row) {
  const Row& row = GetParam();
  LinkHarness h;
  h.Identified();
  h.State().linkPhase = LinkPhase{row.phase};
  const int purgesBefore = h.Port().PurgeCount();
  const int discardsBefore = h.discards;
  h.link->OnFrameTimer(frame_timer::kSetupStep);
  EXPECT_EQ(h.Port().Speed(), row.speedAfter);
  EXPECT_EQ(h.Written(), row.written);
  EXPECT_EQ(h.frame.Period(frame_timer::kSetupStep), row.period);
  EXPECT_EQ(h.State().linkPhase, LinkPhase{row.nextPhase});
  EXPECT_EQ(h.Port().PurgeCount() > purgesBefore, row.purged);
  EXPECT_EQ(h.discards > discardsBefore, row.purged);
}

INSTANTIATE_TEST_SUITE_P(
    Phases, NegotiationTable,
    ::testing::Values(Row{2, 115200, {}, 800, 3, false},
                      Row{3, 9600, {CmdSpeed57600}, 50, 4, true},
                      Row{4, 57600, {}, 800, 5, false},
                      Row{5, 9600, {CmdSpeed19200}, 50, 6, true},
                      Row{6, 19200, {}, 800, 7, false}));

TEST(Negotiation, NoSpeedEndsAt9600WithMessage) {
  LinkHarness h;
  h.Identified();
  for (int i = 0; i < 5; ++i) h.link->OnFrameTimer(frame_timer::kSetupStep);
  EXPECT_EQ(h.State().linkPhase, LinkPhase{7});
  EXPECT_TRUE(h.notifier.shown.empty());
  h.link->OnFrameTimer(frame_timer::kSetupStep);
  ASSERT_EQ(h.notifier.shown.size(), 1u);
  EXPECT_EQ(h.notifier.shown[0].text,
            "Minimum required communication speed for this program is not available.");
  EXPECT_EQ(h.notifier.shown[0].caption, "connect error");
  EXPECT_EQ(h.Port().Speed(), 9600u);
  EXPECT_EQ(h.State().linkPhase, LinkPhase{7});
  EXPECT_FALSE(h.frame.IsRunning(frame_timer::kSetupStep));
  EXPECT_EQ(h.Port().SpeedHistory(),
            (std::vector<std::uint32_t>{9600, 115200, 9600, 57600, 9600, 19200, 9600}));
}

struct Answer {
  std::uint8_t phase;
  std::uint32_t shown;
};
class AcceptedAtNewSpeed : public ::testing::TestWithParam<Answer> {};

TEST_P(AcceptedAtNewSpeed, ConfirmsAndWaitsForTheReadyAnswer) {
  LinkHarness h;
  h.Identified();
  h.State().linkPhase = LinkPhase{GetParam().phase};
  h.frame.Start(frame_timer::kSetupStep, 800);
  h.Feed(EncodeStatusPacket(StatusAccepted));
  EXPECT_EQ(h.State().shownSpeed, GetParam().shown);
  EXPECT_EQ(h.Written(), (Bytes{CmdSpeedConfirm}));
  EXPECT_EQ(h.frame.Period(frame_timer::kSetupStep), setup_period::kConfirmAnswerMs);
  EXPECT_EQ(h.State().linkPhase, LinkPhase{GetParam().phase});
}

// The ready answer after the confirmation is garbled and then never comes: the
// speed stays, and the time-out opens the disconnect dialog instead of waiting
// for ever (or offering the next speed to a camera that has already switched).
TEST(Negotiation, LostReadyAnswerOpensTheDisconnectDialog) {
  LinkHarness h;
  h.Identified();
  h.link->OnFrameTimer(frame_timer::kSetupStep);  // own 115200, phase 3
  h.Feed(EncodeStatusPacket(StatusAccepted));
  EXPECT_EQ(h.Written(), (Bytes{CmdSpeedConfirm}));
  CameraPacket garbled = EncodeStatusPacket(StatusCameraReady);
  garbled[114] = 0x13;
  h.Feed(garbled);
  EXPECT_EQ(h.Port().Speed(), 115200u);
  h.link->OnFrameTimer(frame_timer::kSetupStep);
  EXPECT_TRUE(h.Written().empty());
  EXPECT_EQ(h.ui.disconnectDialogs, 1);
  EXPECT_FALSE(h.frame.IsRunning(frame_timer::kSetupStep));
}

TEST(Negotiation, ReadyAnswerStopsTheConfirmationTimeOut) {
  LinkHarness h;
  h.Identified();
  h.link->OnFrameTimer(frame_timer::kSetupStep);
  h.Feed(EncodeStatusPacket(StatusAccepted));
  h.Feed(EncodeStatusPacket(StatusCameraReady));
  EXPECT_EQ(h.State().linkPhase, LinkPhase{0});
  EXPECT_FALSE(h.frame.IsRunning(frame_timer::kSetupStep));
}

INSTANTIATE_TEST_SUITE_P(Speeds, AcceptedAtNewSpeed,
                         ::testing::Values(Answer{3, 115200}, Answer{5, 57600},
                                           Answer{7, 19200}));

TEST(Negotiation, ResponsesWhileSwitchingAreIgnored) {
  LinkHarness h;
  h.Identified();
  for (std::uint8_t phase : {2, 4, 6}) {
    h.State().linkPhase = LinkPhase{phase};
    h.Feed(EncodeStatusPacket(StatusAccepted));
    EXPECT_TRUE(h.Written().empty());
    EXPECT_EQ(h.State().linkPhase, LinkPhase{phase});
  }
}

TEST(Negotiation, GarbledAnswerFallsBackTo9600AndTimeoutMovesOn) {
  LinkHarness h;
  h.Identified();
  h.link->OnFrameTimer(frame_timer::kSetupStep);  // own 115200, phase 3
  CameraPacket garbled = EncodeStatusPacket(StatusAccepted);
  garbled[114] = 0x13;
  h.Feed(garbled);
  EXPECT_EQ(h.Port().Speed(), 9600u);
  EXPECT_EQ(h.frame.Period(frame_timer::kSetupStep), 800);  // still pending
  EXPECT_TRUE(h.Written().empty());
  h.link->OnFrameTimer(frame_timer::kSetupStep);
  EXPECT_EQ(h.Written(), (Bytes{CmdSpeed57600}));
  EXPECT_EQ(h.State().linkPhase, LinkPhase{4});
}

TEST(CameraReady, StartsTheIndex) {
  LinkHarness h;
  h.Connected(Identity("931", false, 40960 * 10, 6));
  EXPECT_EQ(h.State().linkPhase, LinkPhase{0});
  EXPECT_EQ(h.State().savedSpeed, 115200u);
  EXPECT_EQ(h.State().shownSpeed, 115200u);
  EXPECT_TRUE(h.State().indexActive);
  EXPECT_TRUE(h.State().awaitingPacket);
  EXPECT_EQ(h.State().digitStep, 3);
  EXPECT_EQ(h.preview.Period(1), 1500);
  EXPECT_EQ(h.ui.status, "Receive Preview data");
  EXPECT_EQ(h.List().store.SlotCount(), 10u + 6u + 4u);
}

TEST(CameraReady, WritesFirstDigitThenSequenceOnAccepted) {
  LinkHarness h;
  h.Identified();
  h.link->OnFrameTimer(frame_timer::kSetupStep);
  h.Feed(EncodeStatusPacket(StatusAccepted));
  h.Written();
  h.Feed(EncodeStatusPacket(StatusCameraReady));
  EXPECT_EQ(h.Written(), (Bytes{CmdDigitOnes(0)}));
  for (int i = 0; i < 3; ++i) h.Feed(EncodeStatusPacket(StatusAccepted));
  EXPECT_EQ(h.Written(), (Bytes{CmdDigitTens(0), CmdDigitHundreds(0), CmdSendIndex}));
  // A fourth StatusAccepted has no step pending: a bad packet.
  h.Feed(EncodeStatusPacket(StatusAccepted));
  EXPECT_EQ(h.Written(), (Bytes{CmdNak}));
  EXPECT_EQ(h.State().badPacketCount, 1);
}

struct ModeCase {
  std::uint8_t status;
  const char* text;
  MessageIcon icon;
  MessageAnswer answer;
  bool storeReleased;
};
class ModeDeadEnd : public ::testing::TestWithParam<ModeCase> {};

TEST_P(ModeDeadEnd, WarnsAndRetriesOnOk) {
  const ModeCase& c = GetParam();
  LinkHarness h;
  h.Identified();
  h.link->OnFrameTimer(frame_timer::kSetupStep);
  h.Feed(EncodeStatusPacket(StatusAccepted));
  h.List().store.Allocate(5);
  h.Written();
  h.notifier.answers.push_back(c.answer);
  h.Feed(EncodeStatusPacket(c.status));
  ASSERT_EQ(h.notifier.shown.size(), 1u);
  EXPECT_EQ(h.notifier.shown[0].text, c.text);
  EXPECT_EQ(h.notifier.shown[0].caption, "WARNING");
  EXPECT_EQ(h.notifier.shown[0].buttons, MessageButtons::OkCancel);
  EXPECT_EQ(h.notifier.shown[0].icon, c.icon);
  EXPECT_EQ(h.State().linkPhase, LinkPhase{1});
  EXPECT_EQ(h.Port().Speed(), 9600u);
  EXPECT_EQ(h.State().shownSpeed, 9600u);
  EXPECT_EQ(h.List().store.Exists(), !c.storeReleased);
  if (c.answer == MessageAnswer::Ok) {
    EXPECT_EQ(h.Written(), (Bytes{CmdIdentify}));
    EXPECT_EQ(h.frame.Period(frame_timer::kSetupStep), 800);
  } else {
    EXPECT_TRUE(h.Written().empty());
    EXPECT_FALSE(h.frame.IsRunning(frame_timer::kSetupStep));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ModeDeadEnd,
    ::testing::Values(
        ModeCase{StatusVcrMode, text::kVcrMode, MessageIcon::Exclamation, MessageAnswer::Ok, false},
        ModeCase{StatusVcrMode, text::kVcrMode, MessageIcon::Exclamation, MessageAnswer::Cancel,
                 false},
        ModeCase{StatusNoCard, text::kNoCard, MessageIcon::Question, MessageAnswer::Ok, true},
        ModeCase{StatusNoCard, text::kNoCard, MessageIcon::Question, MessageAnswer::Cancel, true}));

TEST(Reconnect, StepsAndPeriods) {
  for (bool nt : {true, false}) {
    LinkHarness h(nt);
    h.IndexStarted();
    h.List().receivedEntries = 3;
    h.State().downloadActive = true;
    h.List().downloadsPending = 2;
    h.List().currentPicture = 4;
    h.link->OpenWaitDialog(WaitDialogKind::DataTransfer);
    h.ui.active = LinkWindow::Live;
    h.ui.Clear();
    EXPECT_TRUE(h.link->Setup().DisconnectDialogCommand(1));
    EXPECT_TRUE(h.ui.Has("Menu Preview 40019 off"));
    EXPECT_TRUE(h.ui.Has("Menu Preview 40013 off"));
    EXPECT_TRUE(h.ui.Has("Progress hide"));
    EXPECT_TRUE(h.ui.Has("CloseImageWindows"));
    EXPECT_TRUE(h.ui.Has("WaitClose"));
    EXPECT_FALSE(h.ui.Has("DestroyDownloadWindow"));
    EXPECT_TRUE(h.ui.Has("ScrollReset"));
    EXPECT_FALSE(h.link->WaitDialogOpen());
    EXPECT_TRUE(h.State().reconnecting);
    EXPECT_EQ(h.State().linkPhase, LinkPhase{1});
    EXPECT_EQ(h.List().receivedEntries, 0);
    EXPECT_EQ(h.List().downloadsPending, 0);
    EXPECT_EQ(h.List().currentPicture, kNoPicture);
    EXPECT_FALSE(h.State().indexLoaded);
    EXPECT_EQ(h.Written(), (Bytes{CmdReset}));  // at the current speed
    EXPECT_EQ(h.Port().Speed(), 115200u);
    EXPECT_EQ(h.frame.Period(frame_timer::kReconnectReset), 200);

    h.link->OnFrameTimer(frame_timer::kReconnectReset);
    EXPECT_TRUE(h.ui.Has("Activate Preview"));
    EXPECT_TRUE(h.ui.Has("Mdi off"));
    EXPECT_EQ(h.Port().Speed(), 9600u);
    EXPECT_EQ(h.State().shownSpeed, 9600u);
    EXPECT_EQ(h.frame.Period(frame_timer::kReconnectIdentify), nt ? 3000 : 2500);

    h.link->OnFrameTimer(frame_timer::kReconnectIdentify);
    EXPECT_EQ(h.Written(), (Bytes{CmdIdentify}));
    EXPECT_EQ(h.frame.Period(frame_timer::kSetupStep), 800);

    // The identification follows; the store is made anew.
    h.List().store.Slot(0)[100] = 1;
    h.Feed(Identity());
    h.link->OnFrameTimer(frame_timer::kSetupStep);
    h.Feed(EncodeStatusPacket(StatusAccepted));
    h.Feed(EncodeStatusPacket(StatusCameraReady));
    EXPECT_EQ(h.State().linkPhase, LinkPhase{0});
    EXPECT_FALSE(h.State().reconnecting);
    EXPECT_EQ(h.List().store.Slot(0)[100], kEmptySlotFill);
  }
}

TEST(Dialogs, DisconnectCancelAsksAndHelpOpensContext1) {
  LinkHarness h;
  h.ui.cancelOkAnswers = {false, true};
  EXPECT_FALSE(h.link->Setup().DisconnectDialogCommand(2));
  EXPECT_FALSE(h.ui.Has("Status Not connected to VIDMARELLE"));
  EXPECT_TRUE(h.link->Setup().DisconnectDialogCommand(2));
  // Given up: the status bar no longer says the setup is proceeding.
  EXPECT_TRUE(h.ui.Has("Status Not connected to VIDMARELLE"));
  EXPECT_FALSE(h.link->Setup().DisconnectDialogCommand(3));
  EXPECT_TRUE(h.ui.Has("Help 1"));
  EXPECT_FALSE(h.link->Setup().ReconnectDialogCommand(3));
  EXPECT_TRUE(h.ui.Has("Help 2"));
}

TEST(Dialogs, ReconnectRetryWhileReconnectingWithPortOpenResets) {
  LinkHarness h;
  h.Connected();
  h.State().reconnecting = true;
  h.State().linkPhase = LinkPhase{4};
  EXPECT_TRUE(h.link->Setup().ReconnectDialogCommand(1));
  EXPECT_EQ(h.State().linkPhase, LinkPhase{1});
  EXPECT_EQ(h.Written(), (Bytes{CmdReset}));
  EXPECT_EQ(h.frame.Period(frame_timer::kReconnectReset), 200);
}

TEST(CloseLink, ResetsCameraAndClosesPort) {
  LinkHarness h;
  h.Connected();
  auto port = h.opener.OpenedPorts().back();
  h.link->CloseLink();
  EXPECT_EQ(port.port->TakeWritten(), (Bytes{CmdReset}));
  EXPECT_TRUE(*port.closed);
  EXPECT_FALSE(h.link->PortOpen());
}

TEST(SetCommState, FailureIsReportedAndSetupGoesOn) {
  LinkHarness h;
  h.Identified();
  h.Port().SetLineFails(true);
  h.link->OnFrameTimer(frame_timer::kSetupStep);
  ASSERT_EQ(h.notifier.shown.size(), 1u);
  EXPECT_EQ(h.notifier.shown[0].text, "SetCommState FAULT.");
  EXPECT_EQ(h.notifier.shown[0].caption, "COM Port ERROR");
  EXPECT_EQ(h.State().linkPhase, LinkPhase{3});
}

TEST(SetCommState, TheSystemsReasonFollowsTheCaptionText) {
  LinkHarness h;
  h.Identified();
  h.Port().SetLineFails(true);
  h.Port().SetLastError("Invalid argument");
  h.link->OnFrameTimer(frame_timer::kSetupStep);
  ASSERT_EQ(h.notifier.shown.size(), 1u);
  EXPECT_EQ(h.notifier.shown[0].text, "SetCommState FAULT.\nInvalid argument");
  EXPECT_EQ(h.notifier.shown[0].caption, "COM Port ERROR");
}

}  // namespace
}  // namespace lumarel::testing
