// SPDX-License-Identifier: MIT
// Scroll steps, ranges and picture placement of the picture windows, and the
// names they propose.
#include <gtest/gtest.h>

#include "windows/CaptureWindowScroll.h"
#include "windows/FileWindow.h"

namespace lumarel {
namespace {

struct StepCase {
  int maximum, position;
  PictureScrollAction action;
  int thumb;
  int expectPosition;
  bool expectRepaint;
  int expectScrollBy;
};

class ScrollStepTest : public ::testing::TestWithParam<StepCase> {};

TEST_P(ScrollStepTest, MovesClampsAndRepaintsAtTheLimits) {
  const StepCase c = GetParam();
  ScrollAxis axis;
  axis.SetMaximum(c.maximum);
  axis.Apply(PictureScrollAction::ThumbTrack, c.position);
  const ScrollOutcome out = axis.Apply(c.action, c.thumb);
  EXPECT_TRUE(out.moved);
  EXPECT_EQ(axis.Position(), c.expectPosition);
  EXPECT_EQ(out.repaintAll, c.expectRepaint);
  EXPECT_EQ(out.scrollBy, c.expectScrollBy);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, ScrollStepTest,
    ::testing::Values(StepCase{100, 50, PictureScrollAction::LineBack, 0, 46, false, -4},
                      StepCase{100, 50, PictureScrollAction::LineForward, 0, 54, false, 4},
                      StepCase{100, 50, PictureScrollAction::PageBack, 0, 30, false, -20},
                      StepCase{100, 50, PictureScrollAction::PageForward, 0, 70, false, 20},
                      StepCase{100, 4, PictureScrollAction::LineBack, 0, 0, false, -4},
                      StepCase{100, 2, PictureScrollAction::LineBack, 0, 0, true, 0},
                      StepCase{100, 10, PictureScrollAction::PageBack, 0, 0, true, 0},
                      StepCase{100, 98, PictureScrollAction::LineForward, 0, 100, true, 0},
                      StepCase{100, 80, PictureScrollAction::PageForward, 0, 100, false, 20},
                      StepCase{100, 81, PictureScrollAction::PageForward, 0, 100, true, 0},
                      StepCase{100, 0, PictureScrollAction::ThumbTrack, 37, 37, true, 0},
                      StepCase{100, 0, PictureScrollAction::ThumbTrack, 400, 100, true, 0}));

TEST(ScrollAxisTest, OtherCodesChangeNothingAndHiddenBarsStayAtZero) {
  ScrollAxis axis;
  axis.SetMaximum(60);
  axis.Apply(PictureScrollAction::ThumbTrack, 40);
  EXPECT_FALSE(axis.Apply(PictureScrollAction::Other).moved);
  EXPECT_EQ(axis.Position(), 40);
  axis.SetMaximum(30);  // a smaller range keeps the position inside it
  EXPECT_EQ(axis.Position(), 30);
  axis.SetMaximum(-12);
  EXPECT_FALSE(axis.Visible());
  EXPECT_EQ(axis.Position(), 0);
  const ScrollOutcome out = axis.Apply(PictureScrollAction::LineForward);
  EXPECT_TRUE(out.repaintAll);
  EXPECT_EQ(axis.Position(), 0);
}

TEST(ScrollRangeTest, RangeFollowsTheReferenceWhileTheClientIsSmallerThanAtCreation) {
  // A 640 x 480 Capture window (view 636 x 478) created with a 640 x 480 client.
  EXPECT_EQ(ScrollMaximumFor(400, 640, 636), 236);
  EXPECT_EQ(ScrollMaximumFor(640, 640, 636), 0);
  EXPECT_EQ(ScrollMaximumFor(639, 640, 636), 0);  // would be negative: hidden
  // The Openfile window measures against its full client size.
  EXPECT_EQ(ScrollMaximumFor(300, 480, 480), 180);
}

TEST(PictureOffsetTest, CentresOnLargeClientsAndScrollsOnSmallOnes) {
  EXPECT_EQ(PictureOffset(800, 640, 57), 80);  // 80 pixels of background each side
  EXPECT_EQ(PictureOffset(641, 640, 57), 0);   // (1 / 2) truncated
  EXPECT_EQ(PictureOffset(640, 640, 57), -57);
  EXPECT_EQ(PictureOffset(300, 640, 120), -120);
}

TEST(DefaultNameTest, DateAndTimeWithTwoDigitYear) {
  EXPECT_EQ(FileWindowDefaultName(LocalTime{2001, 12, 31, 9, 5, 0}), "01-12-31(9-5)");
  EXPECT_EQ(FileWindowDefaultName(LocalTime{1999, 3, 4, 23, 59, 0}), "99-3-4(23-59)");
  EXPECT_EQ(FileWindowDefaultName(LocalTime{2026, 1, 2, 0, 0, 0}), "26-1-2(0-0)");
}

}  // namespace
}  // namespace lumarel
