// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <csignal>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "PlatformFakes.h"
#include "TempDir.h"
#include "cli/ConsoleNotifier.h"
#include "cli/HeadlessLinkUi.h"
#include "cli/OfflineCommands.h"
#include "cli/Interrupt.h"
#include "cli/OutputChecks.h"
#include "cli/OutputFile.h"
#include "cli/OverwritePolicy.h"
#include "cli/Progress.h"
#include "cli/RunReport.h"
#include "imagefile/DibImage.h"
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

TEST(OutputFile, AppearsUnderItsNameOnlyWhenCommitted) {
  const testing::TempDir scratch;
  const std::string dir = scratch.Path();
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
  // In create mode a name taken meanwhile is kept; the file takes the next free one.
  {
    OutputFile out(dir + "/shot.jpg", WriteMode::Create);
    std::ofstream(out.TempPath()) << "mine";
    std::ofstream(dir + "/shot.jpg") << "theirs";
    std::ofstream(dir + "/shot-2.jpg") << "theirs";
    EXPECT_TRUE(out.CommitToFreeName());
    EXPECT_EQ(out.FinalPath(), dir + "/shot-3.jpg");
  }
  EXPECT_EQ(testing::DirectoryNames(dir),
            (std::vector<std::string>{"picture.jpg", "shot-2.jpg", "shot-3.jpg", "shot.jpg"}));
  EXPECT_EQ(NumberedName("a.b/name", 2), "a.b/name-2");
  EXPECT_EQ(NumberedName(".hidden", 4), ".hidden-4");
}

TEST(Progress, ShowsThePictureTheRunsRateAndTheRunsTimeLeft) {
  RunProgress run;
  run.StartRun(4, 1000);
  run.StartPicture(1, 20000);
  run.Advance(20000);
  run.StartPicture(2, 40000);
  run.Advance(10000);
  // 30 kB in 3 s: 10 kB/s. Left: 30 kB of picture 2, and pictures 3 and 4 at
  // the average size begun so far (30 kB each): 90 kB, 9 s.
  EXPECT_EQ(run.Text(4000), "picture 2 of 4: 10 of 40 kB, 10.0 kB/s, 0:09 left");
  // A retry of picture 2 drops what its failed attempt received.
  run.StartPicture(2, 40000);
  EXPECT_EQ(run.Text(4000), "picture 2 of 4: 0 of 40 kB, 6.7 kB/s, 0:15 left");
  RunProgress put;
  put.StartRun(0, 0);
  put.StartPicture(0, 5600);
  EXPECT_EQ(put.Text(0), "0 of 6 kB");
  put.Advance(5600);
  EXPECT_EQ(put.Text(2000), "6 kB received, 2.8 kB/s") << "done: neither moving nor time left";
}

TEST(Progress, IsDrawnFromTheInjectedClock) {
  std::ostringstream err;
  testing::FakeClock clock;
  Progress p(err, true, clock);
  p.SetItem(1, 1);
  p.SetRange(10);  // 1120 bytes
  clock.now_ms = 100;
  p.SetPosition(5);  // too soon for a redraw
  clock.now_ms = 560;
  p.SetPosition(5);
  EXPECT_EQ(err.str(), "\r\033[Kpicture 1 of 1: 0 of 1 kB"
                       "\r\033[Kpicture 1 of 1: 1 of 1 kB, 1.0 kB/s, 0:01 left");
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

std::string CommandOutput(const std::string& command) {
  std::string text;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe)) text += buffer;
    ::pclose(pipe);
  }
  return text;
}

TEST(SaveThroughTemp, ADownloadIsDatedWhenTakenAndChangedWhenSaved) {
  const testing::TempDir scratch;
  const std::string dir = scratch.Path();
  DibImage picture = AllocateBlock(64 * 48 * 3 + 100);
  WriteDibHeader(picture, 64, 48, 24);
  Request request;
  std::ostringstream out, err;
  ConsoleNotifier notifier(err);
  testing::FakeClock saving;  // 2001-06-15 10:30: the file's change time (DateTime) only
  CommandContext ctx{request, notifier, out, err, saving};
  const LocalTime taken{1999, 12, 30, 10, 7, 0};
  std::tm tm{};
  tm.tm_year = 99;
  tm.tm_mon = 11;
  tm.tm_mday = 30;
  tm.tm_hour = 10;
  tm.tm_min = 7;
  tm.tm_isdst = -1;
  const std::time_t expected = std::mktime(&tm);
  for (FileFormat format : {FileFormat::Jpeg, FileFormat::Bmp24}) {
    const std::string path = dir + "/x" + ExtensionOf(format);
    ASSERT_EQ(SaveThroughTemp(ctx, picture, path, format, SaveWindow::Capture, SaveDates(taken)),
              ExitStatus::Success);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, expected) << path;
  }
  if (std::system("command -v exiftool >/dev/null 2>&1") == 0) {
    EXPECT_EQ(CommandOutput("exiftool -s3 -DateTimeOriginal -CreateDate -ModifyDate " + dir +
                            "/x.jpg"),
              "1999:12:30 10:07:00\n1999:12:30 10:07:00\n2001:06:15 10:30:00\n");
  }
}

struct OverwriteCase {
  OverwriteMode mode;
  const char* answers;  // what the user types
  std::vector<OverwriteDecision> decisions;  // for three existing files in a row
  bool unasked;
};

TEST(OverwritePolicy, AsksOnATerminalSkipsWithoutOneAndReplacesWhenForced) {
  using D = OverwriteDecision;
  const OverwriteCase cases[] = {
      {OverwriteMode::Ask, "y\nNO\n", {D::Write, D::Skip, D::Quit}, false},
      {OverwriteMode::Ask, "what\nall\n", {D::Write, D::Write, D::Write}, false},
      {OverwriteMode::Ask, "n\nq\ny\n", {D::Skip, D::Quit, D::Quit}, false},
      {OverwriteMode::Skip, "y\ny\ny\n", {D::Skip, D::Skip, D::Skip}, true},
      {OverwriteMode::Replace, "", {D::Write, D::Write, D::Write}, false},
  };
  for (const OverwriteCase& c : cases) {
    std::istringstream in(c.answers);
    std::ostringstream err;
    OverwritePolicy policy(c.mode, in, err);
    std::vector<D> got;
    for (int i = 0; i < 3; ++i) got.push_back(policy.ForExisting("p" + std::to_string(i)));
    EXPECT_EQ(got, c.decisions) << c.answers;
    EXPECT_EQ(policy.SkippedUnasked(), c.unasked) << c.answers;
  }
  std::istringstream in;
  std::ostringstream err;
  OverwritePolicy policy(OverwriteMode::Skip, in, err);
  EXPECT_EQ(policy.For("/nonexistent/x.jpg"), D::Write);
  EXPECT_EQ(OverwritePolicy::ModeFor(false, true, true), OverwriteMode::Ask);
  EXPECT_EQ(OverwritePolicy::ModeFor(false, false, true), OverwriteMode::Skip);
  EXPECT_EQ(OverwritePolicy::ModeFor(true, true, true), OverwriteMode::Replace);
}

TEST(OutputChecks, FoldersAreCreatedAndFilesNeedAFolder) {
  const testing::TempDir scratch;
  const std::string dir = scratch.Path();
  EXPECT_EQ(PrepareOutputDirectory(dir + "/a/b/c"), "");
  struct stat st {};
  EXPECT_TRUE(::stat((dir + "/a/b/c").c_str(), &st) == 0 && S_ISDIR(st.st_mode));
  EXPECT_EQ(PrepareOutputDirectory(dir + "/a/b/c"), "") << "an existing folder is fine";
  std::ofstream(dir + "/file") << "x";
  EXPECT_NE(PrepareOutputDirectory(dir + "/file"), "");
  EXPECT_NE(PrepareOutputDirectory(dir + "/file/sub"), "");

  EXPECT_EQ(CheckOutputFile(dir + "/a/still.jpg"), "");
  EXPECT_EQ(CheckOutputFile(dir + "/file"), "") << "an existing file is replaced";
  EXPECT_EQ(CheckOutputFile("/dev/null"), "/dev/null is not a regular file");
  EXPECT_NE(CheckOutputFile(dir + "/a"), "");
  EXPECT_NE(CheckOutputFile(dir + "/missing/still.jpg"), "");
  EXPECT_NE(CheckOutputFile(dir + "/a/"), "");
}

TEST(RunReport, ListsWrittenFilesAndSumsUpTheRun) {
  std::ostringstream out, err;
  RunReport report(out, err, false);
  report.Saved("d/1.jpg");
  report.Saved("d/2.jpg");
  report.Skipped();
  EXPECT_EQ(report.Status(), ExitStatus::Success);
  report.Skipped(true);
  EXPECT_EQ(report.Status(), ExitStatus::LinkFailure) << "a file kept unasked fails the run";
  report.Failed(ExitStatus::FileError);
  report.PrintSummary();
  EXPECT_EQ(out.str(), "d/1.jpg\nd/2.jpg\n");
  EXPECT_EQ(err.str(), "2 saved, 2 skipped, 1 failed\n");
  EXPECT_EQ(report.Status(), ExitStatus::LinkFailure);

  std::ostringstream quietOut, quietErr;
  RunReport quiet(quietOut, quietErr, true);
  quiet.Saved("x");
  quiet.PrintSummary();
  EXPECT_EQ(quietOut.str() + quietErr.str(), "");
}

TEST(Interrupt, TheExitStatusNamesTheSignal) {
  EXPECT_EQ(InterruptExitCode(), 0);
  RequestInterrupt(SIGINT);
  EXPECT_TRUE(InterruptRequested());
  EXPECT_EQ(InterruptExitCode(), 130);
  ClearInterrupt();
  InstallInterruptFlag();
  std::raise(SIGTERM);
  EXPECT_EQ(InterruptExitCode(), 143);
  ClearInterrupt();
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
  std::signal(SIGHUP, SIG_DFL);
  EXPECT_EQ(Worse(ExitStatus::Interrupted, ExitStatus::LinkFailure), ExitStatus::Interrupted);
}

}  // namespace
}  // namespace lumarel::cli
