#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "PlatformFakes.h"
#include "cli/ConsoleNotifier.h"
#include "cli/HeadlessLinkUi.h"
#include "cli/OutputFile.h"
#include "cli/Progress.h"
#include "cli/SpeedCap.h"
#include "link/Protocol.h"

namespace lumarel::cli {
namespace {

TEST(ConsoleNotifier, PrintsCaptionAndTextAndAnswersPlainMessagesOk) {
  std::ostringstream err;
  ConsoleNotifier n(err);
  EXPECT_EQ(n.Show("Disk is full.", "CARD LINK", MessageButtons::Ok, MessageIcon::Exclamation),
            MessageAnswer::Ok);
  EXPECT_EQ(err.str(), "CARD LINK: Disk is full.\n");
  EXPECT_FALSE(n.StopRequested());
}

TEST(ConsoleNotifier, DeclinesQuestionsAndAsksTheRunToStop) {
  std::ostringstream err;
  ConsoleNotifier n(err);
  EXPECT_EQ(n.Show(" NO CARD!", "WARNING", MessageButtons::OkCancel, MessageIcon::Question),
            MessageAnswer::Cancel);
  EXPECT_EQ(n.Show("Save?", "Lumarel", MessageButtons::YesNo, MessageIcon::Question),
            MessageAnswer::No);
  EXPECT_TRUE(n.StopRequested());
  ASSERT_EQ(n.Shown().size(), 2u);
  EXPECT_TRUE(n.Shown()[0].question);
}

TEST(ConsoleNotifier, AQuestionHandlerAnswersWithoutStopping) {
  std::ostringstream err;
  ConsoleNotifier n(err);
  n.SetQuestionHandler([](const std::string&, const std::string&, MessageButtons) {
    return std::optional<MessageAnswer>(MessageAnswer::Ok);
  });
  EXPECT_EQ(n.Show("Delete all pages?", "DELETE ALL", MessageButtons::OkCancel,
                   MessageIcon::Question),
            MessageAnswer::Ok);
  EXPECT_FALSE(n.StopRequested());
}

TEST(ConsoleNotifier, TerminalQuestionAcceptsOnlyYes) {
  for (const auto& [answer, expected] : {std::pair{"y\n", true}, {"Yes\n", true}, {"n\n", false},
                                         {"\n", false}, {"", false}}) {
    std::istringstream in(answer);
    std::ostringstream err;
    EXPECT_EQ(AskOnTerminal("DELETE PAGE", "Delete selected page?", in, err), expected) << answer;
    EXPECT_EQ(err.str(), "DELETE PAGE: Delete selected page? [y/N] ");
  }
}

TEST(SpeedCap, OnlyOffersAboveTheCapAreHeldBack) {
  EXPECT_TRUE(OffersSpeedAbove(CmdSpeed115200, 57600));
  EXPECT_FALSE(OffersSpeedAbove(CmdSpeed57600, 57600));
  EXPECT_TRUE(OffersSpeedAbove(CmdSpeed57600, 19200));
  EXPECT_FALSE(OffersSpeedAbove(CmdSpeed19200, 19200));
  EXPECT_FALSE(OffersSpeedAbove(CmdIdentify, 19200));
  EXPECT_FALSE(OffersSpeedAbove(CmdSpeed115200, 115200));
}

std::string TempDir() {
  char name[] = "/tmp/lumarel-cli-unit-XXXXXX";
  return ::mkdtemp(name);
}

TEST(OutputFile, AppearsUnderItsNameOnlyWhenCommitted) {
  const std::string dir = TempDir();
  const std::string path = dir + "/picture.jpg";
  std::string temp;
  {
    OutputFile out(path);
    ASSERT_TRUE(out.Ok());
    temp = out.TempPath();
    EXPECT_EQ(temp.find(dir + "/" + kPartialPrefix), 0u);
    std::ofstream(temp) << "half";
  }
  struct stat st {};
  EXPECT_NE(::stat(path.c_str(), &st), 0);
  EXPECT_NE(::stat(temp.c_str(), &st), 0) << "the partial file is removed";
  {
    OutputFile out(path);
    std::ofstream(out.TempPath()) << "whole";
    EXPECT_TRUE(out.Commit());
  }
  std::ifstream in(path);
  std::string text;
  in >> text;
  EXPECT_EQ(text, "whole");
  std::remove(path.c_str());
  ::rmdir(dir.c_str());
}

TEST(Progress, ShowsPictureCountPacketsRateAndTimeLeft) {
  // 100 of 200 packets of 112 bytes in 2 s: 5600 B/s, 100 packets left = 2 s.
  EXPECT_EQ(Progress::Format(3, 20, 100, 200, 2.0),
            "picture 3 of 20: packet 100 of 200, 5600 B/s, 0:02 left");
  EXPECT_EQ(Progress::Format(0, 0, 0, 10, 0.0), "packet 0 of 10, 0 B/s");
}

TEST(Progress, IsSilentWhenDisabled) {
  std::ostringstream err;
  Progress p(err, false);
  p.SetRange(10);
  p.SetPosition(5);
  p.Clear();
  EXPECT_TRUE(err.str().empty());
}

TEST(HeadlessLinkUi, LinkDialogsAreCountedAndCancelIsConfirmed) {
  std::ostringstream err;
  Progress p(err, false);
  HeadlessLinkUi ui(p);
  ui.OpenReconnectDialog();
  ui.OpenDisconnectDialog();
  EXPECT_EQ(ui.ReconnectDialogs(), 1);
  EXPECT_EQ(ui.DisconnectDialogs(), 1);
  EXPECT_TRUE(ui.AskCancelOk());
}

TEST(HeadlessLinkUi, KeepsWhatCommandsWaitOn) {
  std::ostringstream err;
  Progress p(err, false);
  HeadlessLinkUi ui(p);
  ui.OpenWaitDialog(WaitDialogKind::Erase);
  EXPECT_TRUE(ui.WaitDialogOpen());
  ui.CloseWaitDialog();
  EXPECT_EQ(ui.WaitDialogsClosed(), 1);
  ui.EnableMenuItem(MenuOwner::Frame, menu::kLivePhotoZoom, true);
  EXPECT_EQ(ui.MenuItem(MenuOwner::Frame, menu::kLivePhotoZoom), true);
  EXPECT_FALSE(ui.MenuItem(MenuOwner::Preview, menu::kLivePhotoZoom).has_value());
  ui.Repaint(LinkWindow::Live, Rect{15, 15, 175, 135});
  EXPECT_EQ(ui.LiveRepaintsOf(Rect{15, 15, 175, 135}), 1);
  int sent = 0;
  ui.SetCommandHandler([&](LinkWindow, int id) { sent = id; });
  ui.SendCommand(LinkWindow::Preview, menu::kDataIn);
  EXPECT_EQ(sent, menu::kDataIn);
}

}  // namespace
}  // namespace lumarel::cli
