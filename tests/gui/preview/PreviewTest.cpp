// SPDX-License-Identifier: MIT
// The Preview window: hit test, selection by click, Shift and Ctrl, buttons,
// scrolling, and a picture of the painted grid.
#include <QAction>
#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include "GuiTestSupport.h"
#include "imagefile/DibImage.h"
#include "shell/Frame.h"
#include "windows/PermanentWindows.h"

namespace lumarel {
namespace {

struct HitCase {
  int x, y, scrollRow, received, expected;
};
class PreviewHitTestTest : public ::testing::TestWithParam<HitCase> {};

TEST_P(PreviewHitTestTest, HitsOnlyThumbnailAreasOfReceivedPictures) {
  const HitCase& c = GetParam();
  EXPECT_EQ(PreviewHitTest(c.x, c.y, c.scrollRow, c.received), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Clicks, PreviewHitTestTest,
    ::testing::Values(HitCase{10, 60, 0, 12, 0}, HitCase{130, 150, 0, 12, 0},
                      HitCase{131, 100, 0, 12, -1},   // between columns
                      HitCase{150, 60, 0, 12, 1}, HitCase{550, 410, 0, 12, 11},
                      HitCase{551, 410, 0, 12, -1},   // right of the last column
                      HitCase{550, 411, 0, 12, -1},   // below the last row
                      HitCase{20, 160, 0, 12, -1},    // label strip
                      HitCase{20, 190, 0, 12, 4}, HitCase{20, 190, 2, 20, 12},
                      HitCase{430, 330, 0, 11, -1},   // beyond the received count
                      HitCase{9, 100, 0, 12, -1}, HitCase{100, 59, 0, 12, -1}));

class SelectionTest : public ::testing::Test {
 protected:
  SelectionTest() {
    model.entries.resize(10);
    model.total = 10;
  }
  void Click(int index, bool shift = false, bool ctrl = false) {
    PreviewClickSelect(model, anchor, index, shift, ctrl);
  }
  std::vector<int> Selected() const {
    std::vector<int> out;
    for (int i = 0; i < kMaxPictures; ++i) {
      if (model.marks[i] == 1) out.push_back(i);
    }
    return out;
  }
  SimplePreviewModel model;
  int anchor = 0;
};

TEST_F(SelectionTest, PlainClickSelectsOneAndCounts) {
  Click(3);
  Click(5);
  EXPECT_EQ(Selected(), std::vector<int>{5});
  EXPECT_EQ(model.current, 5);
  EXPECT_EQ(model.selectedCount, 1);
}

TEST_F(SelectionTest, ShiftWithoutAnchorSelectsFromPictureZero) {
  Click(4, /*shift=*/true);
  EXPECT_EQ(Selected(), (std::vector<int>{0, 1, 2, 3, 4}));
  EXPECT_EQ(model.selectedCount, 5);
  Click(7);
  Click(5, true);
  EXPECT_EQ(Selected(), (std::vector<int>{5, 6, 7}));
}

TEST_F(SelectionTest, CtrlTogglesButKeepsTheLastSelectedPicture) {
  Click(2);
  Click(6, false, true);
  EXPECT_EQ(Selected(), (std::vector<int>{2, 6}));
  Click(2, false, true);
  EXPECT_EQ(Selected(), std::vector<int>{6});
  Click(6, false, true);
  EXPECT_EQ(Selected(), std::vector<int>{6});
  EXPECT_EQ(model.selectedCount, 1);
}

// Ctrl deselecting the clicked picture hands "current" to the nearest selected
// one, so that Data in and Delete Page act on a picture shown selected.
TEST_F(SelectionTest, CtrlDeselectingMakesTheNearestSelectedPictureCurrent) {
  Click(2);
  Click(6, false, true);
  Click(9, false, true);
  Click(6, false, true);
  EXPECT_EQ(Selected(), (std::vector<int>{2, 9}));
  EXPECT_EQ(model.current, 9);
  EXPECT_EQ(model.Mark(model.current), 1);
}

struct KeyCase {
  PreviewKey key;
  int focus, count, expected;
};
class PreviewKeyTargetTest : public ::testing::TestWithParam<KeyCase> {};

TEST_P(PreviewKeyTargetTest, MovesAsAnIconView) {
  const KeyCase& c = GetParam();
  EXPECT_EQ(PreviewKeyTarget(c.key, c.focus, c.count), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, PreviewKeyTargetTest,
    ::testing::Values(KeyCase{PreviewKey::Right, -1, 10, 0},  // no focus yet: the first
                      KeyCase{PreviewKey::Right, 3, 10, 4}, KeyCase{PreviewKey::Right, 9, 10, 9},
                      KeyCase{PreviewKey::Left, 0, 10, 0}, KeyCase{PreviewKey::Up, 2, 10, 2},
                      KeyCase{PreviewKey::Up, 6, 10, 2}, KeyCase{PreviewKey::Down, 1, 10, 5},
                      KeyCase{PreviewKey::Down, 7, 10, 9},  // a shorter last row: its last picture
                      KeyCase{PreviewKey::Down, 9, 10, 9}, KeyCase{PreviewKey::PageDown, 1, 30, 13},
                      KeyCase{PreviewKey::PageDown, 22, 30, 29},
                      KeyCase{PreviewKey::PageUp, 14, 30, 2}, KeyCase{PreviewKey::PageUp, 9, 30, 1},
                      KeyCase{PreviewKey::Home, 7, 10, 0}, KeyCase{PreviewKey::End, 2, 10, 9},
                      KeyCase{PreviewKey::End, 0, 0, -1}));

TEST(PreviewRowShowingTest, ScrollsTheFewestRows) {
  EXPECT_EQ(PreviewRowShowing(5, 0, 4), 0);   // row 1 is visible
  EXPECT_EQ(PreviewRowShowing(12, 0, 4), 1);  // row 3 becomes the bottom row
  EXPECT_EQ(PreviewRowShowing(4, 3, 4), 1);   // row 1 becomes the top row
  EXPECT_EQ(PreviewRowShowing(40, 0, 4), 4);  // never past the maximum
}

TEST_F(SelectionTest, FirstClickAfterNoCurrentPictureClearsEveryMark) {
  model.marks[700] = 1;  // stale mark outside the received pictures
  model.marks[3] = 2;
  Click(1, false, true);
  EXPECT_EQ(Selected(), std::vector<int>{1});
  EXPECT_EQ(model.marks[3], 0);
}

// A 24-bit thumbnail slot of w x h in a block of 59392 bytes.
std::vector<std::uint8_t> Slot(int w, int h, std::uint8_t b, std::uint8_t g, std::uint8_t r) {
  std::vector<std::uint8_t> slot(59392, 0);
  WriteDibHeader(slot, w, h, 24);
  const std::size_t stride = DibStride(w, 24);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = slot.data() + 40 + stride * y + 3 * x;
      p[0] = b, p[1] = g, p[2] = r;
    }
  }
  return slot;
}

class PreviewWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    frame = std::make_unique<Frame>(link, scratch.env);
    frame->EnableMdiClient(true);
    frame->show();
    preview = frame->Preview();
    for (int i = 0; i < 6; ++i) {
      const std::uint8_t v = static_cast<std::uint8_t>(40 * i);
      model.entries.push_back({QString("%1F: 06/15/1 10:%2").arg(i + 1, 3).arg(i, 2, 10, QChar('0'))
                                   .toStdString(),
                               Slot(160, 120, v, 255 - v, 128)});
    }
    model.total = 6;
    preview->SetModel(&model);
    preview->SetCommandHandler([this](int id) {
      commands.push_back(id);
      return true;
    });
  }
  void TearDown() override {
    frame->close();
    frame.reset();
  }
  testing::ScriptedMessages messages;
  testing::ScratchEnvironment scratch;
  testing::RecordingFrameLink link;
  std::unique_ptr<Frame> frame;
  PreviewWindow* preview = nullptr;
  SimplePreviewModel model;
  std::vector<int> commands;
};

TEST_F(PreviewWindowTest, ClickSelectsEnablesMenuItemsAndActivatesButtons) {
  EXPECT_EQ(preview->Button(3)->CurrentFace(), 122);
  EXPECT_EQ(preview->Button(4)->CurrentFace(), 123);
  EXPECT_EQ(preview->Button(5)->CurrentFace(), 126);
  preview->Button(3)->click();  // nothing to act on yet
  EXPECT_TRUE(commands.empty());

  QTest::mouseClick(preview, Qt::LeftButton, {}, QPoint(160, 80));  // picture 1
  EXPECT_EQ(model.current, 1);
  EXPECT_EQ(model.selectedCount, 1);
  for (int id : {kCmdDataIn, kCmdDeletePage, kCmdSaveAs}) {
    EXPECT_TRUE(frame->MenuItem(MenuKind::Preview, id)->isEnabled()) << id;
  }
  EXPECT_FALSE(frame->MenuItem(MenuKind::Preview, kCmdDeleteAll)->isEnabled());
  EXPECT_EQ(preview->Button(3)->CurrentFace(), 120);
  EXPECT_EQ(preview->Button(4)->CurrentFace(), 124);
  EXPECT_EQ(preview->Button(5)->CurrentFace(), 127);
  preview->Button(3)->setDown(true);
  EXPECT_EQ(preview->Button(3)->CurrentFace(), 121);
  preview->Button(3)->setDown(false);

  for (int id : {3, 4, 5}) preview->Button(id)->click();
  EXPECT_EQ(commands, (std::vector<int>{kCmdDataIn, kCmdDeletePage, kCmdSaveAs}));
}

TEST_F(PreviewWindowTest, HandlesOnlyItsFiveCommands) {
  for (int id : {kCmdSaveAs, kCmdDataIn, kCmdDeletePage, kCmdDeleteAll, kCmdReload}) {
    EXPECT_TRUE(preview->Command(id));
  }
  EXPECT_FALSE(preview->Command(kCmdPrint));
  EXPECT_EQ(commands.size(), 5u);
  frame->Command(kCmdReload);  // routed through the frame to the active Preview
  EXPECT_EQ(commands.back(), kCmdReload);
}

TEST_F(PreviewWindowTest, DoubleClickOnAPictureDownloadsIt) {
  QTest::mouseDClick(preview, Qt::LeftButton, {}, QPoint(20, 70));
  EXPECT_EQ(commands, std::vector<int>{kCmdDataIn});
  QTest::mouseDClick(preview, Qt::LeftButton, {}, QPoint(20, 160));  // label: nothing
  EXPECT_EQ(commands.size(), 1u);
}

TEST_F(PreviewWindowTest, ScrollBarMovesByRowsWithinItsRange) {
  EXPECT_EQ(preview->VerticalBar()->maximum(), 0);
  preview->SetScrollRange(2);
  preview->VerticalBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
  EXPECT_EQ(model.scrollRow, 0);
  for (int i = 0; i < 4; ++i) preview->VerticalBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(model.scrollRow, 2);
  preview->VerticalBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
  EXPECT_EQ(model.scrollRow, 1);
}

TEST_F(PreviewWindowTest, KeysSelectExtendMoveFocusToggleAndRunCommands) {
  model.entries.resize(20, model.entries.back());  // five rows: the grid scrolls
  preview->SetScrollRange(2);
  auto key = [&](Qt::Key k, Qt::KeyboardModifiers mods = {}) { QTest::keyClick(preview, k, mods); };
  auto marks = [&] {
    std::vector<int> out;
    for (int i = 0; i < 20; ++i) {
      if (model.marks[i] == 1) out.push_back(i);
    }
    return out;
  };

  key(Qt::Key_Return);  // nothing current: nothing to fetch
  EXPECT_TRUE(commands.empty());
  key(Qt::Key_Right);   // the first key lands on the first picture
  EXPECT_EQ(marks(), std::vector<int>{0});
  key(Qt::Key_Down);
  key(Qt::Key_Right);
  EXPECT_EQ(marks(), std::vector<int>{5});
  EXPECT_EQ(model.current, 5);
  EXPECT_TRUE(frame->MenuItem(MenuKind::Preview, kCmdDataIn)->isEnabled());
  EXPECT_EQ(preview->Button(3)->CurrentFace(), 120);
  key(Qt::Key_Right, Qt::ShiftModifier);
  key(Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_EQ(marks(), (std::vector<int>{5, 6, 7, 8, 9, 10}));

  // Ctrl moves the focus alone; Ctrl+Space toggles the focused picture.
  key(Qt::Key_Down, Qt::ControlModifier);
  key(Qt::Key_Down, Qt::ControlModifier);
  EXPECT_EQ(preview->FocusPicture(), 18);
  EXPECT_EQ(marks(), (std::vector<int>{5, 6, 7, 8, 9, 10}));
  EXPECT_EQ(model.scrollRow, 2);  // scrolled so that row 4 shows
  key(Qt::Key_Space, Qt::ControlModifier);
  EXPECT_EQ(marks(), (std::vector<int>{5, 6, 7, 8, 9, 10, 18}));
  key(Qt::Key_Home);
  EXPECT_EQ(marks(), std::vector<int>{0});
  EXPECT_EQ(model.scrollRow, 0);
  key(Qt::Key_End);
  EXPECT_EQ(marks(), std::vector<int>{19});
  key(Qt::Key_PageUp);
  EXPECT_EQ(marks(), std::vector<int>{7});

  key(Qt::Key_Return);
  key(Qt::Key_Enter, Qt::KeypadModifier);
  key(Qt::Key_Delete);
  EXPECT_EQ(commands, (std::vector<int>{kCmdDataIn, kCmdDataIn, kCmdDeletePage}));

  // The focus frame shows on the thumbnail, dark and light pixels both.
  QApplication::processEvents();
  const QImage window = preview->grab().toImage();
  const int x = 10 + 140 * 3, y = 60 + 130 * (7 / 4 - model.scrollRow);  // picture 7
  bool dark = false, light = false;
  for (int i = 0; i < 20; ++i) {
    const QColor c = window.pixelColor(x + 20 + i, y);
    dark = dark || c == QColor(Qt::black);
    light = light || c == QColor(Qt::white);
  }
  EXPECT_TRUE(dark && light);
}

TEST_F(PreviewWindowTest, WheelScrollsOneRowPerNotch) {
  model.entries.resize(20, model.entries.back());
  preview->SetScrollRange(2);
  auto wheel = [&](int delta, QWidget* target) {
    QWheelEvent event(QPointF(100, 100), QPointF(100, 100), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &event);
  };
  wheel(-120, preview);
  EXPECT_EQ(model.scrollRow, 1);
  EXPECT_EQ(preview->VerticalBar()->value(), 1);
  wheel(-60, preview);  // half a notch of a fine wheel: not yet
  EXPECT_EQ(model.scrollRow, 1);
  wheel(-60, preview->VerticalBar());  // over the bar as over the grid
  EXPECT_EQ(model.scrollRow, 2);
  wheel(-120, preview);  // at the end
  EXPECT_EQ(model.scrollRow, 2);
  wheel(240, preview);
  EXPECT_EQ(model.scrollRow, 0);
}

TEST_F(PreviewWindowTest, Screenshot) {
  QTest::mouseClick(preview, Qt::LeftButton, {}, QPoint(20, 70));
  QTest::mouseClick(preview, Qt::LeftButton, Qt::ControlModifier, QPoint(300, 80));  // picture 2
  QApplication::processEvents();
  const QImage shot = frame->grab().toImage();
  ASSERT_TRUE(shot.save(QString(LUMAREL_BINARY_DIR) + "/gui_preview.png"));
  const QImage window = preview->grab().toImage();
  EXPECT_EQ(QColor(window.pixel(16 + 140, 70)), QColor(128, 255 - 40, 40));  // thumbnail of picture 1
  EXPECT_EQ(QColor(window.pixel(60, 151)), QColor(0, 255, 0));  // picture 0 is selected
  EXPECT_EQ(QColor(window.pixel(60 + 140, 151)), QColor(192, 192, 192));  // picture 1 is not
}

}  // namespace
}  // namespace lumarel
