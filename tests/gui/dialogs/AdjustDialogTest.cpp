// SPDX-License-Identifier: MIT
// The Image Adjustment dialog over a 640 x 480 picture window record:
// controls, slider notifications and labels, automatic values computed once,
// Revert, OK with its effects on the picture, palette and Modified flag, and
// the refusal without picture or memory.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <vector>

#include "DialogSupport.h"
#include "imageproc/Palette.h"
#include "windows/AdjustDialog.h"
#include "windows/DisplayPalette.h"
#include "windows/ModalRunner.h"

namespace lumarel {
namespace {

// A dull, low-contrast picture with detail, so that every adjustment changes it.
MemoryBlock MakePicture() {
  MemoryBlock block = AllocateBlock(kPictureBlockSize);
  WriteDibHeader(block, 640, 480, 24);
  std::uint8_t* p = DibPixels(block);
  for (int y = 0; y < 480; ++y) {
    for (int x = 0; x < 640; ++x) {
      std::uint8_t* px = p + 1920 * y + 3 * x;
      px[0] = static_cast<std::uint8_t>(80 + (x * 60) / 640);
      px[1] = static_cast<std::uint8_t>(90 + (y * 50) / 480);
      px[2] = static_cast<std::uint8_t>(100 + ((x / 8 + y / 8) % 2) * 40);
    }
  }
  return block;
}

class AdjustDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    doc_.PictureBlock = MakePicture();
    doc_.ViewWidth = 636;
    doc_.ViewHeight = 478;
    original_.assign(doc_.Picture().begin(), doc_.Picture().end());
  }
  AdjustTarget Target() {
    AdjustTarget target;
    target.doc = &doc_;
    target.notifier = &notifier_;
    target.invalidate = [this] { ++invalidated_; };
    return target;
  }
  bool PictureUnchanged() const {
    return std::equal(original_.begin(), original_.end(), doc_.Picture().begin());
  }
  template <typename T>
  static T* Control(QWidget& dialog, int id) {
    return dialog.findChild<T*>(QString::number(id));
  }
  static bool SameBytes(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
  }

  ImageDoc doc_;
  std::vector<std::uint8_t> original_;
  testing::RecordingNotifier notifier_;
  int invalidated_ = 0;
};

TEST_F(AdjustDialogTest, OpensInManualModeWithZeroValues) {
  AdjustDialog dialog(Target());
  ASSERT_TRUE(dialog.IsOpen());
  EXPECT_EQ(dialog.objectName(), "IMAGE_ADJUST");
  EXPECT_EQ(dialog.windowTitle(), "Image Adjustment");
  EXPECT_TRUE(Control<QRadioButton>(dialog, 1007)->isChecked());
  EXPECT_EQ(Control<QRadioButton>(dialog, 1007)->text(), "&Manual");
  EXPECT_EQ(Control<QRadioButton>(dialog, 1008)->text(), "&Automatic");
  EXPECT_FALSE(Control<QPushButton>(dialog, 1035)->isEnabled());
  EXPECT_EQ(Control<QPushButton>(dialog, 1)->text(), "OK");
  EXPECT_EQ(Control<QPushButton>(dialog, 2)->text(), "Cancel");
  EXPECT_EQ(Control<QLabel>(dialog, 1225)->text(), "Before");
  EXPECT_EQ(Control<QLabel>(dialog, 1226)->text(), "After");
  for (int id = 1104; id <= 1107; ++id) {
    QScrollBar* bar = Control<QScrollBar>(dialog, id);
    ASSERT_TRUE(bar) << id;
    EXPECT_EQ(bar->minimum(), id == 1107 ? 0 : -100) << id;
    EXPECT_EQ(bar->maximum(), 100) << id;
    EXPECT_EQ(bar->value(), 0) << id;
    EXPECT_EQ(Control<QLabel>(dialog, id - 4)->text(), "0") << id;
  }
  EXPECT_TRUE(SameBytes(dialog.Session().Before(), dialog.Session().After()));
}

TEST_F(AdjustDialogTest, SliderNotificationsMoveValuesAndLabels) {
  AdjustDialog dialog(Target());
  QScrollBar* brightness = dialog.Slider(AdjustSlider::Brightness);
  brightness->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(brightness->value(), 20);
  EXPECT_EQ(dialog.Label(AdjustSlider::Brightness)->text(), "20");
  EXPECT_TRUE(Control<QPushButton>(dialog, 1035)->isEnabled());
  EXPECT_FALSE(SameBytes(dialog.Session().Before(), dialog.Session().After()));

  brightness->setSliderPosition(-10);  // thumb tracking
  EXPECT_EQ(dialog.Session().Values().brightness, -10);
  EXPECT_EQ(dialog.Label(AdjustSlider::Brightness)->text(), "-10");

  QScrollBar* sharpness = dialog.Slider(AdjustSlider::Sharpness);
  sharpness->triggerAction(QAbstractSlider::SliderSingleStepSub);
  EXPECT_EQ(sharpness->value(), 0);
  EXPECT_EQ(dialog.Label(AdjustSlider::Sharpness)->text(), "0");
  sharpness->setSliderPosition(10);
  sharpness->triggerAction(QAbstractSlider::SliderPageStepSub);
  EXPECT_EQ(dialog.Session().Values().sharpness, 0);

  QScrollBar* contrast = dialog.Slider(AdjustSlider::Contrast);
  for (int i = 0; i < 6; ++i) contrast->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(contrast->value(), 100);
  EXPECT_EQ(dialog.Label(AdjustSlider::Contrast)->text(), "100");
}

TEST_F(AdjustDialogTest, AutomaticComputesOnceUntilASliderMoves) {
  AdjustDialog dialog(Target());
  dialog.OnAutomatic();
  EXPECT_TRUE(Control<QRadioButton>(dialog, 1008)->isChecked());
  EXPECT_FALSE(dialog.AdjustDialog::Slider(AdjustSlider::Contrast)->isEnabled());
  EXPECT_FALSE(Control<QPushButton>(dialog, 1035)->isEnabled());
  EXPECT_FALSE(dialog.Session().AutomaticPending());
  const AdjustmentValues automatic = dialog.Session().Values();
  EXPECT_NE(automatic, AdjustmentValues{});
  EXPECT_EQ(dialog.Label(AdjustSlider::Contrast)->text(),
            QString::number(automatic.contrast));
  EXPECT_EQ(dialog.Slider(AdjustSlider::Contrast)->value(), 0);  // the sliders stay
  const std::vector<std::uint8_t> after(dialog.Session().After().begin(),
                                        dialog.Session().After().end());

  // Manual shows the slider values again without recomputing; Automatic again
  // brings back the same result without a new computation.
  dialog.OnManual();
  EXPECT_TRUE(dialog.Slider(AdjustSlider::Contrast)->isEnabled());
  EXPECT_EQ(dialog.Label(AdjustSlider::Contrast)->text(), QString::number(automatic.contrast));
  dialog.OnAutomatic();
  EXPECT_EQ(dialog.Session().Values(), automatic);
  EXPECT_TRUE(SameBytes(dialog.Session().After(), after));

  dialog.OnManual();
  dialog.Slider(AdjustSlider::Saturation)->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_TRUE(dialog.Session().AutomaticPending());
}

TEST_F(AdjustDialogTest, OkAppliesToTheWholePicture) {
  AdjustDialog dialog(Target());
  dialog.Slider(AdjustSlider::Contrast)->triggerAction(QAbstractSlider::SliderPageStepAdd);
  dialog.accept();
  EXPECT_EQ(dialog.result(), 0);
  EXPECT_FALSE(PictureUnchanged());
  EXPECT_EQ(doc_.Modified, 1);
  EXPECT_EQ(invalidated_, 1);
  EXPECT_FALSE(dialog.IsOpen());
  EXPECT_EQ(DibWidth(doc_.Picture()), 640);  // the header survives
}

TEST_F(AdjustDialogTest, AutomaticThenOkChangesThePicture) {
  AdjustDialog dialog(Target());
  dialog.OnAutomatic();
  dialog.accept();
  EXPECT_FALSE(PictureUnchanged());
  EXPECT_EQ(doc_.Modified, 1);
}

TEST_F(AdjustDialogTest, RevertThenOkLeavesThePicture) {
  AdjustDialog dialog(Target());
  dialog.Slider(AdjustSlider::Brightness)->triggerAction(QAbstractSlider::SliderPageStepAdd);
  Control<QPushButton>(dialog, 1035)->click();
  EXPECT_EQ(dialog.Slider(AdjustSlider::Brightness)->value(), 0);
  EXPECT_EQ(dialog.Label(AdjustSlider::Brightness)->text(), "0");
  Control<QPushButton>(dialog, 1)->click();
  EXPECT_TRUE(PictureUnchanged());
  EXPECT_EQ(doc_.Modified, 0);
  EXPECT_EQ(invalidated_, 0);
}

TEST_F(AdjustDialogTest, CancelAndUnchangedOkLeaveThePicture) {
  {
    AdjustDialog dialog(Target());
    dialog.Slider(AdjustSlider::Brightness)->triggerAction(QAbstractSlider::SliderPageStepAdd);
    Control<QPushButton>(dialog, 2)->click();
  }
  {
    AdjustDialog dialog(Target());
    dialog.accept();
  }
  EXPECT_TRUE(PictureUnchanged());
  EXPECT_EQ(doc_.Modified, 0);
}

TEST_F(AdjustDialogTest, OkRemakesThePaletteOnPaletteDisplays) {
  MemoryBlock current = AllocateBlock(kLogicalPaletteSize);
  const LogicalPalette start = DefaultPalette();
  std::copy(start.begin(), start.end(), current.data());
  doc_.PaletteBlock = AllocateBlock(kLogicalPaletteSize);
  AdjustTarget target = Target();
  target.paletteDisplay = true;
  target.currentPalette = current.bytes();
  const int remakes = SharedDisplayPalette().RemakeCount();
  AdjustDialog dialog(std::move(target));
  dialog.Slider(AdjustSlider::Saturation)->triggerAction(QAbstractSlider::SliderPageStepAdd);
  dialog.accept();
  EXPECT_EQ(SharedDisplayPalette().RemakeCount(), remakes + 1);
  EXPECT_FALSE(std::equal(start.begin(), start.end(), current.data()));
  EXPECT_TRUE(std::equal(current.data(), current.data() + kLogicalPaletteContent,
                         doc_.PaletteBlock.data()));
}

TEST_F(AdjustDialogTest, WithoutPictureOrMemoryNoDialogIsShown) {
  int runs = 0;
  SetModalHook([&](QDialog&) { return ++runs, 0; });
  AdjustTarget none = Target();
  none.doc = nullptr;
  EXPECT_EQ(RunAdjustDialog(std::move(none), nullptr), 0);
  {
    ScopedAllocationFailure fail(2);
    EXPECT_EQ(RunAdjustDialog(Target(), nullptr), 0);
  }
  EXPECT_EQ(runs, 0);
  ASSERT_EQ(notifier_.shown.size(), 2u);
  for (const auto& m : notifier_.shown) {
    EXPECT_EQ(m.text, "Not enough memory.");
    EXPECT_EQ(m.caption, "Global Memory");
    EXPECT_EQ(m.icon, MessageIcon::Exclamation);
  }
  // With memory the dialog runs.
  RunAdjustDialog(Target(), nullptr);
  SetModalHook(nullptr);
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(PictureUnchanged());
}

TEST_F(AdjustDialogTest, ModalRunByProgramAndScreenshot) {
  SetModalHook([&](QDialog& dialog) {
    auto& adjust = dynamic_cast<AdjustDialog&>(dialog);
    adjust.show();
    adjust.Slider(AdjustSlider::Brightness)->triggerAction(QAbstractSlider::SliderPageStepAdd);
    adjust.Slider(AdjustSlider::Sharpness)->setSliderPosition(40);
    QTest::qWait(20);
    testing::Screenshot(adjust, "adjust_dialog.png");
    Control<QPushButton>(adjust, 1)->click();
    return adjust.result();
  });
  EXPECT_EQ(RunAdjustDialog(Target(), nullptr), 0);
  SetModalHook(nullptr);
  EXPECT_FALSE(PictureUnchanged());
  EXPECT_EQ(doc_.Modified, 1);
}

}  // namespace
}  // namespace lumarel
