// SPDX-License-Identifier: MIT
// Start-up of the program against the simulated camera up to the loaded
// picture list: the MDI client and the list's menu items enabled, the
// thumbnails painted as their previews stretched into the cells, and the
// Preview window kept open until the exit is confirmed.
#include <gtest/gtest.h>

#include <QMdiSubWindow>
#include <QScrollBar>
#include <QTest>

#include "PreviewRig.h"
#include "imagefile/DibImage.h"
#include "link/CameraLink.h"

namespace lumarel::testing {
namespace {

// Pixel (x, y) of a preview slot counted from the top, as red, green, blue.
QRgb SlotPixel(std::span<const std::uint8_t> slot, int width, int height, int x, int y) {
  const std::size_t stride = DibStride(static_cast<std::size_t>(width), 24);
  const std::uint8_t* p = slot.data() + kDibInfoHeaderSize +
                          stride * static_cast<std::size_t>(height - 1 - y) +
                          3 * static_cast<std::size_t>(x);
  return qRgb(p[2], p[1], p[0]);
}

// The painted cell pixel must be one of the preview pixels around the point
// the 120 x 90 stretch maps it from.
bool MatchesStretchedPreview(const QImage& shot, std::span<const std::uint8_t> slot, int cellX,
                             int cellY, int x, int y) {
  const int width = slot[4];
  const int height = slot[8];
  const QRgb painted = shot.pixel(cellX + x, cellY + y) & 0xFFFFFF;
  const int sx = x * width / 120;
  const int sy = y * height / 90;
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) {
      const int px = std::clamp(sx + dx, 0, width - 1);
      const int py = std::clamp(sy + dy, 0, height - 1);
      if ((SlotPixel(slot, width, height, px, py) & 0xFFFFFF) == painted) return true;
    }
  }
  return false;
}

TEST(PreviewStartupTest, LoadsTheListAndPaintsEachThumbnailStretched) {
  PreviewRig rig(6);
  ASSERT_TRUE(rig.StartAndLoad()) << rig.frame->StatusText().toStdString();
  EXPECT_TRUE(rig.frame->MdiClientEnabled());
  EXPECT_TRUE(rig.MenuEnabled(kCmdReload));
  EXPECT_TRUE(rig.MenuEnabled(kCmdDeleteAll));
  EXPECT_EQ(rig.Model().ReceivedCount(), 6);
  EXPECT_EQ(rig.Model().TotalCount(), 6);
  EXPECT_EQ(rig.Model().CurrentPicture(), kNoPicture);
  for (const MessageRequest& m : rig.messages.shown) ADD_FAILURE() << "message: " << m.text;

  QApplication::processEvents();
  const QImage shot = rig.Preview().grab().toImage().convertToFormat(QImage::Format_RGB32);
  shot.save(QString(LUMAREL_BINARY_DIR) + "/preview_startup.png");
  for (int index : {0, 1, 5}) {
    const std::span<const std::uint8_t> slot = rig.Model().Thumbnail(index);
    ASSERT_GE(slot.size(), kDibInfoHeaderSize);
    ASSERT_GT(slot[4], 0);
    ASSERT_GT(slot[8], 0);
    const int cellX = 10 + 140 * (index % 4);
    const int cellY = 60 + 130 * (index / 4);
    int mismatches = 0;
    for (int y = 2; y < 90; y += 11) {
      for (int x = 2; x < 120; x += 13) {
        if (!MatchesStretchedPreview(shot, slot, cellX, cellY, x, y)) ++mismatches;
      }
    }
    EXPECT_EQ(mismatches, 0) << "picture " << index;
  }
  // The cells beyond the list stay empty: the grey of an empty slot.
  EXPECT_EQ(shot.pixel(10 + 140 * 3 + 60, 60 + 130 + 45) & 0xFFFFFF, 0x808080u);
}

TEST(PreviewStartupTest, PreviewWindowStaysOpenUntilTheExitIsConfirmed) {
  PreviewRig rig(2);
  ASSERT_TRUE(rig.StartAndLoad());
  auto* sub = qobject_cast<QMdiSubWindow*>(rig.Preview().parentWidget());
  ASSERT_NE(sub, nullptr);
  sub->close();
  QApplication::processEvents();
  EXPECT_TRUE(rig.Preview().isVisible());
  EXPECT_FALSE(rig.Preview().QueryEndSession());

  // Activating the Preview window once the list is loaded drops a half-received answer.
  rig.Preview().Activated();
  EXPECT_TRUE(rig.link->Link()->State().indexLoaded);
}

// Twenty pictures: rows 0..2 can be the first visible row; a click then hits
// the picture four times the scroll row further on.
TEST(PreviewStartupTest, ScrollsByRowsWithinTheListsRange) {
  PreviewRig rig(20);
  ASSERT_TRUE(rig.StartAndLoad());
  ASSERT_TRUE(rig.WaitFor([&] { return rig.Model().ReceivedCount() == 20; }));
  QScrollBar* bar = rig.Preview().VerticalBar();
  EXPECT_EQ(rig.Model().ScrollRowMaximum(), 2);
  for (int i = 0; i < 4; ++i) bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(rig.Model().ScrollRow(), 2);
  bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
  EXPECT_EQ(rig.Model().ScrollRow(), 1);
  rig.ClickPicture(1);
  EXPECT_EQ(rig.Model().CurrentPicture(), 5);
  for (int i = 0; i < 3; ++i) bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
  EXPECT_EQ(rig.Model().ScrollRow(), 0);
  EXPECT_EQ(rig.Model().Mark(5), 1);  // the selection survives scrolling
}

}  // namespace
}  // namespace lumarel::testing
