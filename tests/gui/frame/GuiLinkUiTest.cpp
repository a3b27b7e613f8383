// SPDX-License-Identifier: MIT
// The link's view of the windows: status and progress, menu items by owner,
// commands to windows, the wait dialog driven by the link, and the link
// dialogs routed to the link.
#include <QAction>
#include <QLabel>
#include <QMdiArea>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include "GuiTestSupport.h"
#include "shell/Frame.h"
#include "shell/GuiLinkUi.h"

namespace lumarel {
namespace {

class GuiLinkUiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    frame = std::make_unique<Frame>(link, scratch.env);
    frame->show();
    ui = std::make_unique<GuiLinkUi>(*frame);
  }
  void TearDown() override {
    ui.reset();
    frame->close();
    frame.reset();
  }
  testing::ScriptedMessages messages;
  testing::ScriptedDialogs dialogs;
  testing::ScratchEnvironment scratch;
  testing::RecordingFrameLink link;
  std::unique_ptr<Frame> frame;
  std::unique_ptr<GuiLinkUi> ui;
};

TEST_F(GuiLinkUiTest, StatusAndProgress) {
  ui->SetStatusText("Receive Preview data");
  EXPECT_EQ(frame->StatusText(), "Receive Preview data");
  ui->ShowProgress(true);
  ui->SetProgressRange(30);
  ui->SetProgressPosition(12);
  EXPECT_TRUE(frame->Progress()->isVisible());
  EXPECT_EQ(frame->Progress()->maximum(), 30);
  EXPECT_EQ(frame->Progress()->value(), 12);
  ui->ShowProgress(false);
  EXPECT_FALSE(frame->Progress()->isVisible());
}

TEST_F(GuiLinkUiTest, MenuItemsByOwner) {
  ui->EnableMenuItem(MenuOwner::Preview, menu::kReload, true);
  ui->EnableMenuItem(MenuOwner::Openfile, menu::kFineMode, true);
  frame->Activate(frame->Live());
  ui->EnableMenuItem(MenuOwner::Frame, menu::kLivePhotoZoom, true);  // the shown menu
  EXPECT_TRUE(frame->MenuItem(MenuKind::Preview, kCmdReload)->isEnabled());
  EXPECT_TRUE(frame->MenuItem(MenuKind::Imagefile, kCmdFineMode)->isEnabled());
  EXPECT_TRUE(frame->MenuItem(MenuKind::Liveimage, kCmdZoomIn)->isEnabled());
  ui->EnableMdiClient(true);
  EXPECT_TRUE(frame->MdiClientEnabled());
}

TEST_F(GuiLinkUiTest, ActivationAndCommands) {
  std::vector<int> commands;
  frame->Preview()->SetCommandHandler([&](int id) {
    commands.push_back(id);
    return true;
  });
  EXPECT_TRUE(ui->IsActive(LinkWindow::Preview));
  ui->Activate(LinkWindow::Live);
  EXPECT_TRUE(ui->IsActive(LinkWindow::Live));
  EXPECT_FALSE(ui->IsActive(LinkWindow::Preview));
  ui->SendCommand(LinkWindow::Preview, kCmdDataIn);
  EXPECT_EQ(commands, std::vector<int>{kCmdDataIn});
  ui->SetPreviewScrollRange(3);
  ui->SetPreviewScrollPosition(2);
  EXPECT_EQ(frame->Preview()->VerticalBar()->value(), 2);
  ui->ResetPreviewScroll();
  EXPECT_EQ(frame->Preview()->VerticalBar()->maximum(), 0);
  ui->Repaint(LinkWindow::Preview, Rect{0, 50, 580, 500});
  ui->Repaint(LinkWindow::ActiveChild, std::nullopt);
}

TEST_F(GuiLinkUiTest, WaitDialogShowsTheLinksTextAndReportsAUserClose) {
  int closedWith = 0;
  ui->SetWaitDialogClosedByUser([&](int id) { closedWith = id; });
  ui->OpenWaitDialog(WaitDialogKind::Erase);
  WaitDialogWindow* dialog = ui->CurrentWaitDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->windowTitle(), "DATA ERASE");
  EXPECT_TRUE(dialog->isModal());
  EXPECT_FALSE(dialog->BlinkTimer().isActive());  // the link blinks it
  ui->SetWaitDialogText("");
  EXPECT_EQ(dialog->BlinkText(), "");
  ui->OpenWaitDialog(WaitDialogKind::DataTransfer);  // one at a time
  EXPECT_EQ(ui->CurrentWaitDialog(), dialog);
  ui->CloseWaitDialog();
  EXPECT_EQ(ui->CurrentWaitDialog(), nullptr);
  EXPECT_EQ(closedWith, 0);

  ui->OpenWaitDialog(WaitDialogKind::DataTransfer);
  ui->CurrentWaitDialog()->reject();  // Esc
  EXPECT_EQ(closedWith, 2);
}

TEST_F(GuiLinkUiTest, LinkDialogsRouteTheirButtonsToTheLink) {
  std::vector<int> routed;
  ui->SetDisconnectRoute([&](int id) {
    routed.push_back(id);
    return id == 1;
  });
  dialogs.SetHandler([](QDialog& d) {
    d.findChild<QPushButton*>("button3")->click();  // Help: stays open
    d.findChild<QPushButton*>("button1")->click();  // Reconnect: closes
    return d.result();
  });
  ui->OpenDisconnectDialog();
  EXPECT_EQ(routed, (std::vector<int>{3, 1}));
  EXPECT_EQ(dialogs.names, std::vector<std::string>{"COM_DISCONNECT"});

  dialogs.SetHandler([](QDialog&) { return 1; });
  EXPECT_TRUE(ui->AskCancelOk());
  ui->ShowHelp(1);
  EXPECT_EQ(frame->HelpSystem().Window()->source().fragment(), "context1");
}

}  // namespace
}  // namespace lumarel
