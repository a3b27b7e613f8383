// SPDX-License-Identifier: MIT
// Conversion, analysis, tone table, values and processing of picture
// adjustment, and the dialog-free session over them.
#include <gtest/gtest.h>

#include <cstdlib>

#include "TestPictures.h"
#include "imagefile/ByteOrder.h"
#include "imageproc/AdjustmentSession.h"
#include "imageproc/ColourConversion.h"

namespace lumarel {
namespace {

using testing::Bgr;

struct LumaCase {
  Bgr pixel;
  int y, cb, cr;
};
class LumaTest : public ::testing::TestWithParam<LumaCase> {};

TEST_P(LumaTest, RoundsAsSpecifiedPerComponent) {
  const LumaCase& c = GetParam();
  const Luma l = ToLuma(c.pixel.b, c.pixel.g, c.pixel.r);
  EXPECT_EQ(l.y, c.y);
  EXPECT_EQ(l.cb, c.cb);
  EXPECT_EQ(l.cr, c.cr);
}

INSTANTIATE_TEST_SUITE_P(Pixels, LumaTest,
                         ::testing::Values(LumaCase{{0, 0, 0}, 0, 0, 0},
                                           LumaCase{{255, 255, 255}, 255, 0, 0},
                                           LumaCase{{255, 0, 0}, 29, 127, -21},   // blue
                                           LumaCase{{0, 0, 255}, 76, -43, 127},   // red
                                           LumaCase{{0, 255, 0}, 150, -84, -107}));

TEST(FromLumaTest, ClampsBeforeTruncating) {
  std::uint8_t bgr[3];
  FromLuma(250, 100, -100, bgr);
  EXPECT_EQ(bgr[0], 255);
  EXPECT_EQ(bgr[2], 110);  // 250 - 140.26 + 0.5
  FromLuma(0, -1, 0, bgr);
  EXPECT_EQ(bgr[0], 0);  // -1.273 clamps to 0
}

TEST(ToneTableTest, IdentityAndBrightnessMinus100) {
  const ToneTable identity = MakeToneTable(0, 1.0, 1.0);
  for (int x = 0; x < 256; ++x) EXPECT_EQ(identity[x], x);
  const ToneTable dark = MakeToneTable(0, 1.0, 1 + -100 / 25.0);
  for (int x = 0; x <= 128; ++x) EXPECT_EQ(dark[x], 0) << x;
  EXPECT_EQ(dark[255], 254);  // 255 x 2 - 256
}

TEST(ToneTableTest, StartLevelAndSaturatedTop) {
  const ToneTable t = MakeToneTable(20, 2.0, 1.0);
  EXPECT_EQ(t[20], 0);
  EXPECT_EQ(t[10], 0);
  EXPECT_EQ(t[30], 20);
  EXPECT_EQ(t[200], 255);
}

Histogram Levels(std::initializer_list<std::pair<int, int>> bins) {
  Histogram h{};
  for (auto [level, count] : bins) h[level] += count;
  return h;
}

TEST(BlackWhitePointTest, ThresholdsCapsAndExhaustedSearches) {
  EXPECT_EQ(BlackPoint(Levels({{3, 19}, {100, 19181}}), 19200), 3);
  EXPECT_EQ(BlackPoint(Levels({{3, 18}, {7, 1}, {100, 19181}}), 19200), 7);
  EXPECT_EQ(BlackPoint(Levels({{80, 19200}}), 19200), 50);
  EXPECT_EQ(BlackPoint(Levels({{0, 19200}}), 19200), 50);    // all black: bin 0 not counted
  EXPECT_EQ(WhitePoint(Levels({{255, 19200}}), 19200), 205);  // all white: bin 255 not counted
  EXPECT_EQ(WhitePoint(Levels({{250, 19}, {100, 19181}}), 19200), 250);
  EXPECT_EQ(WhitePoint(Levels({{150, 19200}}), 19200), 205);
  EXPECT_EQ(BlackPoint(Levels({{0, 999}}), 999), 0);  // 0.1 % is below one pixel
  EXPECT_EQ(WhitePoint(Levels({{0, 999}}), 999), 255);
}

class ManualIdentityTest : public ::testing::TestWithParam<std::pair<int, int>> {};

TEST_P(ManualIdentityTest, AllZeroValuesGiveIdentityInBothCases) {
  const auto [black, white] = GetParam();
  const ProcessingState s = ManualState({}, black, white);
  EXPECT_EQ(s.tone, MakeToneTable(0, 1.0, 1.0));
  EXPECT_DOUBLE_EQ(s.saturation, 1.0);
  EXPECT_DOUBLE_EQ(s.sharpening, 0.0);
}

INSTANTIATE_TEST_SUITE_P(BlackWhite, ManualIdentityTest,
                         ::testing::Values(std::pair{40, 250}, std::pair{3, 210},
                                           std::pair{0, 255}));

TEST(ManualStateTest, ContrastSharedInRatioOfTheEnds) {
  // Bk 40 >= 255 - Wt 20: g = C, h = 255 - 20/40 x C + 0.5.
  AdjustmentValues v;
  v.contrast = 50;
  EXPECT_DOUBLE_EQ(ManualState(v, 40, 235).slope, 255.0 / (230 - 50));
  // Bk 10 < 40: g = 10/40 x 50 + 0.5 = 13, h = 205.
  EXPECT_DOUBLE_EQ(ManualState(v, 10, 215).slope, 255.0 / (205 - 13));
}

struct SliderCase {
  AdjustSlider slider;
  int value;
  ScrollAction action;
  int position;
  int expected;
};
class SliderTest : public ::testing::TestWithParam<SliderCase> {};

TEST_P(SliderTest, Notification) {
  const SliderCase& c = GetParam();
  EXPECT_EQ(SliderValueAfter(c.slider, c.value, c.action, c.position), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SliderTest,
    ::testing::Values(SliderCase{AdjustSlider::Sharpness, 0, ScrollAction::LineLeft, 0, 0},
                      SliderCase{AdjustSlider::Sharpness, 10, ScrollAction::PageLeft, 0, 0},
                      SliderCase{AdjustSlider::Brightness, -100, ScrollAction::LineLeft, 0, -100},
                      SliderCase{AdjustSlider::Brightness, -95, ScrollAction::PageLeft, 0, -100},
                      SliderCase{AdjustSlider::Contrast, 100, ScrollAction::LineRight, 0, 100},
                      SliderCase{AdjustSlider::Contrast, 90, ScrollAction::PageRight, 0, 100},
                      SliderCase{AdjustSlider::Saturation, 5, ScrollAction::LineRight, 0, 6},
                      SliderCase{AdjustSlider::Brightness, 0, ScrollAction::ThumbTrack,
                                 65536 - 10, -10},
                      SliderCase{AdjustSlider::Sharpness, 0, ScrollAction::ThumbTrack, 77, 77},
                      SliderCase{AdjustSlider::Contrast, 7, ScrollAction::Other, 50, 7}));

TEST(PreviewTest, SamplesEveryFourthOrSecondPixel) {
  auto colour = [](int x, int y) {
    return Bgr{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(x >> 8),
               static_cast<std::uint8_t>(y)};
  };
  for (int scale : {4, 2}) {
    const auto picture = testing::MakePicture(160 * scale, 120 * scale, colour);
    std::vector<std::uint8_t> preview(40 + 57600);
    WriteDibHeader(preview, 160, 120, 24);
    SamplePreview(*Rows24Of(std::span<const std::uint8_t>(picture)),
                  *RawRows24(preview, 40, 160, 120));
    for (int i : {0, 1, 119}) {
      for (int n : {0, 1, 159}) {
        EXPECT_EQ(testing::PixelAt(preview, n, i, 40), colour(scale * n, scale * i));
      }
    }
  }
}

int MaxDifference(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
  int worst = 0;
  for (std::size_t i = 40; i < a.size(); ++i) worst = std::max(worst, std::abs(a[i] - b[i]));
  return worst;
}

TEST(AdjustmentSessionTest, RevertGivesBeforeThroughTheConversionsOnly) {
  AdjustmentSession s;
  ASSERT_TRUE(s.Open(testing::RandomPicture(640, 480, 11)));
  EXPECT_TRUE(std::equal(s.Before().begin(), s.Before().end(), s.After().begin()));
  s.Revert();
  EXPECT_LE(MaxDifference(s.Before(), s.After()), 2);
  EXPECT_FALSE(s.Changed());
}

TEST(AdjustmentSessionTest, OkWithoutChangeOrAfterRevertLeavesPictureAlone) {
  auto picture = testing::RandomPicture(320, 240, 12);
  const auto original = picture;
  AdjustmentSession s;
  ASSERT_TRUE(s.Open(picture));
  EXPECT_FALSE(s.Apply(picture));
  s.Scroll(AdjustSlider::Contrast, ScrollAction::PageRight, 0);
  s.Revert();
  EXPECT_FALSE(s.Apply(picture));
  EXPECT_EQ(picture, original);
}

TEST(AdjustmentSessionTest, BrightnessMinus100DarkensTheAfterPreview) {
  const auto picture = testing::MakePicture(640, 480, [](int x, int) {
    const auto v = static_cast<std::uint8_t>(x % 128);  // all levels below 128
    return Bgr{v, v, v};
  });
  AdjustmentSession s;
  ASSERT_TRUE(s.Open(picture));
  EXPECT_EQ(s.Scroll(AdjustSlider::Brightness, ScrollAction::ThumbTrack, 65536 - 100), -100);
  EXPECT_TRUE(s.Changed());
  const auto after = s.After();
  EXPECT_TRUE(std::all_of(after.begin() + 40, after.end(), [](std::uint8_t b) { return b == 0; }));
}

TEST(AdjustmentSessionTest, AutomaticComputedOnceAndWithinBounds) {
  for (unsigned seed = 1; seed < 6; ++seed) {
    std::mt19937 rng(seed);
    const int spread = 40 * static_cast<int>(seed);
    const auto picture = testing::MakePicture(640, 480, [&](int x, int y) {
      const int base = (x + y) % 200;
      auto v = [&] { return static_cast<std::uint8_t>(base + rng() % (spread / 4 + 1)); };
      return Bgr{v(), v(), v()};
    });
    AdjustmentSession s;
    ASSERT_TRUE(s.Open(picture));
    EXPECT_TRUE(s.ChooseAutomatic());
    const AdjustmentValues v = s.Values();
    EXPECT_EQ(v.contrast, std::max(s.Analysis().black, 255 - s.Analysis().white));
    EXPECT_GE(v.saturation, 0);
    EXPECT_LE(v.saturation, 30);
    EXPECT_GE(v.brightness, 0);
    EXPECT_LE(v.brightness, 50);
    EXPECT_GE(v.sharpness, 0);
    EXPECT_LE(v.sharpness, 12);
    EXPECT_FALSE(s.ChooseAutomatic()) << "second choice recomputes";
    EXPECT_EQ(s.Values(), v);
  }
}

TEST(AdjustmentSessionTest, AutomaticOnUniformGreyKeepsBrightnessZero) {
  AdjustmentSession s;
  ASSERT_TRUE(s.Open(testing::UniformPicture(640, 480, {128, 128, 128})));
  EXPECT_EQ(s.Analysis().black, 50);
  EXPECT_EQ(s.Analysis().white, 205);
  s.ChooseAutomatic();
  EXPECT_EQ(s.Values().brightness, 0);
  EXPECT_EQ(s.Values().contrast, 50);
}

TEST(AdjustmentSessionTest, RefusesWithoutMemoryOrPicture) {
  AdjustmentSession s;
  EXPECT_FALSE(s.Open(std::vector<std::uint8_t>(10)));
  for (int successes = 0; successes < 6; ++successes) {
    ScopedAllocationFailure fail(successes);
    EXPECT_FALSE(s.Open(testing::UniformPicture(64, 48, {1, 2, 3})));
    EXPECT_FALSE(s.IsOpen());
    EXPECT_TRUE(s.Before().empty());
  }
}

// Odd widths have padded rows: processing keeps each row's padding and
// writes nothing past the picture's content.
class ProcessingBoundsTest : public ::testing::TestWithParam<std::pair<int, int>> {};

TEST_P(ProcessingBoundsTest, ApplyStaysInsideItsRows) {
  const auto [w, h] = GetParam();
  const std::size_t content = 40 + DibStride(w, 24) * h;
  auto picture = testing::RandomPicture(w, h, static_cast<unsigned>(w * h));
  const std::size_t stride = DibStride(w, 24);
  for (int y = 0; y < h; ++y) {
    for (std::size_t k = 3 * w; k < stride; ++k) picture[40 + y * stride + k] = 0x5A;
  }
  picture.resize(content + 64, 0xEE);  // guard bytes after the rows
  AdjustmentSession s;
  ASSERT_TRUE(s.Open(picture));
  s.Scroll(AdjustSlider::Sharpness, ScrollAction::ThumbTrack, 100);
  s.Scroll(AdjustSlider::Saturation, ScrollAction::ThumbTrack, 80);
  ASSERT_TRUE(s.Apply(picture));
  for (std::size_t i = content; i < picture.size(); ++i) ASSERT_EQ(picture[i], 0xEE);
  for (int y = 0; y < h; ++y) {
    for (std::size_t k = 3 * w; k < stride; ++k) ASSERT_EQ(picture[40 + y * stride + k], 0x5A);
  }
  EXPECT_EQ(bytes::Le32(picture.data() + 4), static_cast<std::uint32_t>(w));
}

INSTANTIATE_TEST_SUITE_P(Sizes, ProcessingBoundsTest,
                         ::testing::Values(std::pair{640, 480}, std::pair{161, 121},
                                           std::pair{322, 243}, std::pair{7, 5},
                                           std::pair{1, 1}));

}  // namespace
}  // namespace lumarel
