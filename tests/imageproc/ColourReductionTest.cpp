// SPDX-License-Identifier: MIT
// Colour codes, the reduction core's choice and order of colours, and the
// 8-bit bitmap built on it.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "PlatformFakes.h"
#include "TestPictures.h"
#include "imageproc/ColourReduction.h"
#include "imageproc/PaletteDib.h"

namespace lumarel {
namespace {

using testing::Bgr;
using testing::MakePicture;
using testing::RecordingNotifier;

struct CodeCase {
  Bgr pixel;
  std::uint16_t code;
  PaletteColour value;
};

class ColourCodeTest : public ::testing::TestWithParam<CodeCase> {};

TEST_P(ColourCodeTest, CodeAndPaletteValue) {
  const CodeCase& c = GetParam();
  EXPECT_EQ(ColourCode(c.pixel.b, c.pixel.g, c.pixel.r), c.code);
  EXPECT_EQ(PaletteValue(c.code), c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Pixels, ColourCodeTest,
    ::testing::Values(CodeCase{{255, 255, 255}, 8191, {240, 248, 240}},
                      CodeCase{{0, 0, 0}, 0, {0, 0, 0}},
                      CodeCase{{0, 0, 0x1F}, 0x001, {16, 0, 0}},        // low red bits dropped
                      CodeCase{{0x0F, 0x07, 0x10}, 0x001, {16, 0, 0}},  // low bits of all three
                      CodeCase{{0x10, 0x08, 0x00}, 0x210, {0, 8, 16}},
                      CodeCase{{0x80, 0x80, 0x80}, (8 << 9) | (16 << 4) | 8, {128, 128, 128}}));

TEST(ColourCellTest, TopTwoBitsOfEachField) {
  EXPECT_EQ(ColourCell(0), 0);
  EXPECT_EQ(ColourCell(8191), 63);
  EXPECT_EQ(ColourCell(ColourCode(0, 0, 0x40)), 1);   // red field 4
  EXPECT_EQ(ColourCell(ColourCode(0, 0x40, 0)), 4);   // green field 8
  EXPECT_EQ(ColourCell(ColourCode(0x40, 0, 0)), 16);  // blue field 4
  EXPECT_EQ(ColourCell(ColourCode(0x3F, 0x3F, 0x3F)), 0);
}

// Picture whose pixels take the given codes with the given counts, in order.
std::vector<std::uint8_t> PictureOfCodes(int width, int height,
                                         const std::vector<std::pair<std::uint16_t, int>>& runs) {
  std::vector<std::uint16_t> codes;
  for (auto [code, count] : runs) codes.insert(codes.end(), count, code);
  EXPECT_EQ(codes.size(), static_cast<std::size_t>(width) * height);
  return MakePicture(width, height, [&](int x, int y) {
    const PaletteColour v = PaletteValue(codes[static_cast<std::size_t>(y) * width + x]);
    return Bgr{v.blue, v.green, v.red};
  });
}

std::vector<std::uint16_t> Chosen(const std::vector<std::uint8_t>& picture) {
  RecordingNotifier notifier;
  const auto core = ColourReduction::Run(*Rows24Of(std::span<const std::uint8_t>(picture)),
                                         notifier);
  std::vector<std::uint16_t> list;
  for (int k = 0; k < core->ChosenCount(); ++k) list.push_back(core->ListAt(k));
  return list;
}

TEST(ColourReductionTest, ExchangeOrderIsNotAStableSort) {
  // One cell: 0x000 is reserved; then counts a1 b2 c2 d3 in list order.
  const auto picture = PictureOfCodes(18, 1, {{0x000, 10}, {0x001, 1}, {0x002, 2}, {0x003, 2},
                                             {0x004, 3}});
  EXPECT_EQ(Chosen(picture), (std::vector<std::uint16_t>{0x000, 0x004, 0x003, 0x002, 0x001}));
}

TEST(ColourReductionTest, SaturatedCountersTieWithReservedColours) {
  // 0x000 and 0x001 share a cell and both saturate; white is reserved in its
  // own cell with a single pixel and so outranks the 999 pixels of 0x002.
  const auto picture =
      PictureOfCodes(1000, 141, {{0x000, 70000}, {0x001, 70000}, {0x002, 999}, {8191, 1}});
  RecordingNotifier notifier;
  const auto core = ColourReduction::Run(*Rows24Of(std::span<const std::uint8_t>(picture)),
                                         notifier);
  EXPECT_EQ(core->CountOf(0x001), 65535);
  EXPECT_EQ(Chosen(picture), (std::vector<std::uint16_t>{0x000, 0x001, 8191, 0x002}));
}

TEST(ColourReductionTest, CellFavouriteBeatsManyMoreFrequentColours) {
  // 300 codes of cells 0..3 with 3 pixels each, and one pixel of white.
  std::vector<std::pair<std::uint16_t, int>> runs;
  for (std::uint16_t g = 0; g < 32 && runs.size() < 300; ++g) {
    for (std::uint16_t r = 0; r < 16 && runs.size() < 300; ++r) {
      runs.push_back({static_cast<std::uint16_t>((g << 4) | r), 3});
    }
  }
  runs.push_back({8191, 1});
  const auto chosen = Chosen(PictureOfCodes(901, 1, runs));
  ASSERT_EQ(chosen.size(), 256u);
  EXPECT_NE(std::find(chosen.begin(), chosen.end(), 8191), chosen.end());
}

// Reference statistics of a picture computed independently of the core.
std::map<std::uint16_t, int> CountCodes(const std::vector<std::uint8_t>& dib) {
  std::map<std::uint16_t, int> counts;
  const int w = DibWidth(dib), h = DibHeight(dib);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const Bgr p = testing::PixelAt(dib, x, y);
      ++counts[ColourCode(p.b, p.g, p.r)];
    }
  return counts;
}

class RandomPictureTest : public ::testing::TestWithParam<unsigned> {};

TEST_P(RandomPictureTest, PaletteHoldsCellFavouritesAndTheMostFrequentCodes) {
  const unsigned seed = GetParam();
  // Narrow colour ranges for some seeds so that counts and cells vary.
  std::mt19937 rng(seed);
  const int spread = 32 + static_cast<int>(seed % 4) * 64;
  const auto picture = MakePicture(200 + seed % 7, 150, [&](int, int) {
    auto v = [&] { return static_cast<std::uint8_t>(rng() % spread); };
    return Bgr{v(), v(), v()};
  });
  const auto counts = CountCodes(picture);
  const auto chosen = Chosen(picture);
  ASSERT_EQ(chosen.size(), std::min<std::size_t>(counts.size(), 256));
  const std::set<std::uint16_t> chosenSet(chosen.begin(), chosen.end());
  ASSERT_EQ(chosenSet.size(), chosen.size());

  std::map<int, std::pair<int, std::uint16_t>> favourite;  // cell -> (count, code)
  for (auto [code, count] : counts) {
    auto& f = favourite[ColourCell(code)];
    if (count > f.first) f = {count, code};
  }
  std::set<std::uint16_t> reserved;
  for (auto& [cell, f] : favourite) reserved.insert(f.second);
  int weakestChosen = 1 << 30, strongestOther = 0;
  for (auto [code, count] : counts) {
    if (reserved.count(code)) {
      EXPECT_TRUE(chosenSet.count(code)) << "cell favourite " << code;
    } else if (chosenSet.count(code)) {
      weakestChosen = std::min(weakestChosen, count);
    } else {
      strongestOther = std::max(strongestOther, count);
    }
  }
  if (counts.size() > 256) {
    EXPECT_GE(weakestChosen, strongestOther);
  }
}

TEST_P(RandomPictureTest, EveryPixelMapsToTheFirstNearestEntry) {
  const auto picture = testing::RandomPicture(97, 61, GetParam());
  std::vector<std::uint8_t> out(PaletteDibSize(97, 61), 0);
  RecordingNotifier notifier;
  ASSERT_EQ(MakePaletteDib(notifier, picture, out), ReductionResult::Done);
  std::vector<std::uint16_t> table(256);
  for (int k = 0; k < 256; ++k) {
    const std::uint8_t* e = out.data() + 40 + 4 * k;
    table[k] = ColourCode(e[0], e[1], e[2]);
  }
  const std::size_t stride = DibStride(97, 8);
  for (int y = 0; y < 61; ++y) {
    for (int x = 0; x < 97; ++x) {
      const Bgr p = testing::PixelAt(picture, x, y);
      const std::uint16_t code = ColourCode(p.b, p.g, p.r);
      int best = 0;
      for (int k = 1; k < 256; ++k) {
        if (CodeDistance(code, table[k]) < CodeDistance(code, table[best])) best = k;
      }
      ASSERT_EQ(out[40 + 1024 + y * stride + x], best) << x << "," << y;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomPictureTest, ::testing::Range(1u, 9u));

}  // namespace
}  // namespace lumarel
