// SPDX-License-Identifier: MIT
// The Live window inside the program's frame, with the camera link the program
// uses (CameraFrameLink over a serial device) and the simulated camera behind a
// pseudo-terminal: live frames, a zoom still opened as "Live Image Photo", and
// the stream stopping when another window is activated.
#include <gtest/gtest.h>

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>

#include "LiveWait.h"
#include "PtyCamera.h"
#include "shell/CameraFrameLink.h"
#include "shell/Frame.h"
#include "windows/FileWindow.h"
#include "windows/LiveLink.h"
#include "windows/QtNotifier.h"

namespace lumarel::testing {
namespace {

constexpr const char* kLiveFrameSent = "rx CmdLiveFrame at 115200";

TEST(LiveInFrame, FramesZoomStillAndStopOnDeactivation) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string root = dir.path().toStdString();
  PtyCamera camera(root + "/com1");
  ASSERT_TRUE(camera.Started());
  std::ofstream(root + "/zelcam.ini") << "[Ports]\nCOM1=" << root << "/com1\nCOM2=" << root
                                      << "/none2\nCOM3=" << root << "/none3\nCOM4=" << root
                                      << "/none4\n";
  QtNotifier::SetAnswerHook([](const MessageRequest& r) {
    return r.buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
  });
  StartupEnvironment env;
  env.executableDirectory = root;
  env.currentDirectory = root;
  env.userTempDirectory = root;
  CameraFrameLink link;
  auto frame = std::make_unique<Frame>(link, env);
  link.AttachPreview();
  frame->show();
  LiveLink* live = link.LiveSide();
  ASSERT_NE(live, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return live->IndexLoaded(); }, 60000));

  frame->Activate(frame->Live());
  EXPECT_EQ(frame->CurrentMenu(), MenuKind::Liveimage);
  QTest::mouseClick(frame->Live()->Button(kLiveButtonId), Qt::LeftButton);
  ASSERT_TRUE(WaitUntil([&] { return camera.Count(kLiveFrameSent) >= 10; }, 60000));
  QApplication::processEvents();
  frame->grab().save(QString(LUMAREL_BINARY_DIR) + "/frame-live.png");

  LiveFaceButton* zoom = frame->Live()->Button(kZoomButtonId);
  QTest::mousePress(zoom, Qt::LeftButton);
  QTest::qWait(150);
  QTest::mouseRelease(zoom, Qt::LeftButton);
  ASSERT_TRUE(WaitUntil([&] { return live->Face(kZoomButtonId) == 109; }, 120000));
  EXPECT_TRUE(frame->MenuItem(MenuKind::Liveimage, kCmdZoomIn)->isEnabled());
  EXPECT_TRUE(frame->MenuItem(MenuKind::Liveimage, kCmdSaveAs)->isEnabled());
  frame->grab().save(QString(LUMAREL_BINARY_DIR) + "/frame-photo.png");

  frame->Command(kCmdZoomIn);
  auto* photo = qobject_cast<FileWindow*>(frame->ActiveChild());
  ASSERT_NE(photo, nullptr);
  EXPECT_EQ(photo->windowTitle(), "Live Image Photo");
  EXPECT_EQ(photo->Doc().Modified, 1);

  // Live again, then the Preview window takes over: the stream stops.
  frame->Activate(frame->Live());
  QTest::mouseClick(frame->Live()->Button(kLiveButtonId), Qt::LeftButton);
  const int sent = camera.Count(kLiveFrameSent);
  ASSERT_TRUE(WaitUntil([&] { return camera.Count(kLiveFrameSent) >= sent + 2; }, 60000));
  const int stops = camera.Count("rx CmdLiveStop at 115200");
  frame->Activate(frame->Preview());
  EXPECT_TRUE(WaitUntil([&] { return camera.Count("rx CmdLiveStop at 115200") > stops; }, 30000));
  EXPECT_FALSE(live->LiveRunning());
  EXPECT_EQ(frame->StatusText(), "Ready");

  frame->close();  // "Exit Lumarel?" Ok, "Save changes to Live Image Photo?" No
  frame.reset();
  QtNotifier::SetAnswerHook(nullptr);
}

}  // namespace
}  // namespace lumarel::testing
