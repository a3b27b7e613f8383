// SPDX-License-Identifier: MIT
// The dialogs' texts and buttons, the blinking wait dialogs, and the link
// dialogs' Cancel that asks for confirmation first.
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "lumarel/Version.h"
#include "GuiTestSupport.h"
#include "shell/InfoDialogs.h"
#include "shell/LinkDialogs.h"

namespace lumarel {
namespace {

using testing::ScriptedDialogs;

QStringList Labels(const QDialog& dialog) {
  QStringList texts;
  for (auto* label : dialog.findChildren<QLabel*>()) texts << label->text();
  return texts;
}

QPushButton* Button(const QDialog& dialog, int id) {
  return dialog.findChild<QPushButton*>(QString("button%1").arg(id));
}

TEST(AboutDialog, ShowsProductTextsAndClosesWithOkOrCancel) {
  AboutDialog about;
  EXPECT_EQ(about.windowTitle(), "About");
  EXPECT_EQ(Labels(about), (QStringList{"Lumarel", "Ver 5.00", "(for Windows95,98,Me,2000,NT)",
                                        "This image change process is based in part on",
                                        "the work of the independent JPEG Group.",
                                        QString("Lumarel for Linux ") + kVersion}));
  Button(about, 1)->click();
  EXPECT_EQ(about.result(), 1);
  about.reject();
  EXPECT_EQ(about.result(), 2);
}

TEST(ComSetupDialog, ShowsWhyPortsFailedAndSlowAdapters) {
  ComSetupDialog quiet(PortView{1001, 9600, true, {}});
  EXPECT_EQ(quiet.findChild<QLabel*>("problems"), nullptr);
  ComSetupDialog setup(PortView{1001, 9600, true,
                                {"COM1 (/dev/ttyUSB0): permission denied (only members of the "
                                 "group dialout may use it)",
                                 "The USB-serial adapter /dev/ttyUSB1 holds received data for 16 ms"}});
  const QLabel* problems = setup.findChild<QLabel*>("problems");
  ASSERT_NE(problems, nullptr);
  EXPECT_TRUE(problems->text().contains("dialout"));
  EXPECT_TRUE(problems->text().contains("16 ms"));
}

TEST(ComSetupDialog, OnlyOkCloses) {
  ComSetupDialog setup(PortView{1043, 115200, false, {}});
  EXPECT_EQ(setup.windowTitle(), "COM SETUP");
  EXPECT_TRUE(Labels(setup).contains("  Current Baudrate"));
  for (const char* id : {"1001", "1002", "1042", "1043"}) {
    EXPECT_FALSE(setup.findChild<QWidget*>(id)->isEnabled()) << id;
  }
  setup.show();
  setup.reject();  // Esc
  EXPECT_TRUE(setup.isVisible());
  Button(setup, 1)->click();
  EXPECT_FALSE(setup.isVisible());
  EXPECT_EQ(setup.result(), 1);
}

struct WaitCase {
  WaitDialogWindow::Kind kind;
  const char* name;
  const char* caption;
  const char* text;
  const char* on;
  const char* off;
};

class WaitDialogTest : public ::testing::TestWithParam<WaitCase> {};

TEST_P(WaitDialogTest, TextsAndBlinking) {
  const WaitCase& c = GetParam();
  WaitDialogWindow dialog(c.kind);
  EXPECT_EQ(dialog.objectName(), c.name);
  EXPECT_EQ(dialog.windowTitle(), c.caption);
  EXPECT_TRUE(Labels(dialog).contains(c.text));
  EXPECT_EQ(dialog.BlinkText(), c.on);
  EXPECT_TRUE(dialog.BlinkTimer().isActive());
  EXPECT_EQ(dialog.BlinkTimer().interval(), 500);
  EXPECT_TRUE(dialog.BlinkTimer().isSingleShot());
  dialog.Blink();
  EXPECT_EQ(dialog.BlinkText(), c.off);
  EXPECT_TRUE(dialog.BlinkTimer().isActive());
  dialog.Blink();
  EXPECT_EQ(dialog.BlinkText(), c.on);
  EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.BlinkText() == c.off; }, 2000));
}

TEST_P(WaitDialogTest, ClosesOnCommandOneOrTwoOnly) {
  WaitDialogWindow dialog(GetParam().kind);
  dialog.show();
  dialog.Command(3);
  EXPECT_TRUE(dialog.isVisible());
  dialog.Command(1);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), 1);
  EXPECT_FALSE(dialog.BlinkTimer().isActive());
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, WaitDialogTest,
    ::testing::Values(WaitCase{WaitDialogWindow::Kind::DataTransfer, "DATA_TRANS", "DATA TRANSFER",
                               "Data transfer is now in progress.", "Please wait.",
                               "             "},
                      WaitCase{WaitDialogWindow::Kind::Erase, "PERASE_PROC", "DATA ERASE",
                               "Data is now being erased.", "Please wait", ""}));

TEST(ComCancelOkDialog, TextsAndButtons) {
  ComCancelOkDialog dialog;
  EXPECT_EQ(dialog.windowTitle(), "WARNING");
  EXPECT_EQ(Labels(dialog),
            (QStringList{"CAUTION: If you select OK, the following must be performed to "
                         "connect the Vidmarelle:",
                         "Turn the Vidmarelle POWER OFF, and then ON, Execute the Lumarel "
                         "software again."}));
  Button(dialog, 2)->click();
  EXPECT_EQ(dialog.result(), 2);
  Button(dialog, 1)->click();
  EXPECT_EQ(dialog.result(), 1);
}

struct LostCase {
  LinkLostDialog::Kind kind;
  const char* name;
  const char* text;
  const char* action;
};

class LinkLostDialogTest : public ::testing::TestWithParam<LostCase> {};

TEST_P(LinkLostDialogTest, ButtonsActAndCancelAsksFirst) {
  const LostCase& c = GetParam();
  int actions = 0, helps = 0;
  LinkLostDialog dialog(c.kind, {[&] { ++actions; }, [&] { ++helps; }, nullptr});
  EXPECT_EQ(dialog.objectName(), c.name);
  EXPECT_TRUE(Labels(dialog).contains(c.text));
  EXPECT_EQ(Button(dialog, 1)->text(), c.action);
  EXPECT_EQ(Button(dialog, 2)->text(), "Cancel");
  EXPECT_EQ(Button(dialog, 3)->text(), "Help");
  dialog.show();

  Button(dialog, 3)->click();
  EXPECT_EQ(helps, 1);
  EXPECT_TRUE(dialog.isVisible());

  ScriptedDialogs confirm([](QDialog&) { return 2; });  // COM_CANCELOK answered Cancel
  Button(dialog, 2)->click();
  EXPECT_TRUE(dialog.isVisible());
  confirm.SetHandler([](QDialog&) { return 1; });  // then OK
  Button(dialog, 2)->click();
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(confirm.names, (std::vector<std::string>{"COM_CANCELOK", "COM_CANCELOK"}));
  EXPECT_EQ(actions, 0);

  dialog.show();
  Button(dialog, 1)->click();
  EXPECT_EQ(actions, 1);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, LinkLostDialogTest,
    ::testing::Values(LostCase{LinkLostDialog::Kind::Disconnected, "COM_DISCONNECT",
                               "The line is disconnected.", "Reconnect"},
                      LostCase{LinkLostDialog::Kind::Reconnect, "COM_RECONNECT",
                               "Please check PC/VIDMARELLE Connection.", "Retry"}));

}  // namespace
}  // namespace lumarel
