// SPDX-License-Identifier: MIT
// The Qt implementations of the platform interfaces: one-shot timers per id,
// the message box's test hook and its width.
#include <QFontMetrics>
#include <QMessageBox>
#include <QPushButton>
#include <QPainter>
#include <QTest>

#include "GuiTestSupport.h"
#include "windows/ButtonFaces.h"
#include "windows/QtTimers.h"

namespace lumarel {
namespace {

TEST(QtTimers, EachIdFiresOnceWithItsId) {
  std::vector<int> fired;
  QtTimers timers([&](int id) { fired.push_back(id); });
  timers.Start(2, 30);
  timers.Start(1, 5);
  timers.Start(3, 10);
  timers.Stop(3);
  EXPECT_TRUE(timers.IsRunning(1));
  EXPECT_FALSE(timers.IsRunning(3));
  QTest::qWait(120);
  EXPECT_EQ(fired, (std::vector<int>{1, 2}));
  EXPECT_FALSE(timers.IsRunning(1));
  EXPECT_FALSE(timers.IsRunning(2));
}

TEST(QtTimers, RestartReplacesThePeriodAndHandlerCanRearm) {
  int ticks = 0;
  QtTimers* self = nullptr;
  QtTimers timers([&](int id) {
    if (++ticks < 3) self->Start(id, 5);  // a handler re-arms for another tick
  });
  self = &timers;
  timers.Start(7, 10000);
  timers.Start(7, 5);
  EXPECT_TRUE(QTest::qWaitFor([&] { return ticks == 3; }, 1000));
  QTest::qWait(30);
  EXPECT_EQ(ticks, 3);
}

TEST(QtNotifier, HookAnswersAndRecords) {
  testing::ScriptedMessages messages;
  messages.answers = {MessageAnswer::No};
  QtNotifier notifier;
  EXPECT_EQ(notifier.Show("Save changes to x?", "Lumarel", MessageButtons::YesNo,
                          MessageIcon::Question),
            MessageAnswer::No);
  EXPECT_EQ(notifier.Show("t", "c", MessageButtons::Ok, MessageIcon::Exclamation),
            MessageAnswer::Ok);
  ASSERT_EQ(messages.shown.size(), 2u);
  EXPECT_EQ(messages.shown[0].text, "Save changes to x?");
  EXPECT_EQ(messages.shown[0].buttons, MessageButtons::YesNo);
}

// A box with a short text is still wide enough for its whole caption.
TEST(QtNotifier, BoxIsWideEnoughForItsCaption) {
  for (const char* caption : {"CARD LINK", "COM PORT ERROR", "THREAD INFO (EXIT)"}) {
    std::unique_ptr<QMessageBox> box = MakeMessageBox(
        MessageRequest{"Disk is full.", caption, MessageButtons::Ok, MessageIcon::Exclamation},
        nullptr);
    box->show();
    EXPECT_GE(box->width(), CaptionWidth(caption)) << caption;
    EXPECT_GT(CaptionWidth(caption), QFontMetrics(box->font()).horizontalAdvance(caption));
    box->hide();
  }
}

// Escape answers what keeps things as they were: Cancel on "Save changes?"
// (Yes/No/Cancel), and Cancel is the default of questions about losing data.
TEST(QtNotifier, EscapeAndDefaultButtonsOfQuestions) {
  const struct {
    MessageButtons buttons;
    QMessageBox::StandardButton defaultButton;  // NoButton: Qt's choice
  } cases[] = {{MessageButtons::YesNoCancel, QMessageBox::NoButton},
               {MessageButtons::CancelOk, QMessageBox::Cancel},
               {MessageButtons::OkCancel, QMessageBox::NoButton}};
  for (const auto& c : cases) {
    std::unique_ptr<QMessageBox> box = MakeMessageBox(
        MessageRequest{"Save changes to x?", "Lumarel", c.buttons, MessageIcon::Question}, nullptr);
    box->show();
    if (c.defaultButton != QMessageBox::NoButton) {
      ASSERT_NE(box->defaultButton(), nullptr);
      EXPECT_EQ(box->standardButton(box->defaultButton()), c.defaultButton);
    }
    QTest::keyClick(box.get(), Qt::Key_Escape);
    EXPECT_EQ(box->result(), QMessageBox::Cancel) << static_cast<int>(c.buttons);
  }
}

struct FaceCase {
  int id;
  QSize size;
};
class ButtonFaceTest : public ::testing::TestWithParam<FaceCase> {};

TEST_P(ButtonFaceTest, HasItsSize) {
  QPixmap face = ButtonFace(GetParam().id);
  ASSERT_FALSE(face.isNull());
  EXPECT_EQ(face.size(), GetParam().size);
}

INSTANTIATE_TEST_SUITE_P(
    Faces, ButtonFaceTest,
    ::testing::Values(FaceCase{105, {100, 30}}, FaceCase{106, {100, 30}},
                      FaceCase{107, {100, 31}}, FaceCase{108, {100, 30}},
                      FaceCase{109, {100, 30}}, FaceCase{110, {100, 30}},
                      FaceCase{120, {90, 31}}, FaceCase{121, {90, 31}}, FaceCase{122, {90, 31}},
                      FaceCase{123, {90, 31}}, FaceCase{124, {90, 31}}, FaceCase{125, {90, 31}},
                      FaceCase{126, {80, 31}}, FaceCase{127, {80, 31}},
                      FaceCase{128, {80, 31}}));

TEST(ButtonFaces, UnknownIdIsNullAndPressedDiffersFromRaised) {
  EXPECT_TRUE(ButtonFace(111).isNull());
  EXPECT_NE(ButtonFace(120).toImage(), ButtonFace(121).toImage());
  EXPECT_NE(ButtonFace(120).toImage(), ButtonFace(122).toImage());
  EXPECT_NE(ButtonFace(107).toImage(), ButtonFace(108).toImage().copy(0, 0, 100, 31));
}

TEST(ButtonFaces, Screenshot) {
  QPixmap sheet(300, 200);
  sheet.fill(Qt::white);
  QPainter p(&sheet);
  int x = 0, y = 0;
  for (int id : {120, 121, 122, 124, 125, 123, 127, 128, 126}) {
    p.drawPixmap(x, y, ButtonFace(id));
    x += 100;
    if (x >= 300) { x = 0; y += 35; }
  }
  for (int id : {107, 108, 109, 110, 105, 106}) {
    p.drawPixmap(x, y, ButtonFace(id));
    x += 100;
    if (x >= 300) { x = 0; y += 35; }
  }
  p.end();
  EXPECT_TRUE(sheet.save(QString(LUMAREL_BINARY_DIR) + "/gui_button_faces.png"));
}

}  // namespace
}  // namespace lumarel
