// SPDX-License-Identifier: MIT
// The Live window with the camera link and the simulated camera: ten live
// frames, a zoom still opened in a file window and saved, a busy report that
// presses and releases the zoom button, and deactivation stopping the stream.
#include <gtest/gtest.h>

#include <QFileDialog>
#include <filesystem>

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

#include "LiveSupport.h"
#include "LiveSimLink.h"
#include "LiveWait.h"
#include "windows/LiveWindowWiring.h"
#include "windows/ModalRunner.h"

namespace lumarel::testing {
namespace {

// The Live window in an MDI area, with the link and the simulated camera behind it.
class LiveSimRig {
 public:
  explicit LiveSimRig(bool busyDuringLive = false)
      : sim(busyDuringLive, dir_.path().toStdString(), host.notifier) {
    area = std::make_unique<QMdiArea>();
    area->resize(800, 600);
    window = new LiveImageWindow(host);
    sub = area->addSubWindow(window);
    sub->setGeometry(5, 5, 340, 435);
    sim.SetLiveWindow(window);
    record.initialDirectory = &initialDirectory;
    pictures.tempPathA = Path("tmpA");
    pictures.tempPathB = Path("tmpB");
    pictures.fileDialog = &record;
    pictures.clock = &clock;
    const LiveBuffers buffers{sim.LiveFrame(), sim.LivePhoto(), workspace, {}};
    WireLiveWindow(
        *window, host, &sim.Live(), pictures, buffers,
        [this](int id) { return sim.MenuEnabled(id); },
        [this](FileWindow* photo) {
          QMdiSubWindow* added = area->addSubWindow(photo);
          added->setAttribute(Qt::WA_DeleteOnClose);
          added->show();
          photos.push_back(added);
        });
    area->show();
    sub->show();
    area->setActiveSubWindow(sub);
  }
  ~LiveSimRig() {
    area.reset();  // the window goes first: its deactivation still reaches the link
    sim.ClosePort();
  }
  std::string Path(const std::string& name) const {
    return dir_.filePath(QString::fromStdString(name)).toStdString();
  }
  void Press(int id) { QTest::mouseClick(window->Button(id), Qt::LeftButton); }
  int Face(int id) { return sim.Live().Face(id); }

 private:
  QTemporaryDir dir_;

 public:
  TestHost host;
  FakeClock clock;
  LiveSimLink sim;
  std::vector<std::uint8_t> workspace = std::vector<std::uint8_t>(kPictureBlockSize, 0);
  FileDialogRecord record;
  std::string initialDirectory;
  std::unique_ptr<QMdiArea> area;
  LiveImageWindow* window = nullptr;
  QMdiSubWindow* sub = nullptr;
  PictureWindowContext pictures;
  std::vector<QPointer<QMdiSubWindow>> photos;
};

bool IsGrey(std::span<const std::uint8_t> dib, std::size_t pixels) {
  return std::all_of(dib.begin() + kDibInfoHeaderSize,
                     dib.begin() + kDibInfoHeaderSize + pixels * 3,
                     [](std::uint8_t b) { return b == 0x80; });
}

// Waits for `done`, noting every zoom face seen on the way.
bool WaitNotingFaces(LiveSimRig& rig, std::vector<int>& faces, const std::function<bool()>& done,
                     int ms) {
  return WaitUntil(
      [&] {
        const int face = rig.Face(kZoomButtonId);
        if (faces.empty() || faces.back() != face) faces.push_back(face);
        return done();
      },
      ms);
}

TEST(LiveWithCamera, TenFramesThenAZoomStillOpenedAndSaved) {
  LiveSimRig rig;
  ASSERT_TRUE(rig.sim.Connect());
  rig.window->Activated();
  rig.Press(kLiveButtonId);
  EXPECT_EQ(rig.Face(kLiveButtonId), 108);
  ASSERT_TRUE(WaitUntil([&] { return rig.sim.FramesShown() >= 10; }, 60000));
  EXPECT_TRUE(rig.sim.LiveActive());
  EXPECT_FALSE(IsGrey(rig.sim.LiveFrame(), 160 * 119));
  QApplication::processEvents();
  const QImage shot = rig.window->grab().toImage();
  shot.save(QString(LUMAREL_BINARY_DIR) + "/live-window.png");
  EXPECT_NE(shot.pixelColor(60, 60), QColor(128, 128, 128));

  // As a hand clicks: the press (109 -> 110) stops the stream, and by the release
  // (110 -> 105, the still asked for) the last live packet has come and gone.
  QTest::mousePress(rig.window->Button(kZoomButtonId), Qt::LeftButton);
  EXPECT_EQ(rig.Face(kZoomButtonId), 110);
  QTest::qWait(150);
  QTest::mouseRelease(rig.window->Button(kZoomButtonId), Qt::LeftButton);
  EXPECT_EQ(rig.Face(kZoomButtonId), 105);
  EXPECT_FALSE(rig.sim.LiveActive());
  ASSERT_TRUE(WaitUntil([&] { return rig.Face(kZoomButtonId) == 109; }, 60000));
  EXPECT_TRUE(rig.sim.MenuEnabled(kCmdZoomIn));
  EXPECT_TRUE(rig.sim.MenuEnabled(kCmdSaveAs));
  EXPECT_FALSE(IsGrey(rig.sim.LivePhoto(), 640 * 480));
  EXPECT_TRUE(rig.sim.Logged("rx CmdZoomCapture at 115200"));
  // The still starts with the camera's first line, not with a live packet that was on its way.
  const std::uint8_t* top = rig.sim.LivePhoto().data() + kDibInfoHeaderSize + 478 * 1920;
  EXPECT_FALSE(top[0] > 250 && top[1] < 5 && top[2] > 250) << int(top[0]) << "/" << int(top[1]);
  QApplication::processEvents();
  const QImage still = rig.window->grab().toImage();
  still.save(QString(LUMAREL_BINARY_DIR) + "/live-window-photo.png");
  EXPECT_NE(still.pixelColor(160, 270), QColor(128, 128, 128));

  // Zoom In: a "Live Image Photo" file window that asks to save on close.
  ASSERT_TRUE(rig.window->Command(kCmdZoomIn));
  ASSERT_EQ(rig.photos.size(), 1u);
  auto* photoWindow = qobject_cast<FileWindow*>(rig.photos[0]->widget());
  ASSERT_NE(photoWindow, nullptr);
  EXPECT_EQ(photoWindow->windowTitle(), "Live Image Photo");
  EXPECT_EQ(photoWindow->Doc().Modified, 1);
  EXPECT_TRUE(photoWindow->Doc().Taken.original.has_value());  // when the still arrived
  const auto photo = rig.sim.LivePhoto();
  EXPECT_TRUE(std::equal(photo.begin(), photo.begin() + kPicture640x480ContentSize,
                         photoWindow->Doc().Picture().begin()));
  const std::string fromFileWindow = rig.Path("from-file-window.jpg");
  SetModalHook([&](QDialog& dialog) {
    auto& files = static_cast<QFileDialog&>(dialog);
    files.selectNameFilter(files.nameFilters()[0]);
    files.selectFile(QString::fromStdString(fromFileWindow));
    return int(QDialog::Accepted);
  });
  rig.host.notifier.answers.push_back(MessageAnswer::Yes);
  rig.photos[0]->close();
  SetModalHook(nullptr);
  ASSERT_FALSE(rig.host.notifier.shown.empty());
  EXPECT_EQ(rig.host.notifier.shown.back().text, "Save changes to Live Image Photo?");
  EXPECT_EQ(rig.host.notifier.shown.back().caption, "Lumarel");
  EXPECT_TRUE(std::filesystem::exists(fromFileWindow));
  EXPECT_TRUE(WaitUntil([&] { return rig.photos[0].isNull(); }, 5000));

  // Save As in the Live window itself.
  const std::string path = rig.Path("still.bmp");
  SetModalHook([&](QDialog& dialog) {
    auto& files = static_cast<QFileDialog&>(dialog);
    files.selectNameFilter(files.nameFilters()[1]);
    files.selectFile(QString::fromStdString(path));
    return int(QDialog::Accepted);
  });
  EXPECT_TRUE(rig.window->Command(kCmdSaveAs));
  SetModalHook(nullptr);
  ASSERT_TRUE(std::filesystem::exists(path));
  EXPECT_EQ(std::filesystem::file_size(path), 921654u);
}

// A click whose press and release come in one event-loop turn: a live packet
// the receive thread has already handed over is dropped, so the still is
// taken whole from the camera's own first packet.
TEST(LiveWithCamera, AClickInOneTurnTakesAWholeStill) {
  LiveSimRig rig;
  ASSERT_TRUE(rig.sim.Connect());
  rig.window->Activated();
  rig.Press(kLiveButtonId);
  for (int round = 1; round <= 2; ++round) {
    SCOPED_TRACE(round);
    const int shown = rig.sim.FramesShown();
    ASSERT_TRUE(WaitUntil([&] { return rig.sim.FramesShown() >= shown + 3; }, 60000));
    QTest::mouseClick(rig.window->Button(kZoomButtonId), Qt::LeftButton);
    EXPECT_EQ(rig.Face(kZoomButtonId), 105);
    ASSERT_TRUE(WaitUntil([&] { return rig.Face(kZoomButtonId) == 109; }, 60000));
    EXPECT_TRUE(rig.sim.MenuEnabled(kCmdZoomIn));
    EXPECT_FALSE(IsGrey(rig.sim.LivePhoto(), 640 * 480));
    const std::uint8_t* top = rig.sim.LivePhoto().data() + kDibInfoHeaderSize + 478 * 1920;
    EXPECT_FALSE(top[0] > 250 && top[1] < 5 && top[2] > 250) << int(top[0]) << "/" << int(top[1]);
    rig.Press(kLiveButtonId);  // live again for the next round
    EXPECT_TRUE(rig.sim.LiveActive());
  }
}

TEST(LiveWithCamera, BusyReportPressesAndReleasesTheZoomButton) {
  LiveSimRig rig(true);
  ASSERT_TRUE(rig.sim.Connect());
  rig.window->Activated();
  rig.Press(kLiveButtonId);
  std::vector<int> faces;
  ASSERT_TRUE(WaitNotingFaces(
      rig, faces, [&] { return rig.sim.Logged("rx CmdZoomCapture at 115200") && !rig.sim.ZoomActive(); },
      60000));
  EXPECT_GE(faces.size(), 3u);
  EXPECT_EQ(faces.front(), 109);
  EXPECT_EQ(faces.back(), 109);
  EXPECT_NE(std::find(faces.begin(), faces.end(), 105), faces.end());  // released: the still runs
  EXPECT_TRUE(rig.sim.Logged("rx CmdLiveStop at 115200"));
  EXPECT_FALSE(rig.sim.LiveActive());
  EXPECT_FALSE(IsGrey(rig.sim.LivePhoto(), 640 * 480));
}

TEST(LiveWithCamera, DeactivationStopsTheStream) {
  LiveSimRig rig;
  ASSERT_TRUE(rig.sim.Connect());
  rig.window->Activated();
  rig.Press(kLiveButtonId);
  ASSERT_TRUE(WaitUntil([&] { return rig.sim.FramesShown() >= 2; }, 60000));
  EXPECT_FALSE(rig.sim.Logged("rx CmdLiveStop at 115200"));
  auto* other = rig.area->addSubWindow(new QWidget);
  other->show();
  rig.area->setActiveSubWindow(other);
  EXPECT_TRUE(rig.sim.Logged("rx CmdLiveStop at 115200"));
  EXPECT_FALSE(rig.sim.LiveActive());
  EXPECT_EQ(rig.Face(kLiveButtonId), 107);
  EXPECT_EQ(rig.sim.Status(), "Ready");
  const int shown = rig.sim.FramesShown();
  QTest::qWait(500);
  EXPECT_LE(rig.sim.FramesShown(), shown + 1);  // at most the frame already on its way
}

}  // namespace
}  // namespace lumarel::testing
