// SPDX-License-Identifier: MIT
// Logical palettes, the display palette and the 8-bit bitmap's layout and
// failure paths.
#include <gtest/gtest.h>

#include "PlatformFakes.h"
#include "TestPictures.h"
#include "imagefile/ByteOrder.h"
#include "imageproc/PaletteDib.h"

namespace lumarel {
namespace {

using testing::Bgr;
using testing::RecordingNotifier;

TEST(DefaultPaletteTest, GreysAndColourCube) {
  const LogicalPalette p = DefaultPalette();
  EXPECT_EQ(bytes::Le16(p.data()), 0x300);
  EXPECT_EQ(bytes::Le16(p.data() + 2), 256);
  EXPECT_EQ(PaletteEntry(p, 0), (PaletteColour{0, 0, 0}));
  EXPECT_EQ(PaletteEntry(p, 5), (PaletteColour{50, 50, 50}));
  EXPECT_EQ(PaletteEntry(p, 6), (PaletteColour{165, 165, 165}));
  EXPECT_EQ(PaletteEntry(p, 15), (PaletteColour{255, 255, 255}));
  EXPECT_EQ(PaletteEntry(p, 16), (PaletteColour{60, 60, 60}));
  EXPECT_EQ(PaletteEntry(p, 17), (PaletteColour{75, 60, 60}));       // red fastest
  EXPECT_EQ(PaletteEntry(p, 16 + 48), (PaletteColour{60, 60, 84}));  // b = 1
  EXPECT_EQ(PaletteEntry(p, 255), (PaletteColour{165, 160, 156}));
  for (int i = 0; i < 256; ++i) EXPECT_EQ(p[4 + 4 * i + 3], 0);
}

TEST(CopyLogicalPaletteTest, ForcesFlagsToZero) {
  LogicalPalette from = DefaultPalette();
  from[4 + 3] = 0x01;
  from[4 + 4 * 255 + 3] = 0x04;
  LogicalPalette to{};
  ASSERT_TRUE(CopyLogicalPalette(from, to));
  from[4 + 3] = from[4 + 4 * 255 + 3] = 0;
  EXPECT_EQ(to, from);
  std::vector<std::uint8_t> small(1027);
  EXPECT_FALSE(CopyLogicalPalette(from, small));
}

TEST(MakeDisplayPaletteTest, WritesChosenColoursAndKeepsTheRest) {
  const auto picture = testing::MakePicture(4, 2, [](int x, int) {
    return x < 2 ? Bgr{255, 255, 255} : Bgr{0, 0, 0x20};
  });
  LogicalPalette palette = DefaultPalette();
  RecordingNotifier notifier;
  EXPECT_EQ(MakeDisplayPalette(notifier, picture, palette), ReductionResult::Done);
  // Both codes are reserved (65535); the lower code keeps position 0.
  EXPECT_EQ(PaletteEntry(palette, 0), (PaletteColour{32, 0, 0}));
  EXPECT_EQ(PaletteEntry(palette, 1), (PaletteColour{240, 248, 240}));
  const LogicalPalette def = DefaultPalette();
  EXPECT_TRUE(std::equal(palette.begin() + 4 + 8, palette.end(), def.begin() + 4 + 8));
  EXPECT_EQ(bytes::Le16(palette.data()), 0x300);
  EXPECT_TRUE(notifier.shown.empty());
}

TEST(MakePaletteDibTest, OneColourPicture) {
  const auto picture = testing::UniformPicture(640, 480, {10, 200, 30});
  std::vector<std::uint8_t> out(PaletteDibSize(640, 480), 0);
  ASSERT_EQ(out.size(), 308264u);
  RecordingNotifier notifier;
  ASSERT_EQ(MakePaletteDib(notifier, picture, out), ReductionResult::Done);
  EXPECT_EQ(bytes::Le32(out.data()), 40u);
  EXPECT_EQ(bytes::Le32(out.data() + 4), 640u);
  EXPECT_EQ(bytes::Le32(out.data() + 8), 480u);
  EXPECT_EQ(bytes::Le16(out.data() + 12), 1);
  EXPECT_EQ(bytes::Le16(out.data() + 14), 8);
  for (int i = 16; i < 40; ++i) EXPECT_EQ(out[i], 0) << "header byte " << i;
  const std::uint8_t entry0[] = {0, 200, 16, 0};  // blue 0, green 200, red 16
  EXPECT_TRUE(std::equal(entry0, entry0 + 4, out.data() + 40));
  EXPECT_TRUE(std::all_of(out.begin() + 44, out.end(), [](std::uint8_t b) { return b == 0; }));
}

TEST(MakePaletteDibTest, WidthThreeRowsArePaddedToFourBytes) {
  auto picture = testing::MakePicture(3, 2, [](int x, int y) {
    return Bgr{static_cast<std::uint8_t>(16 * (x + 3 * y)), 0, 0};
  });
  picture[40 + 9] = picture[40 + 10] = picture[40 + 11] = 0xAB;  // source padding is skipped
  std::vector<std::uint8_t> out(PaletteDibSize(3, 2), 0);
  ASSERT_EQ(out.size(), 40u + 1024 + 8);
  RecordingNotifier notifier;
  ASSERT_EQ(MakePaletteDib(notifier, picture, out), ReductionResult::Done);
  // Six codes, each the favourite of its own cell or a cell-mate: every pixel
  // maps exactly to the entry holding its colour.
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) {
      const std::uint8_t index = out[1064 + 4 * y + x];
      EXPECT_EQ(out[40 + 4 * index], 16 * (x + 3 * y));
    }
    EXPECT_EQ(out[1064 + 4 * y + 3], 0);
  }
}

TEST(MakePaletteDibTest, RefusesABufferTooSmallOrAHeaderThatLies) {
  const auto picture = testing::UniformPicture(8, 8, {1, 2, 3});
  RecordingNotifier notifier;
  std::vector<std::uint8_t> small(PaletteDibSize(8, 8) - 1, 0);
  EXPECT_EQ(MakePaletteDib(notifier, picture, small), ReductionResult::NotAPicture);
  auto liar = picture;
  bytes::PutLe32(liar.data() + 8, 9);  // one row more than the block holds
  std::vector<std::uint8_t> out(PaletteDibSize(8, 9), 0);
  EXPECT_EQ(MakePaletteDib(notifier, liar, out), ReductionResult::NotAPicture);
  EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](std::uint8_t b) { return b == 0; }));
}

class OutOfMemoryTest : public ::testing::TestWithParam<int> {};

TEST_P(OutOfMemoryTest, DisplayPaletteUnchangedAndMessageShownOnce) {
  const auto picture = testing::RandomPicture(16, 16, 3);
  LogicalPalette palette = DefaultPalette();
  RecordingNotifier notifier;
  {
    ScopedAllocationFailure fail(GetParam());
    EXPECT_EQ(MakeDisplayPalette(notifier, picture, palette), ReductionResult::OutOfMemory);
  }
  EXPECT_EQ(palette, DefaultPalette());
  ASSERT_EQ(notifier.shown.size(), 1u);
  EXPECT_EQ(notifier.shown[0].text, "Not enough memory.");
  EXPECT_EQ(notifier.shown[0].caption, "Global Memory");
  EXPECT_EQ(notifier.shown[0].icon, MessageIcon::Exclamation);
}

TEST_P(OutOfMemoryTest, PaletteDibReportsFailureAndStaysZero) {
  const auto picture = testing::RandomPicture(16, 16, 4);
  std::vector<std::uint8_t> out(PaletteDibSize(16, 16), 0);
  RecordingNotifier notifier;
  {
    ScopedAllocationFailure fail(GetParam());
    EXPECT_EQ(MakePaletteDib(notifier, picture, out), ReductionResult::OutOfMemory);
  }
  EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](std::uint8_t b) { return b == 0; }));
  EXPECT_EQ(notifier.shown.size(), 1u);
}

// Fail the first, second or third working table.
INSTANTIATE_TEST_SUITE_P(WorkingTables, OutOfMemoryTest, ::testing::Values(0, 1, 2));

}  // namespace
}  // namespace lumarel
