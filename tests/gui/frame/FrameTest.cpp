// SPDX-License-Identifier: MIT
// The frame: title, size, menus per active child with their identifiers and
// gray states, command routing, closing children, exit and shut-down order.
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QUrl>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QRadioButton>
#include <QScreen>
#include <QTextBrowser>
#include <QStatusBar>
#include <QTest>
#include <filesystem>
#include <memory>

#include "GuiTestSupport.h"
#include "imagefile/BitmapFile.h"
#include "imagefile/OpenMessages.h"
#include "shell/OpenByContent.h"
#include "shell/Frame.h"
#include "shell/WindowList.h"
#include "windows/CaptureWindow.h"
#include "windows/ImageDoc.h"

namespace lumarel {
namespace {

using testing::RecordingFrameLink;
using testing::ScratchEnvironment;
using testing::ScriptedDialogs;
using testing::ScriptedMessages;

// A picture child that records the commands it receives and can refuse to close.
class RecordingChild final : public ChildWindow {
 public:
  RecordingChild(ChildHost& host, ChildKind kind = ChildKind::Capture)
      : ChildWindow(kind, host) {}
  bool Command(int id) override {
    commands.push_back(id);
    return true;
  }
  bool QueryEndSession() override {
    ++asked;
    return agrees;
  }
  std::vector<int> commands;
  int asked = 0;
  bool agrees = true;
};

class FrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    frame = std::make_unique<Frame>(link, scratch.env);
    frame->show();
  }
  void TearDown() override {
    if (frame) {
      messages.answers.clear();
      frame->close();  // confirms the exit with the default Ok
      frame.reset();
    }
  }
  RecordingChild* AddPicture(ChildKind kind = ChildKind::Capture) {
    auto* child = new RecordingChild(*frame, kind);
    child->setWindowTitle("picture");
    frame->AddChild(child);
    return child;
  }
  // "&File|&Open...=40001|Save &As...=40003 grayed|[Recent &Files]|-|..." for each popup of a menu.
  std::vector<std::string> Describe(const QList<QMenu*>& popups) {
    std::vector<std::string> out;
    std::function<std::string(QMenu*)> menuText = [&](QMenu* menu) {
      std::string s = menu->title().toStdString();
      for (QAction* a : menu->actions()) {
        if (a->isSeparator()) {
          s += "|-";
        } else if (a->menu()) {
          s += "|[" + menuText(a->menu()) + "]";
        } else {
          s += "|" + a->text().toStdString() + "=" + std::to_string(a->data().toInt()) +
               (a->isEnabled() ? "" : " grayed");
        }
      }
      return s;
    };
    for (QMenu* popup : popups) out.push_back(menuText(popup));
    return out;
  }
  std::vector<std::string> MenuBarPopups() {
    QList<QMenu*> popups;
    for (QAction* a : frame->menuBar()->actions()) popups.push_back(a->menu());
    return Describe(popups);
  }

  ScriptedMessages messages;
  ScriptedDialogs dialogs;
  ScratchEnvironment scratch;
  RecordingFrameLink link;
  std::unique_ptr<Frame> frame;
};

const std::string kHelp = "&Help|&Help...=40011|-|&About...=40012";

TEST_F(FrameTest, FrameHasTitleSizeAndStartState) {
  EXPECT_EQ(frame->windowTitle(), "Lumarel");
  EXPECT_EQ(frame->size(), QSize(745, 605));
  EXPECT_FALSE(frame->MdiClientEnabled());
  EXPECT_EQ(frame->StatusText(), "Ready");
  EXPECT_FALSE(frame->Progress()->isVisible());
  EXPECT_EQ(frame->Progress()->geometry(), QRect(150, frame->height() - 15, 200, 12));
  EXPECT_FALSE(frame->windowIcon().isNull());
  frame->resize(800, 650);
  EXPECT_EQ(frame->Progress()->geometry(), QRect(150, 650 - 15, 200, 12));
}

// A child that counts the mouse presses it receives.
class ClickCounter final : public ChildWindow {
 public:
  explicit ClickCounter(ChildHost& host) : ChildWindow(ChildKind::Openfile, host) {}
  int presses = 0;

 protected:
  void mousePressEvent(QMouseEvent*) override { ++presses; }
};

TEST_F(FrameTest, DisabledMdiClientSwallowsClicksUntilEnabled) {
  auto* child = new ClickCounter(*frame);
  frame->AddChild(child, QRect(0, 0, 200, 200));
  QTest::mouseClick(child, Qt::LeftButton, {}, QPoint(20, 20));
  EXPECT_EQ(child->presses, 0);
  frame->EnableMdiClient(true);
  QTest::mouseClick(child, Qt::LeftButton, {}, QPoint(20, 20));
  EXPECT_EQ(child->presses, 1);
}

TEST_F(FrameTest, StartsLinkAndItsTimerTwoThatReachesTheLink) {
  EXPECT_EQ(link.calls.front(), "Start");
  EXPECT_EQ(link.startTempPathA, frame->State().TempPathA);  // prepared before the link starts
  EXPECT_FALSE(link.startTempPathA.empty());
  EXPECT_TRUE(frame->FrameTimers().IsRunning(2));
  QTest::qWait(400);
  ASSERT_FALSE(link.timerIds.empty());
  EXPECT_EQ(link.timerIds.front(), 2);
}

TEST_F(FrameTest, CreatesLiveAndPreviewWindowsWithPreviewActive) {
  const auto windows = frame->MdiClient()->subWindowList();
  ASSERT_EQ(windows.size(), 2);
  EXPECT_EQ(windows[0]->widget()->windowTitle(), "Live image Window");
  EXPECT_EQ(windows[0]->geometry(), QRect(5, 5, 340, 435));
  EXPECT_EQ(windows[1]->widget()->windowTitle(), "Preview Window");
  EXPECT_EQ(windows[1]->geometry(), QRect(30, 30, 590, 475));
  EXPECT_EQ(frame->ActiveChild(), frame->Preview());
  EXPECT_EQ(frame->CurrentMenu(), MenuKind::Preview);
}

TEST_F(FrameTest, FrameMenuItemsIdsAndGrayStates) {
  EXPECT_EQ(Describe(frame->Menus().Popups(MenuKind::Frame)),
            (std::vector<std::string>{
                "&File|&Open...=40001|Save &As...=40003 grayed|[Recent &Files]|-|&Communication...=40007|-|"
                "E&xit=40002",
                "Special|&Flash All Erase=40008", kHelp}));
}

TEST_F(FrameTest, PreviewMenuShownWhilePreviewIsActive) {
  EXPECT_EQ(MenuBarPopups(),
            (std::vector<std::string>{
                "&File|&Open...=40001|Save &As...=40003 grayed|[Recent &Files]|-|&Data in from camera=40005 "
                "grayed|Delete &Page=40010 grayed|Delete A&ll=40013 grayed|-|"
                "&Communication...=40007|-|E&xit=40002",
                "&Window|C&lose Image=40015", "&Option|&Reload=40019 grayed",
                "Special|&Flash All Erase=40008", kHelp}));
}

TEST_F(FrameTest, CaptureImagefileAndLiveMenus) {
  const std::string image = "&Image|Image &Adjustment...=40016|-|&Copy to Clipboard=40018";
  const std::string window = "&Window|C&lose Image=40015";
  EXPECT_EQ(Describe(frame->Menus().Popups(MenuKind::Capture)),
            (std::vector<std::string>{"&File|&Open...=40001|Save &As...=40003 grayed|[Recent &Files]|-|"
                                      "&Communication...=40007|-|&Print...=40017|-|E&xit=40002",
                                      image, window, kHelp}));
  EXPECT_EQ(Describe(frame->Menus().Popups(MenuKind::Imagefile)),
            (std::vector<std::string>{
                "&File|&Open...=40001|Save &As...=40003|[Recent &Files]|-|[Data out &to camera|&Fine mode=40006 "
                "grayed|&Normal mode=40009 grayed]|-|&Communication...=40007|-|&Print...=40017|-|"
                "E&xit=40002",
                image, window, kHelp}));
  EXPECT_EQ(Describe(frame->Menus().Popups(MenuKind::Liveimage)),
            (std::vector<std::string>{
                "&File|Save &As...=40003 grayed|-|&Communication...=40007|-|E&xit=40002",
                "&Window|C&lose Image=40015|-|Live &photo Zoom In=40014 grayed", kHelp}));
}

TEST_F(FrameTest, MenusSwitchOnActivationAndKeepTheirItemStates) {
  frame->SetCurrentMenuItemEnabled(kCmdDataIn, true);  // Preview's menu is current
  RecordingChild* picture = AddPicture(ChildKind::Openfile);
  EXPECT_EQ(frame->CurrentMenu(), MenuKind::Imagefile);
  EXPECT_EQ(frame->menuBar()->actions().size(), 4);
  frame->SetCurrentMenuItemEnabled(kCmdFineMode, true);
  frame->Activate(frame->Live());
  EXPECT_EQ(frame->CurrentMenu(), MenuKind::Liveimage);
  frame->Activate(frame->Preview());
  EXPECT_TRUE(frame->MenuItem(MenuKind::Preview, kCmdDataIn)->isEnabled());
  EXPECT_TRUE(frame->MenuItem(MenuKind::Imagefile, kCmdFineMode)->isEnabled());
  EXPECT_FALSE(frame->MenuItem(MenuKind::Imagefile, kCmdNormalMode)->isEnabled());
  EXPECT_FALSE(frame->MenuItem(MenuKind::Capture, kCmdSaveAs)->isEnabled());
  frame->Activate(picture);
  EXPECT_EQ(frame->CurrentMenu(), MenuKind::Imagefile);
}

TEST_F(FrameTest, FrameHandlesItsCommandsAndPassesTheRestToTheActiveChild) {
  RecordingChild* picture = AddPicture();
  for (int id : {kCmdSaveAs, kCmdPrint, kCmdImageAdjust, kCmdCopyToClipboard, kCmdDataIn}) {
    frame->Command(id);
  }
  frame->Command(kCmdAbout);
  frame->Command(kCmdCommunication);
  frame->Command(kCmdHelp);
  EXPECT_EQ(picture->commands, (std::vector<int>{kCmdSaveAs, kCmdPrint, kCmdImageAdjust,
                                                 kCmdCopyToClipboard, kCmdDataIn}));
  EXPECT_EQ(dialogs.names, (std::vector<std::string>{"ABOUT", "COM_SETUP"}));
  // The whole identifier counts: a number sharing the low 16 bits is not Exit.
  frame->Command(kCmdExit + 0x10000);
  EXPECT_EQ(picture->commands.back(), kCmdExit + 0x10000);
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(FrameTest, MenuChoiceRoutesThroughTheFrame) {
  RecordingChild* picture = AddPicture();
  frame->MenuItem(MenuKind::Capture, kCmdPrint)->trigger();
  EXPECT_EQ(picture->commands, std::vector<int>{kCmdPrint});
  frame->MenuItem(MenuKind::Capture, kCmdAbout)->trigger();
  EXPECT_EQ(picture->commands.size(), 1u);
  EXPECT_EQ(dialogs.names, std::vector<std::string>{"ABOUT"});
}

// The link asks (and refuses a write-protected card): the frame only routes.
TEST_F(FrameTest, FlashEraseGoesToTheLinkFromThePreviewMenu) {
  ASSERT_EQ(frame->CurrentMenu(), MenuKind::Preview);
  frame->MenuItem(MenuKind::Preview, kCmdFlashErase)->trigger();
  EXPECT_EQ(link.calls.back(), "EraseAll");
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(FrameTest, CloseImageLeavesPreviewAndLiveAndReturnsToTheWindowTheUserCameFrom) {
  for (ChildWindow* from : {static_cast<ChildWindow*>(frame->Preview()),
                            static_cast<ChildWindow*>(frame->Live())}) {
    frame->Activate(from);
    AddPicture();
    AddPicture(ChildKind::Openfile);
    frame->Command(kCmdCloseImage);
    const auto windows = frame->MdiClient()->subWindowList();
    ASSERT_EQ(windows.size(), 2);
    EXPECT_TRUE(frame->Preview() && frame->Live());
    EXPECT_EQ(frame->ActiveChild(), from);
  }
}

TEST_F(FrameTest, CloseAllChildrenKeepsPermanentWindowsUntilExitIsConfirmed) {
  AddPicture();
  AddPicture();
  frame->Command(kCmdCloseAllChildren);
  EXPECT_EQ(frame->MdiClient()->subWindowList().size(), 2);  // Live, Preview
}

TEST_F(FrameTest, OneRefusingPictureWindowKeepsEveryWindowOpen) {
  AddPicture();
  RecordingChild* refusing = AddPicture();
  refusing->agrees = false;
  RecordingChild* last = AddPicture();
  frame->Command(kCmdCloseAllChildren);
  EXPECT_EQ(frame->MdiClient()->subWindowList().size(), 5);
  EXPECT_EQ(refusing->asked, 1);
  EXPECT_EQ(last->asked, 0);  // no question after a refusal
  refusing->agrees = true;
}

// "&1 Live image Window" ... for the entries of a Window popup, "*" marking the checked one.
std::vector<std::string> ListedWindows(Frame& frame, MenuKind kind) {
  QMenu* popup = frame.Menus().WindowPopup(kind);
  frame.Windows().Rebuild(popup);
  std::vector<std::string> out;
  for (QAction* a : WindowList::Entries(popup)) {
    out.push_back(a->text().toStdString() + (a->isChecked() ? " *" : ""));
  }
  return out;
}

TEST_F(FrameTest, WindowMenusEndWithTheOpenWindowsAndKeysSwitchAndClose) {
  frame->EnableMdiClient(true);
  RecordingChild* picture = AddPicture();
  picture->setWindowTitle("A & B");
  EXPECT_EQ(ListedWindows(*frame, MenuKind::Capture),
            (std::vector<std::string>{"&1 Live image Window", "&2 Preview Window", "&3 A && B *"}));
  // The fixed items stay first: Close Image, and in the Live menu Zoom In.
  EXPECT_EQ(frame->Menus().WindowPopup(MenuKind::Capture)->actions().front()->data().toInt(),
            kCmdCloseImage);
  ListedWindows(*frame, MenuKind::Liveimage);
  const QList<QAction*> live = frame->Menus().WindowPopup(MenuKind::Liveimage)->actions();
  ASSERT_GE(live.size(), 4);
  EXPECT_EQ(live[2]->data().toInt(), kCmdZoomIn);
  EXPECT_TRUE(live[3]->isSeparator());

  // Rebuilding replaces the list instead of adding to it; choosing an entry activates.
  ListedWindows(*frame, MenuKind::Capture);
  QMenu* popup = frame->Menus().WindowPopup(MenuKind::Capture);
  ASSERT_EQ(WindowList::Entries(popup).size(), 3);
  WindowList::Entries(popup)[0]->trigger();
  EXPECT_EQ(frame->ActiveChild(), frame->Live());
  EXPECT_EQ(ListedWindows(*frame, MenuKind::Liveimage),
            (std::vector<std::string>{"&1 Live image Window *", "&2 Preview Window", "&3 A && B"}));

  // Ctrl+F6 goes through the list and round; Ctrl+Shift+F6 back.
  frame->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
  QTest::keyClick(frame->Live(), Qt::Key_F6, Qt::ControlModifier);
  EXPECT_EQ(frame->ActiveChild(), frame->Preview());
  QTest::keyClick(frame->Preview(), Qt::Key_F6, Qt::ControlModifier);
  EXPECT_EQ(frame->ActiveChild(), picture);
  QTest::keyClick(picture, Qt::Key_F6, Qt::ControlModifier);
  EXPECT_EQ(frame->ActiveChild(), frame->Live());
  QTest::keyClick(frame->Live(), Qt::Key_F6, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(frame->ActiveChild(), picture);

  // Ctrl+F4 closes a picture window (after its question) but not the permanent ones.
  QTest::keyClick(picture, Qt::Key_F4, Qt::ControlModifier);
  QApplication::processEvents();
  EXPECT_EQ(frame->MdiClient()->subWindowList().size(), 2);
  EXPECT_EQ(frame->ActiveChild(), frame->Live());  // the window active before it
  QTest::keyClick(frame->Live(), Qt::Key_F4, Qt::ControlModifier);
  QApplication::processEvents();
  EXPECT_EQ(frame->MdiClient()->subWindowList().size(), 2);
}

TEST_F(FrameTest, ExitAnsweredCancelKeepsEverything) {
  AddPicture();
  messages.answers = {MessageAnswer::Cancel};
  frame->Command(kCmdExit);
  EXPECT_TRUE(frame->isVisible());
  EXPECT_FALSE(frame->ExitConfirmed());
  EXPECT_EQ(frame->MdiClient()->subWindowList().size(), 3);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].text, "Exit Lumarel?");
  EXPECT_EQ(messages.shown[0].caption, "Lumarel");
  EXPECT_EQ(messages.shown[0].buttons, MessageButtons::OkCancel);
  EXPECT_EQ(messages.shown[0].icon, MessageIcon::Exclamation);
  EXPECT_TRUE(std::find(link.calls.begin(), link.calls.end(), "SendReset") == link.calls.end());
}

TEST_F(FrameTest, ExitWithRefusingChildStaysThenClosesWithoutAskingAgain) {
  RecordingChild* refusing = AddPicture();
  refusing->agrees = false;
  frame->Command(kCmdExit);
  EXPECT_TRUE(frame->isVisible());
  EXPECT_TRUE(frame->ExitConfirmed());
  ASSERT_EQ(frame->MdiClient()->subWindowList().size(), 3);  // nothing closed
  EXPECT_TRUE(frame->Preview() && frame->Live());
  refusing->agrees = true;
  frame->Command(kCmdExit);
  EXPECT_FALSE(frame->isVisible());
  EXPECT_EQ(messages.shown.size(), 1u);  // "Exit Lumarel?" only once
}

TEST_F(FrameTest, ExitWithOkShutsDownInOrder) {
  link.liveRunning = true;
  bool pressed = false;
  frame->Live()->SetLiveButtonHandler([&] { pressed = true; });
  const std::string tempA = frame->State().TempPathA;
  ASSERT_TRUE(QFile::exists(QString::fromStdString(tempA)));
  link.calls.clear();
  frame->Command(kCmdExit);
  EXPECT_TRUE(pressed);
  EXPECT_FALSE(frame->isVisible());
  // The link stops before the buffers it writes into are released.
  EXPECT_EQ(link.calls, (std::vector<std::string>{"SendReset", "StopReceiveThread", "ClosePort",
                                                  "ReleasePreviewStore"}));
  EXPECT_TRUE(link.buffersHeldAtStop);
  EXPECT_TRUE(link.buffersHeldAtClose);
  // A link timer armed before the exit no longer reaches the closed link.
  link.timerIds.clear();
  frame->FrameTimers().Start(3, 0);
  QTest::qWait(20);
  EXPECT_TRUE(link.timerIds.empty());
  EXPECT_FALSE(QFile::exists(QString::fromStdString(tempA)));
  EXPECT_TRUE(QFile::exists(QString::fromStdString(scratch.SettingsPath())));
  EXPECT_FALSE(frame->State().Buffers.Picture);
}

// A picture window holding unsaved changes, as a Capture window after an adjustment.
class ModifiedWindowExitTest : public FrameTest {
 protected:
  void SetUp() override {
    FrameTest::SetUp();
    record.initialDirectory = &initialDirectory;
    context.fileDialog = &record;
    ImageDocInit init;
    ASSERT_TRUE(AllocateImageDocBlocks(init, CapturePictureBlockSize(64, 48), false,
                                       frame->Messages()));
    WriteDibHeader(init.PictureBlock.bytes(), 64, 48, 24);
    init.ViewWidth = 60;
    init.ViewHeight = 46;
    init.Modified = 1;
    auto* window = new CaptureWindow(*frame, context, std::move(init));
    window->setWindowTitle("  1F: 06/15/1 10:30");
    frame->AddChild(window);
    // Save dialogs are cancelled.
    dialogs.SetHandler([this](QDialog& dialog) {
      ++saveDialogs;
      return dialog.objectName() == "SaveAs" ? 0 : 1;
    });
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const MessageRequest& m : messages.shown) texts.push_back(m.text);
    return texts;
  }
  std::string initialDirectory;
  FileDialogRecord record;
  PictureWindowContext context;
  int saveDialogs = 0;
};

TEST_F(ModifiedWindowExitTest, ExitAsksToSaveAndNoClosesEverything) {
  messages.answers = {MessageAnswer::Ok, MessageAnswer::No};
  frame->Command(kCmdExit);
  EXPECT_EQ(Texts(), (std::vector<std::string>{"Exit Lumarel?", "Save changes to   1F: 06/15/1 10:30?"}));
  EXPECT_EQ(messages.shown[1].buttons, MessageButtons::YesNoCancel);
  EXPECT_EQ(saveDialogs, 0);
  EXPECT_FALSE(frame->isVisible());
  EXPECT_TRUE(frame->MdiClient()->subWindowList().isEmpty());
}

// The picture window is asked before anything closes: a cancelled save keeps
// the Preview and Live windows too, so the camera stays within reach.
TEST_F(ModifiedWindowExitTest, CancelledSaveKeepsEveryWindowAndTheNextExitDoesNotAskAgain) {
  messages.answers = {MessageAnswer::Ok, MessageAnswer::Yes};
  frame->Command(kCmdExit);
  EXPECT_EQ(saveDialogs, 1);
  EXPECT_TRUE(frame->isVisible());
  EXPECT_TRUE(frame->ExitConfirmed());
  ASSERT_EQ(frame->MdiClient()->subWindowList().size(), 3);
  EXPECT_TRUE(frame->Preview() && frame->Live());
  EXPECT_TRUE(std::find(link.calls.begin(), link.calls.end(), "SendReset") == link.calls.end());

  messages.shown.clear();
  messages.answers = {MessageAnswer::No};
  frame->Command(kCmdExit);
  EXPECT_EQ(Texts(), std::vector<std::string>{"Save changes to   1F: 06/15/1 10:30?"});
  EXPECT_FALSE(frame->isVisible());
  EXPECT_EQ(std::count(link.calls.begin(), link.calls.end(), "SendReset"), 1);
}

// Cancel (and Escape) on "Save changes" keeps everything, as a cancelled save does.
TEST_F(ModifiedWindowExitTest, CancelOnTheSaveQuestionKeepsEveryWindow) {
  messages.answers = {MessageAnswer::Ok, MessageAnswer::Cancel};
  frame->Command(kCmdExit);
  EXPECT_EQ(saveDialogs, 0);
  EXPECT_TRUE(frame->isVisible());
  EXPECT_EQ(frame->MdiClient()->subWindowList().size(), 3);
  EXPECT_TRUE(std::find(link.calls.begin(), link.calls.end(), "SendReset") == link.calls.end());
}

// The modified mark: "[*]" on the MDI frame's title, shown while the picture
// holds unsaved changes; the window's own title stays plain.
TEST_F(ModifiedWindowExitTest, ModifiedPictureIsMarkedInItsTitleBar) {
  QApplication::processEvents();
  auto* window = qobject_cast<CaptureWindow*>(frame->ActiveChild());
  ASSERT_NE(window, nullptr);
  QMdiSubWindow* sub = frame->MdiClient()->activeSubWindow();
  EXPECT_EQ(sub->windowTitle(), "  1F: 06/15/1 10:30[*]");
  EXPECT_TRUE(sub->isWindowModified());
  EXPECT_EQ(window->windowTitle(), "  1F: 06/15/1 10:30");
  window->Doc().Modified = 0;
  window->setWindowTitle("/tmp/saved.bmp");  // as a save does
  EXPECT_EQ(sub->windowTitle(), "/tmp/saved.bmp[*]");
  EXPECT_FALSE(sub->isWindowModified());
  messages.answers = {MessageAnswer::Ok};
}

TEST_F(FrameTest, ThreadThatCannotBeEndedIsReported) {
  link.threadStops = false;
  frame->close();
  ASSERT_EQ(messages.shown.size(), 2u);
  EXPECT_EQ(messages.shown[1].text, "closing handle(hReceive_packet) fails.");
  EXPECT_EQ(messages.shown[1].caption, "THREAD INFO (EXIT)");
}

TEST_F(FrameTest, PermanentWindowsRefuseToCloseBeforeExit) {
  QMdiSubWindow* preview = frame->MdiClient()->subWindowList()[1];
  EXPECT_FALSE(preview->close());
  EXPECT_EQ(frame->MdiClient()->subWindowList().size(), 2);
}

TEST_F(FrameTest, HelpOpensAtContentsAndByF1) {
  frame->Command(kCmdHelp);
  QTextBrowser* help = frame->HelpSystem().Window();
  ASSERT_NE(help, nullptr);
  EXPECT_EQ(help->source().fragment(), "contents");
  EXPECT_TRUE(help->toPlainText().contains("Lumarel Help"));
  help->close();
  QTest::qWait(0);
  frame->activateWindow();
  frame->Preview()->setFocus();
  frame->HelpSystem().Release();
  QTest::keyClick(frame->Preview(), Qt::Key_F1);
  ASSERT_NE(frame->HelpSystem().Window(), nullptr);
  frame->HelpSystem().Open(HelpTopic::Context2);
  EXPECT_EQ(frame->HelpSystem().Window()->source().fragment(), "context2");
}

// Help from a modal dialog (the link dialogs' Help button) belongs to that
// dialog while it is open, so it is not blocked behind it, and stays open
// as a window of its own when the dialog goes.
TEST_F(FrameTest, HelpFromAModalDialogIsAWindowOfThatDialog) {
  QDialog dialog(frame.get());
  dialog.setWindowModality(Qt::ApplicationModal);
  dialog.show();
  ASSERT_EQ(QApplication::activeModalWidget(), &dialog);
  frame->OpenHelp(HelpTopic::Context1);
  QTextBrowser* help = frame->HelpSystem().Window();
  ASSERT_NE(help, nullptr);
  EXPECT_EQ(help->parentWidget(), &dialog);
  EXPECT_TRUE(help->isWindow());
  EXPECT_TRUE(help->isVisible());
  EXPECT_EQ(help->windowModality(), Qt::NonModal);
  // Opened centred over the dialog, inside the screen.
  EXPECT_EQ(help->frameGeometry().center(), dialog.frameGeometry().center());
  dialog.hide();
  ASSERT_EQ(frame->HelpSystem().Window(), help);
  EXPECT_EQ(help->parentWidget(), frame.get());  // the frame's: kept above it
  EXPECT_TRUE(help->isWindow());
  EXPECT_TRUE(help->isVisible());
  EXPECT_EQ(help->source().fragment(), "context1");
}

// F1 in a modal dialog (Image Adjustment) opens the help above it.
TEST_F(FrameTest, F1InAModalDialogOpensTheHelp) {
  QDialog dialog(frame.get());
  dialog.setWindowModality(Qt::ApplicationModal);
  dialog.show();
  QApplication::setActiveWindow(&dialog);
  QTest::keyClick(&dialog, Qt::Key_F1);
  QTextBrowser* help = frame->HelpSystem().Window();
  ASSERT_NE(help, nullptr);
  EXPECT_EQ(help->parentWidget(), &dialog);
  EXPECT_TRUE(help->isVisible());
}

TEST_F(FrameTest, FileCommandsHaveTheDesktopsKeys) {
  const struct {
    MenuKind menu;
    int id;
    const char* keys;
  } cases[] = {{MenuKind::Preview, kCmdOpen, "Ctrl+O"},       {MenuKind::Imagefile, kCmdSaveAs, "Ctrl+S"},
               {MenuKind::Capture, kCmdPrint, "Ctrl+P"},       {MenuKind::Frame, kCmdExit, "Ctrl+Q"},
               {MenuKind::Capture, kCmdCopyToClipboard, "Ctrl+C"}};
  for (const auto& c : cases) {
    EXPECT_EQ(frame->MenuItem(c.menu, c.id)->shortcut().toString(), c.keys) << c.id;
  }
}

// Files dropped on the frame, and the recent files of the File menus, go to
// the handler that opens files; the recent files are remembered at exit
// (also when the program ends on SIGTERM), with the frame's place.
TEST_F(FrameTest, DropsAndRecentFilesOpenFilesAndAreRemembered) {
  std::vector<std::string> opened;
  frame->SetOpenFilesHandler([&](const std::vector<std::string>& paths) {
    opened.insert(opened.end(), paths.begin(), paths.end());
  });
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile("/pictures/a.jpg"), QUrl("https://example.com/b.jpg"),
                QUrl::fromLocalFile("/pictures/c")});
  QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(frame.get(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(frame.get(), &drop);
  EXPECT_EQ(opened, (std::vector<std::string>{"/pictures/a.jpg", "/pictures/c"}));

  for (const char* path : {"/p/1.jpg", "/p/2.jpg", "/p/3.jpg", "/p/4.jpg", "/p/5.jpg", "/p/1.jpg",
                           "/p/6.jpg"}) {
    frame->State().NoteRecentFile(path);
  }
  EXPECT_EQ(frame->State().RecentFiles,
            (std::vector<std::string>{"/p/6.jpg", "/p/1.jpg", "/p/5.jpg", "/p/4.jpg", "/p/3.jpg"}));
  QMenu* recent = frame->RecentFilesMenu();
  EXPECT_FALSE(recent->menuAction()->isEnabled());  // grayed while still empty at start
  auto* file = qobject_cast<QMenu*>(frame->MenuItem(MenuKind::Frame, kCmdOpen)->parent());
  ASSERT_NE(file, nullptr);
  emit file->aboutToShow();  // the File menu opens: the popup is filled
  EXPECT_TRUE(recent->menuAction()->isEnabled());
  ASSERT_EQ(recent->actions().size(), 5);
  EXPECT_EQ(recent->actions()[1]->text(), "&2 /p/1.jpg");
  opened.clear();
  recent->actions()[1]->trigger();
  EXPECT_EQ(opened, std::vector<std::string>{"/p/1.jpg"});

  frame->setGeometry(40, 50, 700, 500);
  frame->ShutDownOnSignal();
  AppState reread;
  reread.SettingsPath = frame->State().SettingsPath;
  reread.Prepare(scratch.env, frame->Messages());
  EXPECT_EQ(reread.RecentFiles, frame->State().RecentFiles);
  EXPECT_TRUE(reread.Frame.known);
  EXPECT_EQ(QRect(reread.Frame.x, reread.Frame.y, reread.Frame.width, reread.Frame.height),
            QRect(40, 50, 700, 500));
  EXPECT_FALSE(reread.Frame.maximized);
  EXPECT_TRUE(messages.shown.empty());
}

// The reconnect and disconnect dialogs say why each port gave no camera, as
// the Communication dialog and lumarel-cli ports do.
// A BMP cut short opens with what is there; the note saying so shows in the
// status bar (with the file's path) instead of stopping the user with a box.
TEST_F(FrameTest, ANoteAboutAnOpenedPictureShowsInTheStatusBar) {
  const std::string path = scratch.dir.Path() + "/short.bmp";
  MemoryBlock dib = AllocateBlock(40 + 64 * 48 * 3);
  WriteDibHeader(dib, 64, 48, 24);
  ASSERT_TRUE(WriteBitmapFile(path, dib));
  std::filesystem::resize_file(path, 14 + 40 + 20 * 64 * 3);  // 20 of 48 rows
  messages.shown.clear();
  EXPECT_TRUE(LoadPictureFile(path, frame->State(), frame->Messages()));
  EXPECT_TRUE(messages.shown.empty());
  const std::string note = frame->statusBar()->currentMessage().toStdString();
  EXPECT_EQ(note, path + ": " + MissingRowsText(20, 48));
  // A question or an error still gets its box.
  frame->Messages().Show("This file type is wrong.", "ERROR", MessageButtons::Ok,
                         MessageIcon::Exclamation);
  EXPECT_EQ(messages.shown.size(), 1u);
}

TEST_F(FrameTest, LinkDialogsShowWhyThePortsGaveNoCamera) {
  link.port.problems = {"COM1 (/dev/ttyUSB0): permission denied (join the group dialout)",
                        "COM2 (/dev/ttyS0): in use by another program (ModemManager)"};
  std::vector<QString> shown;
  dialogs.SetHandler([&](QDialog& d) {
    auto* problems = d.findChild<QLabel*>("problems");
    shown.push_back(problems ? problems->text() : QString());
    return 2;
  });
  frame->OpenReconnectDialog();
  frame->OpenDisconnectDialog();
  const QString expected = QString::fromStdString(link.port.problems[0] + "\n" + link.port.problems[1]);
  EXPECT_EQ(shown, (std::vector<QString>{expected, expected}));
}

// The frame comes back where it was, but never larger than the screen (the
// offscreen platform's is 800 x 600), so its status bar stays visible.
TEST_F(FrameTest, RememberedGeometryIsFittedIntoTheScreen) {
  const QRect screen = frame->screen()->availableGeometry();
  frame->hide();
  frame->State().Frame = {true, 300, 200, 1200, 900, false};
  frame->ShowRemembered();
  EXPECT_TRUE(screen.contains(frame->geometry())) << frame->geometry().width();
  EXPECT_LE(frame->height(), screen.height() - 30);
  frame->hide();
  frame->State().Frame = {true, 20, 40, 600, 400, false};
  frame->ShowRemembered();
  EXPECT_EQ(frame->geometry(), QRect(20, 40, 600, 400));
}

TEST_F(FrameTest, CommunicationDialogShowsPortAndSpeed) {
  std::string speed;
  bool com2 = false, any = false;
  dialogs.SetHandler([&](QDialog& d) {
    speed = d.findChild<QLineEdit*>("1036")->text().toStdString();
    any = false;
    com2 = d.findChild<QRadioButton*>("1002")->isChecked();
    for (auto* r : d.findChildren<QRadioButton*>()) any = any || r->isChecked();
    return 1;
  });
  link.port = PortView{1002, 57600, false};
  frame->Command(kCmdCommunication);
  EXPECT_EQ(speed, "57600");
  EXPECT_TRUE(com2);
  link.port = PortView{1001, 9600, true};
  frame->Command(kCmdCommunication);
  EXPECT_EQ(speed, "");
  EXPECT_FALSE(any);
}

TEST_F(FrameTest, ScreenshotOfTheFrame) {
  frame->EnableMdiClient(true);
  frame->SetStatusText("Receive Preview data");
  frame->Progress()->setRange(0, 10);
  frame->Progress()->setValue(4);
  frame->Progress()->show();
  QApplication::processEvents();
  const QString path = QString(LUMAREL_BINARY_DIR) + "/gui_frame.png";
  ASSERT_TRUE(frame->grab().save(path));
}

}  // namespace
}  // namespace lumarel
