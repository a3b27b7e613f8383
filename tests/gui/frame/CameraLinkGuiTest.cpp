// SPDX-License-Identifier: MIT
// The whole program against the simulated camera on a pseudo-terminal: the
// link finds the camera on COM1, negotiates the speed, reads the picture list,
// and the Preview window shows it with the MDI client enabled. Also the
// hand-over of work from another thread to the GUI thread.
#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>
#include <fstream>
#include <thread>

#include "GuiTestSupport.h"
#include "PtyTransport.h"
#include "SimCamera.h"
#include "shell/CameraFrameLink.h"
#include "shell/Frame.h"
#include "shell/QtDispatcher.h"

namespace lumarel {
namespace {

using sim::CameraSettings;
using sim::GeneratePictures;
using sim::PtyTransport;
using sim::SimCamera;
using sim::TransportSettings;

class CameraLinkGuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    camera = std::make_unique<SimCamera>(CameraSettings{}, GeneratePictures(6, 7));
    transport = std::make_unique<PtyTransport>(*camera, TransportSettings{});
    std::string error;
    ASSERT_TRUE(transport->Open(error)) << error;
    server = std::thread([this] { transport->Run(); });
    std::ofstream(scratch.SettingsPath())
        << "[Ports]\nCOM1=" << transport->SlavePath() << "\nCOM2=\nCOM3=\nCOM4=\n";
  }
  void TearDown() override {
    if (frame) {
      frame->close();
      frame.reset();
    }
    link.reset();
    transport->Stop();
    if (server.joinable()) server.join();
  }
  testing::ScriptedMessages messages;
  testing::ScriptedDialogs dialogs;
  testing::ScratchEnvironment scratch;
  std::unique_ptr<SimCamera> camera;
  std::unique_ptr<PtyTransport> transport;
  std::thread server;
  std::unique_ptr<CameraFrameLink> link;
  std::unique_ptr<Frame> frame;
};

TEST_F(CameraLinkGuiTest, ReadsThePictureListIntoThePreviewWindow) {
  link = std::make_unique<CameraFrameLink>();
  frame = std::make_unique<Frame>(*link, scratch.env);
  link->AttachPreview();
  frame->show();
  PreviewModel* model = frame->Preview()->Model();
  ASSERT_NE(model, nullptr);
  ASSERT_TRUE(QTest::qWaitFor([&] { return frame->MdiClientEnabled(); }, 60000))
      << frame->StatusText().toStdString();
  EXPECT_EQ(model->ReceivedCount(), 6);
  EXPECT_EQ(model->TotalCount(), 6);
  EXPECT_EQ(model->Label(0).substr(0, 4), "  1F");
  EXPECT_TRUE(frame->MenuItem(MenuKind::Preview, kCmdReload)->isEnabled());
  EXPECT_TRUE(frame->MenuItem(MenuKind::Preview, kCmdDeleteAll)->isEnabled());

  std::string speed;
  dialogs.SetHandler([&](QDialog& d) {
    speed = d.findChild<QLineEdit*>("1036")->text().toStdString();
    return 1;
  });
  frame->Command(kCmdCommunication);
  EXPECT_EQ(speed, "115200");
  QApplication::processEvents();
  frame->grab().save(QString(LUMAREL_BINARY_DIR) + "/gui_camera_preview.png");
  for (const auto& m : messages.shown) ADD_FAILURE() << "unexpected message: " << m.text;
}

TEST(QtDispatcher, RunsPostedTasksOnTheGuiThread) {
  QtDispatcher dispatcher;
  std::thread::id ranOn;
  std::thread poster([&] { dispatcher.Post([&] { ranOn = std::this_thread::get_id(); }); });
  poster.join();
  EXPECT_TRUE(QTest::qWaitFor([&] { return ranOn != std::thread::id(); }, 1000));
  EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST_F(CameraLinkGuiTest, PicturesNamedOnTheCommandLineOpenInFileWindows) {
  link = std::make_unique<CameraFrameLink>();
  frame = std::make_unique<Frame>(*link, scratch.env);
  link->AttachPreview();
  QImage picture(320, 240, QImage::Format_RGB888);
  picture.fill(QColor(200, 40, 40));
  const QString jpeg = QString::fromStdString(scratch.dir / "red.jpg");
  const QString bmp = QString::fromStdString(scratch.dir / "red.BMP");
  ASSERT_TRUE(picture.save(jpeg, "JPEG"));
  ASSERT_TRUE(picture.save(bmp, "BMP"));
  const int before = static_cast<int>(frame->MdiClient()->subWindowList().size());
  link->OpenFiles({jpeg.toStdString(), bmp.toStdString()});
  QStringList titles;
  for (QMdiSubWindow* w : frame->MdiClient()->subWindowList()) titles << w->windowTitle();
  EXPECT_EQ(frame->MdiClient()->subWindowList().size(), before + 2) << titles.join(", ").toStdString();
  EXPECT_TRUE(titles.contains("red.jpg")) << titles.join(", ").toStdString();
  EXPECT_TRUE(titles.contains("red.BMP")) << titles.join(", ").toStdString();
  EXPECT_TRUE(frame->MdiClientEnabled());
}

}  // namespace
}  // namespace lumarel
