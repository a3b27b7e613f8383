// SPDX-License-Identifier: MIT
// Delete Page, Delete All and Reload from the Preview window against the
// simulated camera: what the camera receives, what the user is asked (once),
// the free-capacity credits and the picture list afterwards.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QTest>

#include "PreviewRig.h"
#include "link/CameraLink.h"
#include "windows/PreviewLinkCommands.h"

namespace lumarel::testing {
namespace {

using ::testing::ElementsAre;

bool DeleteFinished(PreviewRig& rig, int remaining) {
  return rig.WaitFor([&] {
    return rig.Model().ReceivedCount() == remaining &&
           rig.Model().CurrentPicture() == kNoPicture && !rig.link->Link()->WaitDialogOpen();
  });
}

// Generated pictures alternate: even positions Fine ("  1F: ..."), odd Normal.
TEST(PreviewDeleteTest, DeletePageOfAFinePictureCreditsOneFineAndTwoNormal) {
  PreviewRig rig(6);
  ASSERT_TRUE(rig.StartAndLoad());
  ASSERT_EQ(rig.Model().Label(2)[3], 'F');
  const std::string movedUp = rig.Model().Label(3).substr(3);
  const FreeCapacity before = rig.List().freeCapacity;
  rig.ClickPicture(2);
  EXPECT_TRUE(rig.MenuEnabled(kCmdDeletePage));
  rig.Mark();
  rig.messages.shown.clear();

  QTest::keyClick(&rig.Preview(), Qt::Key_Delete);  // the Delete key is Delete Page
  ASSERT_TRUE(DeleteFinished(rig, 5));
  EXPECT_THAT(rig.MessageTexts(), ElementsAre("Delete selected page?"));
  EXPECT_EQ(rig.List().freeCapacity.fine, before.fine + 1);
  EXPECT_EQ(rig.List().freeCapacity.normal, before.normal + 2);
  const std::vector<std::string> sent = rig.Received();
  ASSERT_FALSE(sent.empty());
  EXPECT_EQ(sent.front(), "CmdDeleteBegin");
  EXPECT_EQ(rig.Count("CmdDeletePicture"), 1);
  EXPECT_EQ(rig.Count("CmdDeleteEnd"), 1);
  EXPECT_EQ(rig.Model().TotalCount(), 5);
  EXPECT_EQ(rig.Model().Label(2).substr(0, 3), "  3");  // the position number stays
  EXPECT_EQ(rig.Model().Label(2).substr(3), movedUp);
  EXPECT_FALSE(rig.MenuEnabled(kCmdDeletePage));
  EXPECT_TRUE(rig.MenuEnabled(kCmdDeleteAll));
}

TEST(PreviewDeleteTest, NormalDeletesCreditOnlyThePictureClickedLast) {
  PreviewRig rig(8);
  ASSERT_TRUE(rig.StartAndLoad());
  const FreeCapacity before = rig.List().freeCapacity;

  // Two pictures selected, the Normal one clicked last: one Normal credit.
  rig.ClickPicture(4);
  rig.ClickPicture(5, Qt::ControlModifier);
  ASSERT_EQ(rig.Model().Label(5)[3], 'N');
  rig.Preview().Command(kCmdDeletePage);
  ASSERT_TRUE(DeleteFinished(rig, 6));
  EXPECT_EQ(rig.Count("CmdDeletePicture"), 2);
  const FreeCapacity once = rig.List().freeCapacity;
  EXPECT_EQ(once.normal, before.normal + 1);
  EXPECT_EQ(once.fine, before.fine + (once.normal % 2 == 0 ? 1 : 0));

  // A second Normal delete: two Normal places in all, and one Fine.
  ASSERT_EQ(rig.Model().Label(1)[3], 'N');
  rig.ClickPicture(1);
  rig.Preview().Command(kCmdDeletePage);
  ASSERT_TRUE(DeleteFinished(rig, 5));
  EXPECT_EQ(rig.List().freeCapacity.normal, before.normal + 2);
  EXPECT_EQ(rig.List().freeCapacity.fine, before.fine + 1);
}

TEST(PreviewDeleteTest, DeleteAllEmptiesTheListAfterOneQuestion) {
  PreviewRig rig(5);
  ASSERT_TRUE(rig.StartAndLoad());
  rig.Mark();
  rig.messages.shown.clear();
  rig.Preview().Command(kCmdDeleteAll);
  ASSERT_TRUE(rig.WaitFor([&] {
    return rig.Model().TotalCount() == 0 && !rig.link->Link()->WaitDialogOpen();
  }));
  EXPECT_THAT(rig.MessageTexts(), ElementsAre("Delete all pages?"));
  EXPECT_EQ(rig.Count("CmdEraseAll"), 1);
  EXPECT_EQ(rig.Model().ReceivedCount(), 0);
  EXPECT_EQ(rig.List().freeCapacity.fine, 1);
  EXPECT_EQ(rig.List().freeCapacity.normal, 1);
  EXPECT_TRUE(rig.Model().Label(0).empty());
  EXPECT_FALSE(rig.MenuEnabled(kCmdDeleteAll));
}

TEST(PreviewDeleteTest, DeleteAllCancelledSendsNothing) {
  PreviewRig rig(3);
  ASSERT_TRUE(rig.StartAndLoad());
  rig.Mark();
  rig.messages.answers = {MessageAnswer::Cancel};
  rig.Preview().Command(kCmdDeleteAll);
  QTest::qWait(300);
  EXPECT_TRUE(rig.Received().empty());
  EXPECT_EQ(rig.Model().ReceivedCount(), 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(rig.Model().Mark(i), 0);
}

TEST(PreviewDeleteTest, WriteProtectedCardIsRefusedWithoutSending) {
  sim::CameraSettings settings;
  settings.writeProtected = true;
  PreviewRig rig(3, settings);
  ASSERT_TRUE(rig.StartAndLoad());
  rig.ClickPicture(0);
  rig.Mark();
  rig.messages.shown.clear();
  rig.Preview().Command(kCmdDeletePage);
  rig.Preview().Command(kCmdDeleteAll);
  rig.frame->Command(kCmdFlashErase);  // refused like the deletes, before any question
  QTest::qWait(300);
  ASSERT_EQ(rig.messages.shown.size(), 3u);
  for (const MessageRequest& m : rig.messages.shown) {
    EXPECT_EQ(m.caption, "WARNING");
    EXPECT_EQ(m.text.rfind("The card is write protected.", 0), 0u);
  }
  EXPECT_TRUE(rig.Received().empty());
  EXPECT_EQ(rig.Model().ReceivedCount(), 3);
}

TEST(PreviewReloadTest, CancelChangesNothingAndOkReadsTheListAgain) {
  PreviewRig rig(6);
  ASSERT_TRUE(rig.StartAndLoad());
  rig.ClickPicture(3);
  const QString status = rig.frame->StatusText();
  rig.Mark();
  rig.messages.shown.clear();
  rig.messages.answers = {MessageAnswer::Cancel};

  rig.Preview().Command(kCmdReload);
  QTest::qWait(300);
  ASSERT_EQ(rig.messages.shown.size(), 1u);
  EXPECT_EQ(rig.messages.shown[0].text, kReloadQuestion);
  EXPECT_EQ(rig.messages.shown[0].caption, kReloadCaption);
  EXPECT_TRUE(rig.Received().empty());
  EXPECT_EQ(rig.Model().ReceivedCount(), 6);
  EXPECT_EQ(rig.Model().CurrentPicture(), 3);
  EXPECT_TRUE(rig.link->Link()->State().indexLoaded);
  EXPECT_TRUE(rig.MenuEnabled(kCmdReload));
  EXPECT_TRUE(rig.MenuEnabled(kCmdDataIn));
  EXPECT_EQ(rig.frame->StatusText(), status);

  rig.Preview().Command(kCmdReload);
  EXPECT_FALSE(rig.MenuEnabled(kCmdReload));
  EXPECT_FALSE(rig.MenuEnabled(kCmdDataIn));
  EXPECT_EQ(rig.Model().CurrentPicture(), kNoPicture);
  EXPECT_EQ(rig.Model().ReceivedCount(), 0);
  ASSERT_TRUE(rig.WaitFor([&] {
    return rig.link->Link()->State().indexLoaded && rig.Model().ReceivedCount() == 6;
  }));
  const std::vector<std::string> sent = rig.Received();
  ASSERT_FALSE(sent.empty());
  EXPECT_EQ(sent.front(), "CmdReset");
  EXPECT_GE(rig.Count("CmdSendIndex"), 1);
  EXPECT_TRUE(rig.MenuEnabled(kCmdReload));
  EXPECT_EQ(rig.Model().Label(0).substr(0, 4), "  1F");
}

}  // namespace
}  // namespace lumarel::testing
