// SPDX-License-Identifier: MIT
// Data in from camera and Save As of several selected pictures, through the
// whole program against the simulated camera: the chain fetches the pictures
// in ascending order whatever the click order; Save As opens each Capture
// window at (5, 5), asks for a file name and closes the window afterwards.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <filesystem>

#include "PreviewRig.h"
#include "imagefile/DibImage.h"
#include "link/CameraLink.h"
#include "windows/CaptureWindow.h"

namespace lumarel::testing {
namespace {

namespace fs = std::filesystem;

std::vector<CaptureWindow*> OpenCaptureWindows(Frame& frame) {
  std::vector<CaptureWindow*> windows;
  for (QMdiSubWindow* sub : frame.MdiClient()->subWindowList(QMdiArea::CreationOrder)) {
    auto* capture = qobject_cast<CaptureWindow*>(sub->widget());
    if (capture && sub->isVisible()) windows.push_back(capture);
  }
  return windows;
}

bool ChainFinished(PreviewRig& rig) {
  const PictureList& list = rig.List();
  return !rig.link->Link()->State().downloadActive && list.downloadsPending == 0 &&
         !rig.link->Link()->WaitDialogOpen();
}

TEST(PreviewDownloadTest, DataInOfThreeSelectedFetchesThemInAscendingOrder) {
  PreviewRig rig(6);
  ASSERT_TRUE(rig.StartAndLoad());
  rig.ClickPicture(4);
  rig.ClickPicture(1, Qt::ControlModifier);
  rig.ClickPicture(2, Qt::ControlModifier);
  ASSERT_EQ(rig.List().selectedCount, 3);
  ASSERT_EQ(rig.Model().CurrentPicture(), 2);
  ASSERT_TRUE(rig.MenuEnabled(kCmdDataIn));
  rig.messages.shown.clear();

  rig.Preview().Command(kCmdDataIn);
  ASSERT_TRUE(rig.WaitFor([&] {
    return OpenCaptureWindows(*rig.frame).size() == 3 && ChainFinished(rig);
  }, 180000)) << OpenCaptureWindows(*rig.frame).size() << " windows";
  const std::vector<CaptureWindow*> windows = OpenCaptureWindows(*rig.frame);
  const int expected[] = {1, 2, 4};
  for (int i = 0; i < 3; ++i) {
    const int p = expected[i];
    EXPECT_EQ(windows[i]->Doc().PictureIndex, p);
    EXPECT_EQ(windows[i]->windowTitle().toStdString(), rig.Model().Label(p));
    // Generated pictures alternate Fine 640 x 480 (even) and Normal 320 x 240 (odd).
    EXPECT_EQ(DibWidth(windows[i]->Doc().Picture()), p % 2 == 0 ? 640 : 320) << p;
    EXPECT_FALSE(windows[i]->PictureImage().isNull()) << p;
  }
  EXPECT_EQ(rig.Model().CurrentPicture(), 4);
  for (const MessageRequest& m : rig.messages.shown) ADD_FAILURE() << "message: " << m.text;
}

TEST(PreviewDownloadTest, SaveAsOfSeveralOpensEachAtFiveFiveAndClosesItAfterItsDialog) {
  PreviewRig rig(4);
  QTemporaryDir out;
  const fs::path dir(out.path().toStdString());
  ASSERT_TRUE(rig.StartAndLoad());
  rig.ClickPicture(3);
  rig.ClickPicture(0, Qt::ControlModifier);

  struct Seen {
    std::string title;
    QPoint position;
    std::size_t openWindows;
  };
  std::vector<Seen> seen;
  rig.dialogs.SetHandler([&](QDialog& dialog) -> int {
    auto* files = qobject_cast<QFileDialog*>(&dialog);
    if (!files) return 0;
    const std::vector<CaptureWindow*> open = OpenCaptureWindows(*rig.frame);
    Seen s{"", QPoint(-1, -1), open.size()};
    if (!open.empty()) {
      s.title = open.back()->windowTitle().toStdString();
      s.position = open.back()->parentWidget()->pos();
    }
    seen.push_back(s);
    files->selectNameFilter(files->nameFilters().value(1));  // 24-bit BMP
    files->selectFile(QString::fromStdString((dir / ("pic" + std::to_string(seen.size()) + ".bmp")).string()));
    return QDialog::Accepted;
  });

  rig.Preview().Command(kCmdSaveAs);
  ASSERT_TRUE(rig.WaitFor([&] {
    return seen.size() == 2 && ChainFinished(rig) && !rig.List().autoSaveMode &&
           OpenCaptureWindows(*rig.frame).empty();
  }, 180000)) << seen.size() << " dialogs";
  ASSERT_EQ(seen.size(), 2u);
  const int pictures[] = {0, 3};
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(seen[i].title, rig.Model().Label(pictures[i]));
    EXPECT_EQ(seen[i].position, QPoint(5, 5)) << i;
    EXPECT_EQ(seen[i].openWindows, 1u) << "the window before closed after its dialog";
  }
  EXPECT_EQ(fs::file_size(dir / "pic1.bmp"), 640u * 480 * 3 + 54);  // picture 0: Fine
  EXPECT_EQ(fs::file_size(dir / "pic2.bmp"), 320u * 240 * 3 + 54);  // picture 3: Normal
  QApplication::processEvents();
  EXPECT_TRUE(OpenCaptureWindows(*rig.frame).empty());
  // Back where the Save As was chosen, with the Preview's menus.
  EXPECT_EQ(rig.frame->ActiveChild(), rig.frame->Preview());
  EXPECT_EQ(rig.frame->CurrentMenu(), MenuKind::Preview);
}

// A downloaded picture exists only in its window until it is saved: a reload
// (which closes picture windows) asks about it instead of dropping it.
TEST(PreviewDownloadTest, AReloadAsksAboutADownloadNeverSaved) {
  PreviewRig rig(3);
  ASSERT_TRUE(rig.StartAndLoad());
  rig.ClickPicture(1);
  const std::string title = rig.Model().Label(1);
  rig.Preview().Command(kCmdDataIn);
  ASSERT_TRUE(rig.WaitFor([&] {
    return OpenCaptureWindows(*rig.frame).size() == 1 && ChainFinished(rig);
  }, 60000));
  rig.messages.shown.clear();
  rig.messages.answers = {MessageAnswer::Ok, MessageAnswer::No};  // reload, then discard
  rig.frame->Preview()->Command(kCmdReload);
  ASSERT_EQ(rig.messages.shown.size(), 2u);
  EXPECT_EQ(rig.messages.shown[1].text, "Save changes to " + title + "?");
  EXPECT_TRUE(OpenCaptureWindows(*rig.frame).empty());
}

}  // namespace
}  // namespace lumarel::testing
