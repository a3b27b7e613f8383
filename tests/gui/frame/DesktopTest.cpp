// SPDX-License-Identifier: MIT
// The program on the desktop: a second program hands its files to the running
// one, and windows fit into the screen's available area.
#include <gtest/gtest.h>

#include <QDialog>
#include <QFile>
#include <QTest>
#include <thread>

#include "TempDir.h"
#include "shell/SingleInstance.h"
#include "windows/FitIntoScreen.h"

namespace lumarel {
namespace {

TEST(SingleInstance, SecondProgramHandsItsFilesToTheRunningOne) {
  testing::TempDir dir;
  const QString socket = QString::fromStdString(dir / "lumarel.socket");
  SingleInstance second(socket);
  EXPECT_FALSE(second.HandOver({"/a.jpg"}, 200));  // nobody listens yet

  SingleInstance running(socket);
  std::vector<QStringList> received;
  // Opening may show a message box: a nested event loop, during which the
  // other program hangs up and its socket goes.
  ASSERT_TRUE(running.Listen([&](const QStringList& files) {
    QTest::qWait(50);
    received.push_back(files);
  }));
  // The second program blocks until the running one confirms: it runs on a
  // thread of its own while this one turns the event loop.
  for (const QStringList& files : {QStringList{"/p/a.jpg", "/p/b c.bmp"}, QStringList{}}) {
    bool handed = false;
    std::thread client([&] { handed = SingleInstance(socket).HandOver(files); });
    EXPECT_TRUE(QTest::qWaitFor([&] { return received.size() == 1; }, 5000));
    client.join();
    EXPECT_TRUE(handed);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0], files);
    received.clear();
  }
}

// A socket left by a program that did not end normally is taken over.
TEST(SingleInstance, LeftoverSocketIsReplaced) {
  testing::TempDir dir;
  const QString socket = QString::fromStdString(dir / "lumarel.socket");
  {
    SingleInstance crashed(socket);
    ASSERT_TRUE(crashed.Listen({}));
  }
  QFile leftover(socket);  // a stale socket file, as after a crash
  ASSERT_TRUE(leftover.open(QIODevice::WriteOnly));
  leftover.close();
  SingleInstance next(socket);
  EXPECT_TRUE(next.Listen({}));
}

TEST(FitIntoScreen, WindowsAreCutAndMovedIntoTheAvailableArea) {
  const QRect screen(0, 0, 800, 600);
  const QMargins frame(4, 30, 4, 4);
  const struct {
    QRect wanted;
    QRect fitted;
  } cases[] = {
      {{100, 100, 400, 300}, {100, 100, 400, 300}},  // fits: unchanged
      {{0, 0, 745, 605}, {4, 30, 745, 566}},          // the frame on 800 x 600
      {{500, 400, 400, 300}, {396, 296, 400, 300}},  // moved back onto the screen
      {{-50, -20, 1200, 900}, {4, 30, 792, 566}},    // larger than the screen
  };
  for (const auto& c : cases) EXPECT_EQ(FitRect(c.wanted, screen, frame), c.fitted) << c.wanted.x();
  // A panel at the top: the available area starts below it.
  EXPECT_EQ(FitRect({0, 0, 300, 200}, QRect(0, 24, 800, 576), frame), QRect(4, 54, 300, 200));
}

// Dialogs are centred over their owner's window and kept inside the screen.
TEST(FitIntoScreen, DialogsAreCentredOverTheirOwnerAndKeptInside) {
  const QRect screen(0, 0, 800, 600);
  const QMargins frame(4, 30, 4, 4);
  const struct {
    QSize size;
    QRect owner;
    QRect placed;
  } cases[] = {
      {{200, 100}, {100, 100, 400, 300}, {200, 200, 200, 100}},  // centred over the owner
      {{760, 480}, {300, 50, 745, 605}, {36, 113, 760, 480}},    // wide: moved back left
      {{300, 200}, {500, 400, 300, 200}, {496, 396, 300, 200}},  // owner in the corner
      {{900, 700}, screen, {4, 30, 792, 566}},                   // cut to the screen
  };
  for (const auto& c : cases)
    EXPECT_EQ(PlaceRect(c.size, c.owner, screen, frame), c.placed) << c.size.width();
}

// A dialog larger than the screen (even its minimum) is cut down to it.
TEST(FitIntoScreen, DialogLargerThanTheScreenIsCutToIt) {
  QDialog dialog;
  const QRect room = AvailableArea(dialog).marginsRemoved(kAssumedWindowFrame);
  dialog.setMinimumSize(room.width() + 100, 300);
  dialog.resize(room.width() + 200, room.height() + 200);
  FitSizeIntoScreen(dialog);
  EXPECT_EQ(dialog.size(), room.size());
}

}  // namespace
}  // namespace lumarel
