// SPDX-License-Identifier: MIT
// The Live window against a scripted link: layout and frames, the faces of its
// buttons, presses and releases, the frame request of each paint, the photo's
// double-click area, Zoom In, and stopping on deactivation and maximizing.
#include <gtest/gtest.h>

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>

#include "LiveSupport.h"
#include "windows/ButtonFaces.h"
#include "windows/DisplayPalette.h"
#include "windows/LivePhoto.h"
#include "windows/LiveWindow.h"

namespace lumarel::testing {
namespace {

QColor FrameColour(int x, int y) { return QColor((x * 3) % 256, (y * 2) % 256, 60); }
QColor PhotoColour(int x, int y) { return QColor(x % 256, (y / 2) % 256, 200); }

class LiveWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    area_.resize(800, 600);
    window_ = new LiveImageWindow(host_);
    sub_ = area_.addSubWindow(window_);
    sub_->setGeometry(5, 5, 340, 435);
    area_.show();
    sub_->show();
    area_.setActiveSubWindow(sub_);
    LiveWindowServices s;
    s.link = &link_;
    s.liveFrame = frame_;
    s.livePhoto = photo_;
    s.workspace = workspace_;
    s.menuItemEnabled = [this](int id) { return id == kCmdZoomIn && zoomInEnabled_; };
    s.openFileWindow = [this](ImageDocInit&& init, const std::string& title) {
      opened_.push_back(title);
      openedModified_ = init.Modified;
    };
    window_->Attach(std::move(s));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&area_));
  }
  QImage Grab() { return window_->grab().toImage(); }
  void DoubleClick(QPoint at) { QTest::mouseDClick(window_, Qt::LeftButton, {}, at); }

  TestHost host_;
  ScriptedLiveLink link_;
  QMdiArea area_;  // goes first, while the link it tells about deactivation still exists
  LiveImageWindow* window_ = nullptr;
  QMdiSubWindow* sub_ = nullptr;
  std::vector<std::uint8_t> frame_ = MakeDib(160, 120, kPreviewSlotSize, FrameColour);
  std::vector<std::uint8_t> photo_ = MakeDib(640, 480, kPictureBlockSize, PhotoColour);
  std::vector<std::uint8_t> workspace_ = std::vector<std::uint8_t>(kPictureBlockSize, 0);
  bool zoomInEnabled_ = true;
  std::vector<std::string> opened_;
  int openedModified_ = -1;
};

TEST_F(LiveWindowTest, TitleButtonsAndTheirPlaces) {
  EXPECT_EQ(window_->windowTitle(), "Live image Window");
  LiveFaceButton* live = window_->Button(kLiveButtonId);
  LiveFaceButton* zoom = window_->Button(kZoomButtonId);
  ASSERT_TRUE(live && zoom);
  EXPECT_EQ(live->geometry(), QRect(200, 35, 100, 30));
  EXPECT_EQ(zoom->geometry(), QRect(200, 85, 100, 30));
  EXPECT_EQ(live->text(), "NULL");
  EXPECT_TRUE(live->isVisible() && zoom->isVisible());
}

TEST_F(LiveWindowTest, FramesAreDarkAndWhiteLines) {
  const QImage shot = Grab();
  const struct {
    int x, y;
    QColor colour;
  } probes[] = {
      {5, 60, QColor(64, 64, 64)},    {100, 5, QColor(64, 64, 64)},   {325, 60, Qt::white},
      {100, 145, Qt::white},          {12, 60, Qt::white},            {178, 60, QColor(64, 64, 64)},
      {190, 100, QColor(64, 64, 64)}, {310, 100, Qt::white},          {1, 300, Qt::white},
      {329, 300, QColor(64, 64, 64)}, {100, 399, QColor(64, 64, 64)}, {100, 151, Qt::white},
  };
  for (const auto& probe : probes) {
    EXPECT_EQ(shot.pixelColor(probe.x, probe.y), probe.colour) << probe.x << "," << probe.y;
  }
}

TEST_F(LiveWindowTest, FrameAtFullSizeAndPhotoAtHalfSize) {
  const QImage shot = Grab();
  EXPECT_EQ(shot.pixelColor(15, 15), FrameColour(0, 0));
  EXPECT_EQ(shot.pixelColor(15 + 159, 15 + 119), FrameColour(159, 119));
  EXPECT_EQ(shot.pixelColor(5, 155), PhotoColour(0, 0));
  EXPECT_EQ(shot.pixelColor(5 + 100, 155 + 50), PhotoColour(200, 100));
  shot.save(QString(LUMAREL_BINARY_DIR) + "/live-window-scripted.png");
}

TEST_F(LiveWindowTest, VariantShowsTheLeft120ColumnsAndPhotoColumnsFrom4) {
  link_.variant = true;
  window_->update();
  const QImage shot = Grab();
  EXPECT_EQ(shot.pixelColor(15, 20), FrameColour(0, 5));
  EXPECT_EQ(shot.pixelColor(15 + 159, 20), FrameColour(119, 5));  // 120 columns over 160
  EXPECT_EQ(shot.pixelColor(5, 155), PhotoColour(4, 0));
  // The right edge shows one of the last columns of the 504, never column 508 or beyond.
  const int lastColumn = 256 + shot.pixelColor(5 + 319, 155).red();
  EXPECT_GE(lastColumn, 505);
  EXPECT_LE(lastColumn, 507);
}

TEST_F(LiveWindowTest, ButtonsShowTheFacesTheLinkChose) {
  link_.liveFace = 108;
  link_.zoomFace = 105;
  const QImage live = window_->Button(kLiveButtonId)->grab().toImage();
  const QImage zoom = window_->Button(kZoomButtonId)->grab().toImage();
  EXPECT_EQ(live, ButtonFace(108).toImage().copy(0, 0, 100, 30).convertToFormat(live.format()));
  EXPECT_EQ(zoom, ButtonFace(105).toImage().convertToFormat(zoom.format()));
}

TEST_F(LiveWindowTest, PressAndReleaseGoToTheButtonLogic) {
  QTest::mouseClick(window_->Button(kLiveButtonId), Qt::LeftButton);
  QTest::mouseClick(window_->Button(kZoomButtonId), Qt::LeftButton);
  using N = ScriptedLiveLink::Notification;
  EXPECT_EQ(link_.notifications, (std::vector<N>{{2, true}, {2, false}, {1, true}, {1, false}}));
  window_->PressLiveButton();
  EXPECT_EQ(link_.notifications.back(), (N{2, true}));
}

TEST_F(LiveWindowTest, EachPaintOfTheFrameAsksForTheNextUnlessOneIsOnItsWay) {
  const int before = link_.framesAsked;
  window_->repaint(15, 15, 160, 120);
  EXPECT_EQ(link_.framesAsked, before + 1);
  window_->repaint(5, 155, 320, 240);  // the photo alone
  EXPECT_EQ(link_.framesAsked, before + 1);
  link_.inFlight = true;
  window_->repaint();
  EXPECT_EQ(link_.framesAsked, before + 1);
}

TEST_F(LiveWindowTest, DoubleClickOnThePhotoOpensItInAFileWindow) {
  for (QPoint at : {QPoint(5, 155), QPoint(325, 395), QPoint(4, 155), QPoint(326, 200),
                    QPoint(100, 154)}) {
    DoubleClick(at);
  }
  EXPECT_EQ(opened_, (std::vector<std::string>{"Live Image Photo", "Live Image Photo"}));
  EXPECT_EQ(openedModified_, 1);
  EXPECT_EQ(workspace_, photo_);
  zoomInEnabled_ = false;  // no photo yet: the menu item is grayed
  DoubleClick({100, 200});
  EXPECT_EQ(opened_.size(), 2u);
}

TEST_F(LiveWindowTest, ZoomInCommandWidensTheVariantPhoto) {
  link_.variant = true;
  EXPECT_TRUE(window_->Command(kCmdZoomIn));
  ASSERT_EQ(opened_.size(), 1u);
  std::vector<std::uint8_t> expected(kPictureBlockSize, 0);
  ASSERT_TRUE(LivePhotoToFullWidth(photo_, expected, true));
  EXPECT_EQ(workspace_, expected);
  EXPECT_FALSE(window_->Command(kCmdPrint));
}

TEST_F(LiveWindowTest, LosingActivationStopsTheCamera) {
  auto* other = area_.addSubWindow(new QWidget);
  other->show();
  area_.setActiveSubWindow(sub_);
  const int before = link_.stops;
  area_.setActiveSubWindow(other);
  EXPECT_EQ(link_.stops, before + 1);
  area_.setActiveSubWindow(sub_);
  link_.indexLoaded = false;  // before the picture list the camera is left alone
  area_.setActiveSubWindow(other);
  EXPECT_EQ(link_.stops, before + 1);
}

// Focus going to another application takes the active state from the window
// (as Qt does on a desktop) but activates no other window of the program: the
// camera keeps running until the user picks another window.
TEST_F(LiveWindowTest, AnotherApplicationTakingTheFocusLeavesTheCameraRunning) {
  auto* other = area_.addSubWindow(new QWidget);
  other->show();
  area_.setActiveSubWindow(sub_);
  const int before = link_.stops;
  QEvent away(QEvent::ApplicationDeactivate);
  QApplication::sendEvent(qApp, &away);
  ASSERT_FALSE(sub_->windowState().testFlag(Qt::WindowActive));
  QEvent back(QEvent::ApplicationActivate);
  QApplication::sendEvent(qApp, &back);
  EXPECT_EQ(link_.stops, before);
  area_.setActiveSubWindow(other);
  EXPECT_EQ(link_.stops, before + 1);
}

TEST_F(LiveWindowTest, MaximizingStopsTheCamera) {
  link_.indexLoaded = false;
  const int before = link_.stops;
  sub_->showMaximized();
  QApplication::processEvents();
  EXPECT_GT(link_.stops, before);
}

// On an 8-bit screen the window draws through the shared palette, remade from
// the unchanging default copy when it becomes active and while it paints active.
TEST_F(LiveWindowTest, PaletteDisplayDrawsThroughTheDefaultPalette) {
  std::vector<std::uint8_t> logical(kLogicalPaletteSize, 0);
  logical[0] = 0x00;
  logical[1] = 0x03;
  logical[2] = 2;  // two entries: black and pure red
  logical[8] = 255;
  DisplayPalette palette;
  palette.SetEnabled(true);
  LiveWindowServices s = window_->Services();
  s.palette = &palette;
  s.defaultPalette = logical;
  window_->Attach(std::move(s));
  window_->Activated();
  EXPECT_GE(palette.RemakeCount(), 1);
  const QImage shot = Grab();
  EXPECT_GE(palette.RemakeCount(), 2);  // the paint of the active window remade it too
  const QColor shown = shot.pixelColor(15 + 100, 15 + 10);
  EXPECT_TRUE(shown == QColor(0, 0, 0) || shown == QColor(255, 0, 0)) << shown.name().toStdString();
}

TEST_F(LiveWindowTest, RefusesToCloseUntilExitIsConfirmed) {
  EXPECT_FALSE(window_->QueryEndSession());
  host_.exitConfirmed = true;
  EXPECT_TRUE(window_->QueryEndSession());
}

}  // namespace
}  // namespace lumarel::testing
