// SPDX-License-Identifier: MIT
#include "imagefile/DibImage.h"

#include <gtest/gtest.h>

#include "ImageTestSupport.h"

namespace lumarel {
namespace {

using testing::Bytes;

TEST(DibImage, InfoHeaderAccessors) {
  Bytes dib(100, 0);
  ASSERT_TRUE(WriteDibHeader(dib, 3, 2, 24));
  EXPECT_EQ(DibWidth(dib), 3);
  EXPECT_EQ(DibHeight(dib), 2);
  EXPECT_EQ(DibBitCount(dib), 24);
  EXPECT_EQ(DibColourCount(dib), 0);
  EXPECT_EQ(DibColourTableSize(dib), 0);
  EXPECT_EQ(DibPixels(std::span<std::uint8_t>(dib)), dib.data() + 40);
  // Rows of a 3-pixel-wide 24-bit picture: 9 bytes of pixels and 3 of padding.
  EXPECT_EQ(DibStride(3, 24), 12u);
  EXPECT_EQ(DibContentSize(dib), 40u + 24u);
}

TEST(DibImage, EightBitHeaderHas256ColoursUnlessStated) {
  Bytes dib(2000, 0);
  WriteDibHeader(dib, 4, 4, 8);
  EXPECT_EQ(DibColourCount(dib), 256);
  EXPECT_EQ(DibColourTableSize(dib), 1024);
  EXPECT_EQ(DibPixelOffset(dib), 1064u);
  WriteDibHeader(dib, 4, 4, 8, 16);
  EXPECT_EQ(DibColourCount(dib), 16);
  EXPECT_EQ(DibPixelOffset(dib), 40u + 64u);
}

struct CountCase {
  std::uint16_t bits;
  std::uint16_t colours;
};
class DibColourCountByBits : public ::testing::TestWithParam<CountCase> {};
TEST_P(DibColourCountByBits, FollowsBitCount) {
  Bytes dib(64, 0);
  WriteDibHeader(dib, 1, 1, GetParam().bits);
  EXPECT_EQ(DibColourCount(dib), GetParam().colours);
}
INSTANTIATE_TEST_SUITE_P(Bits, DibColourCountByBits,
                         ::testing::Values(CountCase{1, 2}, CountCase{4, 16}, CountCase{8, 256},
                                           CountCase{16, 0}, CountCase{24, 0}, CountCase{32, 0}));

TEST(DibImage, CoreHeaderForm) {
  Bytes dib(12 + 3 * 256 + 16, 0);
  bytes::PutLe32(dib.data(), 12);
  bytes::PutLe16(&dib[4], 7);
  bytes::PutLe16(&dib[6], 5);
  bytes::PutLe16(&dib[8], 1);
  bytes::PutLe16(&dib[10], 8);
  EXPECT_EQ(DibWidth(dib), 7);
  EXPECT_EQ(DibHeight(dib), 5);
  EXPECT_EQ(DibBitCount(dib), 8);
  EXPECT_EQ(DibColourTableSize(dib), 768);
  EXPECT_EQ(DibPixelOffset(dib), 12u + 768u);
}

TEST(DibImage, ShortSpansReadAsZero) {
  Bytes dib(39, 0);
  bytes::PutLe32(dib.data(), 40);
  EXPECT_EQ(DibWidth(dib), 0);  // read as core form, whose fields are zero here
  Bytes tiny(3, 0xFF);
  EXPECT_EQ(DibWidth(tiny), 0);
  EXPECT_EQ(DibHeight(tiny), 0);
  EXPECT_EQ(DibBitCount(tiny), 0);
  EXPECT_EQ(DibPixels(std::span<std::uint8_t>(tiny)), nullptr);
}

TEST(DibImage, PixelsPastTheEndAreNull) {
  Bytes dib(40 + 1024, 0);  // 8-bit header and table, no room for pixels
  WriteDibHeader(dib, 1, 1, 8);
  EXPECT_EQ(DibPixels(std::span<std::uint8_t>(dib)), nullptr);
}

TEST(MemoryBlock, AllocatesZeroFilled) {
  MemoryBlock block = AllocateBlock(kPreviewSlotSize);
  ASSERT_TRUE(block);
  EXPECT_EQ(block.size(), 59392u);
  for (std::uint8_t b : block.bytes()) ASSERT_EQ(b, 0);
  EXPECT_FALSE(AllocateBlock(0));
  MemoryBlock moved = std::move(block);
  EXPECT_TRUE(moved);
  EXPECT_FALSE(block);  // NOLINT(bugprone-use-after-move)
}

TEST(MemoryBlock, ForcedFailureAfterNSuccesses) {
  {
    ScopedAllocationFailure fail(1);
    EXPECT_TRUE(AllocateBlock(kLogicalPaletteSize));
    EXPECT_FALSE(AllocateBlock(kLogicalPaletteSize));
    EXPECT_FALSE(AllocateBlock(kPictureBlockSize));
  }
  EXPECT_TRUE(AllocateBlock(kPaletteDibBlockSize));
}

}  // namespace
}  // namespace lumarel
