// SPDX-License-Identifier: MIT
// Colour boost and adaptive smoothing chosen by the quality byte.
#include <gtest/gtest.h>

#include "PlatformFakes.h"
#include "TestPictures.h"
#include "imageproc/ColourBoost.h"

namespace lumarel {
namespace {

using testing::Bgr;
using testing::RecordingNotifier;

TEST(PostProcessingForTest, HighNibbleSelects) {
  EXPECT_EQ(PostProcessingFor(0x01), PostProcessing::None);
  EXPECT_EQ(PostProcessingFor(0x0F), PostProcessing::None);
  EXPECT_EQ(PostProcessingFor(0x10), PostProcessing::Boost);
  EXPECT_EQ(PostProcessingFor(0x40), PostProcessing::Boost);
  EXPECT_EQ(PostProcessingFor(0x50), PostProcessing::BoostAndSmooth);
  EXPECT_EQ(PostProcessingFor(0xF3), PostProcessing::BoostAndSmooth);
}

struct BoostCase {
  std::uint8_t quality;
  Bgr in;
  Bgr out;
};
class BoostTest : public ::testing::TestWithParam<BoostCase> {};

TEST_P(BoostTest, UniformPicture) {
  const BoostCase& c = GetParam();
  auto picture = testing::UniformPicture(33, 17, c.in);
  RecordingNotifier notifier;
  EXPECT_TRUE(ApplyQualityPostProcessing(picture, c.quality, notifier));
  EXPECT_EQ(testing::PixelAt(picture, 0, 0), c.out);
  EXPECT_EQ(testing::PixelAt(picture, 16, 8), c.out);
  EXPECT_EQ(testing::PixelAt(picture, 32, 16), c.out);
  EXPECT_EQ(picture[40 + 99], 0) << "row padding untouched";
}

INSTANTIATE_TEST_SUITE_P(
    Qualities, BoostTest,
    ::testing::Values(BoostCase{0x01, {128, 128, 128}, {128, 128, 128}},
                      BoostCase{0x40, {128, 128, 128}, {166, 166, 166}},
                      BoostCase{0x50, {128, 128, 128}, {166, 166, 166}},  // flat: smoothing keeps
                      BoostCase{0x40, {255, 255, 255}, {255, 255, 255}},  // 100 x Y' > 16 bits
                      BoostCase{0x40, {0, 0, 0}, {0, 0, 0}},
                      // Y = 76, V = 176, U = -81; Y' = 98, V' = 211, U' = -97;
                      // G = (9800 - 10761 + 1843) / 100 = 8.
                      BoostCase{0x40, {0, 0, 255}, {1, 8, 255}}));

TEST(SmoothLuminanceTest, IsolatedBumpIsAveragedAway) {
  std::vector<std::int16_t> plane(25, 100);
  plane[2 * 5 + 2] = 110;
  SmoothLuminance(plane.data(), 5, 5, 1);
  // One edge term e = 40, T = (40 + 5) x 6 = 270: every activity is far
  // below T / 2, so pixels take their (partly smoothed) five-point average.
  EXPECT_EQ(plane[1 * 5 + 2], 102);
  EXPECT_EQ(plane[2 * 5 + 2], 102);
  EXPECT_EQ(plane[1 * 5 + 1], 100);
  EXPECT_EQ(plane[0], 100);  // border untouched
}

TEST(SmoothLuminanceTest, TooSmallForAnEdgeTermIsLeftAlone) {
  std::vector<std::int16_t> plane = {0, 50, 0, 50, 0, 50, 0, 50, 0, 50, 0, 50, 0, 50, 0, 50};
  const auto before = plane;
  SmoothLuminance(plane.data(), 4, 4, 1);
  EXPECT_EQ(plane, before);
}

TEST(SmoothLuminanceTest, StrongEdgesAreKept) {
  // One vertical step in a 41 x 41 plane: 19 of 361 edge terms are 600, so
  // T = (31 + 5) x 6 = 216 and the step's activity 900 exceeds 1.5 T.
  constexpr int n = 41;
  std::vector<std::int16_t> plane(n * n);
  for (int y = 0; y < n; ++y) {
    for (int x = 0; x < n; ++x) plane[y * n + x] = static_cast<std::int16_t>(x < 20 ? 0 : 300);
  }
  const auto before = plane;
  SmoothLuminance(plane.data(), n, n, 1);
  EXPECT_EQ(plane, before);
}

TEST(ColourBoostTest, WithoutComponentBufferShowsMessageAndKeepsPicture) {
  auto picture = testing::UniformPicture(8, 8, {10, 20, 30});
  const auto original = picture;
  RecordingNotifier notifier;
  {
    ScopedAllocationFailure fail;
    EXPECT_FALSE(ApplyQualityPostProcessing(picture, 0x50, notifier));
  }
  EXPECT_EQ(picture, original);
  ASSERT_EQ(notifier.shown.size(), 1u);
  EXPECT_EQ(notifier.shown[0].text, "Not enough memory.");
  EXPECT_EQ(notifier.shown[0].caption, "Global Memory");
}

TEST(ColourBoostTest, RefusesABlockShorterThanItsHeaderClaims) {
  auto picture = testing::UniformPicture(8, 8, {10, 20, 30});
  picture.resize(picture.size() - 1);
  RecordingNotifier notifier;
  EXPECT_FALSE(ApplyQualityPostProcessing(picture, 0x50, notifier));
  EXPECT_TRUE(notifier.shown.empty());
}

}  // namespace
}  // namespace lumarel
