// SPDX-License-Identifier: MIT
#include "imagefile/BitmapFile.h"

#include <gtest/gtest.h>

#include "ImageTestSupport.h"

namespace lumarel {
namespace {

using testing::Bytes;
using testing::ReadFileBytes;
using testing::WriteFileBytes;

class BitmapFileTest : public testing::ScratchDir {};

struct WriteCase {
  int width;
  int height;
  std::size_t stride;
};
class WriteBitmapFileSizes : public BitmapFileTest,
                             public ::testing::WithParamInterface<WriteCase> {};

TEST_P(WriteBitmapFileSizes, HeaderAndRowsAsHeld) {
  const WriteCase c = GetParam();
  Bytes dib = testing::MakeDib24(c.width, c.height);
  ASSERT_TRUE(WriteBitmapFile(Path("a.bmp"), dib));
  Bytes file = ReadFileBytes(Path("a.bmp"));
  ASSERT_EQ(file.size(), 54 + c.stride * c.height);
  EXPECT_EQ(file[0], 'B');
  EXPECT_EQ(file[1], 'M');
  EXPECT_EQ(bytes::Le32(&file[2]), file.size());
  EXPECT_EQ(bytes::Le32(&file[6]), 0u);
  EXPECT_EQ(bytes::Le32(&file[10]), 54u);
  EXPECT_TRUE(std::equal(dib.begin(), dib.end(), file.begin() + 14));
  // Padding bytes of every row are zero.
  for (int row = 0; row < c.height; ++row) {
    for (std::size_t k = c.width * 3; k < c.stride; ++k) ASSERT_EQ(file[54 + row * c.stride + k], 0);
  }
}
INSTANTIATE_TEST_SUITE_P(Widths, WriteBitmapFileSizes,
                         ::testing::Values(WriteCase{3, 5, 12}, WriteCase{160, 120, 480},
                                           WriteCase{640, 480, 1920}));

TEST_F(BitmapFileTest, WholeBlockIsWrittenWithSpareBytes) {
  Bytes dib = testing::MakeDib24(160, 120, 58124);
  ASSERT_TRUE(WriteBitmapFile(Path("t.bmp"), dib));
  Bytes file = ReadFileBytes(Path("t.bmp"));
  ASSERT_EQ(file.size(), 58138u);
  EXPECT_EQ(bytes::Le32(&file[2]), 58138u);
  EXPECT_EQ(bytes::Le32(&file[10]), 54u);
  for (std::size_t i = 54 + 480 * 120; i < file.size(); ++i) ASSERT_EQ(file[i], 0);
  EXPECT_EQ(file.size() - (54 + 480 * 120), 484u);
}

TEST_F(BitmapFileTest, EightBitBlockPointsPastItsTable) {
  Bytes dib(kPaletteDibBlockSize, 0);
  WriteDibHeader(dib, 640, 480, 8, 256);
  ASSERT_TRUE(WriteBitmapFile(Path("p.bmp"), dib));
  Bytes file = ReadFileBytes(Path("p.bmp"));
  EXPECT_EQ(file.size(), 308278u);
  EXPECT_EQ(bytes::Le32(&file[10]), 1078u);
}

TEST_F(BitmapFileTest, RefusesBlocksWithoutAReadableHeader) {
  Bytes zero(100, 0);
  EXPECT_FALSE(WriteBitmapFile(Path("z.bmp"), zero));
  Bytes small(40, 0);
  WriteDibHeader(small, 4, 4, 8);  // table would run past the block
  EXPECT_FALSE(WriteBitmapFile(Path("s.bmp"), small));
  EXPECT_FALSE(WriteBitmapFile(Path("nodir/x.bmp"), testing::MakeDib24(2, 2)));
}

TEST_F(BitmapFileTest, ReadRoundTrip) {
  Bytes dib = testing::MakeDib24(5, 3);
  ASSERT_TRUE(WriteBitmapFile(Path("r.bmp"), dib));
  DibImage block = ReadBitmapFile(Path("r.bmp"));
  ASSERT_TRUE(block);
  ASSERT_EQ(block.size(), dib.size());
  EXPECT_TRUE(std::equal(dib.begin(), dib.end(), block.data()));
}

TEST_F(BitmapFileTest, ReadDropsTheGapBeforeThePixels) {
  testing::BmpSpec shape;
  shape.width = 4;
  shape.height = 2;
  shape.bitCount = 8;
  shape.coloursUsed = 256;
  shape.gap = 10;
  Bytes file = testing::MakeBmp(shape);
  WriteFileBytes(Path("g.bmp"), file);
  DibImage block = ReadBitmapFile(Path("g.bmp"));
  ASSERT_TRUE(block);
  const std::size_t c = 40 + 1024;
  ASSERT_EQ(block.size(), c + 8);
  EXPECT_TRUE(std::equal(file.begin() + 14, file.begin() + 14 + c, block.data()));
  EXPECT_TRUE(std::equal(file.begin() + 14 + c + 10, file.end(), block.data() + c));
}

// Each case damages a valid 24-bit 4 x 2 BMP and expects ReadBitmapFile to refuse it.
struct Damage {
  const char* name;
  void (*apply)(Bytes&);
};
class ReadBitmapFileRefuses : public BitmapFileTest, public ::testing::WithParamInterface<Damage> {};
TEST_P(ReadBitmapFileRefuses, Damaged) {
  testing::BmpSpec shape;
  shape.width = 4;
  shape.height = 2;
  Bytes file = testing::MakeBmp(shape);
  GetParam().apply(file);
  WriteFileBytes(Path("d.bmp"), file);
  EXPECT_FALSE(ReadBitmapFile(Path("d.bmp")));
}
INSTANTIATE_TEST_SUITE_P(
    Hostile, ReadBitmapFileRefuses,
    ::testing::Values(
        Damage{"Empty", [](Bytes& b) { b.clear(); }},
        Damage{"ShortFileHeader", [](Bytes& b) { b.resize(10); }},
        Damage{"ShortInfoHeader", [](Bytes& b) { b.resize(30); }},
        Damage{"NotBM", [](Bytes& b) { b[1] = 'A'; }},
        Damage{"CoreHeader", [](Bytes& b) { bytes::PutLe32(&b[14], 12); }},
        Damage{"OffBitsPastEnd", [](Bytes& b) { bytes::PutLe32(&b[10], 100000); }},
        Damage{"OffBitsInsideHeader", [](Bytes& b) { bytes::PutLe32(&b[10], 20); }},
        Damage{"HugeColourTable", [](Bytes& b) { bytes::PutLe32(&b[14 + 32], 70000); }},
        Damage{"TruncatedRows", [](Bytes& b) { b.resize(b.size() - 1); }},
        Damage{"HugeWidth", [](Bytes& b) { bytes::PutLe32(&b[18], 0x7FFFFFFF); }},
        Damage{"NegativeHeight", [](Bytes& b) { bytes::PutLe32(&b[22], 0xFFFFFFFE); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(BitmapFileTest, ReadMissingFileAndForcedAllocationFailure) {
  EXPECT_FALSE(ReadBitmapFile(Path("missing.bmp")));
  ASSERT_TRUE(WriteBitmapFile(Path("ok.bmp"), testing::MakeDib24(2, 2)));
  ScopedAllocationFailure fail;
  EXPECT_FALSE(ReadBitmapFile(Path("ok.bmp")));
}

}  // namespace
}  // namespace lumarel
