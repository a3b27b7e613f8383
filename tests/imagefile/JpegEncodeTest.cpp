// SPDX-License-Identifier: MIT
#include "imagefile/JpegEncode.h"

#include <gtest/gtest.h>

#include <cstring>

#include "ImageTestSupport.h"
#include "imagefile/BitmapFile.h"
#include "imagefile/JpegDecode.h"
#include "imagefile/SamplingFactors.h"

namespace lumarel {
namespace {

using testing::Bytes;
using testing::ReadFileBytes;
using testing::WriteFileBytes;

class JpegEncodeTest : public testing::ScratchDir {
 protected:
  Bytes Encode(const testing::BmpSpec& shape, const std::string& sampling, int quality) {
    WriteFileBytes(Path("in.bmp"), testing::MakeBmp(shape));
    EXPECT_TRUE(EncodeJpegFile(Path("in.bmp"), Path("out.jpg"), sampling, quality));
    return ReadFileBytes(Path("out.jpg"));
  }
};

TEST_F(JpegEncodeTest, MarkerLayout) {
  Bytes jpeg = Encode({}, "2x1,1x1,1x1", 75);
  std::vector<testing::Segment> s = testing::Segments(jpeg);
  const std::vector<std::uint8_t> markers = {0xD8, 0xE0, 0xDB, 0xDB, 0xC0, 0xC4,
                                             0xC4, 0xC4, 0xC4, 0xDA};
  ASSERT_EQ(s.size(), markers.size());
  for (std::size_t i = 0; i < markers.size(); ++i) EXPECT_EQ(s[i].marker, markers[i]) << i;
  EXPECT_EQ(s[1].length, 16u);
  EXPECT_EQ(0, std::memcmp(&jpeg[s[1].offset + 4], "JFIF\0\1\1\0\0\1\0\1\0\0", 14));
  EXPECT_EQ(jpeg[s[2].offset + 4], 0x00);  // table 0, 8-bit
  EXPECT_EQ(jpeg[s[3].offset + 4], 0x01);
  const std::uint8_t dhtClasses[] = {0x00, 0x10, 0x01, 0x11};
  for (int k = 0; k < 4; ++k) EXPECT_EQ(jpeg[s[5 + k].offset + 4], dhtClasses[k]);
  const std::uint8_t sos[] = {0x03, 1, 0x00, 2, 0x11, 3, 0x11, 0, 63, 0};
  EXPECT_EQ(s[9].length, 12u);
  EXPECT_EQ(0, std::memcmp(&jpeg[s[9].offset + 4], sos, sizeof sos));
  EXPECT_EQ(jpeg[jpeg.size() - 2], 0xFF);
  EXPECT_EQ(jpeg[jpeg.size() - 1], 0xD9);
  // No restart markers or other segments anywhere in the scan.
  for (std::size_t i = s[9].offset + 14; i + 1 < jpeg.size() - 2; ++i) {
    if (jpeg[i] == 0xFF) {
      ASSERT_EQ(jpeg[i + 1], 0x00) << i;
    }
  }
}

struct QualityCase {
  int quality;
  std::vector<int> luminanceStart;
  std::vector<int> chrominanceStart;
};
class DqtValues : public JpegEncodeTest, public ::testing::WithParamInterface<QualityCase> {};
TEST_P(DqtValues, ScaledBaseTablesInZigzagOrder) {
  const QualityCase& c = GetParam();
  Bytes jpeg = Encode({}, "2x1,1x1,1x1", c.quality);
  std::vector<testing::Segment> s = testing::Segments(jpeg);
  ASSERT_GE(s.size(), 4u);
  const std::uint8_t* lum = &jpeg[s[2].offset + 5];
  const std::uint8_t* chr = &jpeg[s[3].offset + 5];
  for (std::size_t k = 0; k < c.luminanceStart.size(); ++k) EXPECT_EQ(lum[k], c.luminanceStart[k]) << k;
  for (std::size_t k = 0; k < c.chrominanceStart.size(); ++k) EXPECT_EQ(chr[k], c.chrominanceStart[k]) << k;
  for (int k = 0; k < 64; ++k) {
    EXPECT_EQ(lum[k], ScaledQuantiser(kLuminanceBaseTable[k], c.quality)) << k;
    EXPECT_EQ(chr[k], ScaledQuantiser(kChrominanceBaseTable[k], c.quality)) << k;
  }
}
INSTANTIATE_TEST_SUITE_P(
    Qualities, DqtValues,
    ::testing::Values(QualityCase{75, {4, 3, 3, 4, 6, 10, 13, 15}, {4, 5, 6, 12, 25}},
                      QualityCase{10, {40, 25, 25, 40, 60, 100, 125, 150, 30}, {40, 45, 60, 115, 245, 245}},
                      QualityCase{0, {255, 250, 250, 255}, {255, 255}},
                      QualityCase{150, {1, 1, 1, 1, 1, 1, 1, 1}, {1, 1, 1, 1}}));

TEST(ScaledQuantiser, ClampsQualityAndValues) {
  EXPECT_EQ(ScaledQuantiser(43, 10), 215);
  EXPECT_EQ(ScaledQuantiser(54, 10), 255);  // 270 before clamping
  EXPECT_EQ(ScaledQuantiser(8, 0), ScaledQuantiser(8, 1));
  EXPECT_EQ(ScaledQuantiser(61, 150), 1);
}

TEST_F(JpegEncodeTest, SamplingFactorsInFrame) {
  testing::BmpSpec shape;
  shape.width = 40;
  shape.height = 16;
  Bytes jpeg = Encode(shape, "4x1,1x1,1x1", 75);
  std::vector<testing::Segment> s = testing::Segments(jpeg);
  ASSERT_EQ(s[4].marker, 0xC0);
  const std::uint8_t* f = &jpeg[s[4].offset];
  EXPECT_EQ(s[4].length, 17u);
  EXPECT_EQ(f[4], 8);
  EXPECT_EQ(bytes::Be16(f + 5), 16);
  EXPECT_EQ(bytes::Be16(f + 7), 40);
  const std::uint8_t comps[] = {3, 1, 0x41, 0, 2, 0x11, 1, 3, 0x11, 1};
  EXPECT_EQ(0, std::memcmp(f + 9, comps, sizeof comps));
  // The MCU is 32 x 8 pixels: the decoder reads it back at full size.
  EXPECT_TRUE(DecodeJpegFile(Path("out.jpg"), Path("back.bmp")));
  DibImage back = ReadBitmapFile(Path("back.bmp"));
  ASSERT_TRUE(back);
  EXPECT_EQ(DibWidth(back), 40);
}

TEST_F(JpegEncodeTest, JfifDensityFromBmpResolution) {
  testing::BmpSpec shape;
  shape.xPels = 2835;
  shape.yPels = 2835;
  Bytes jpeg = Encode(shape, "2x1,1x1,1x1", 75);
  const std::uint8_t* app0 = &jpeg[2];
  EXPECT_EQ(app0[11], 2);
  EXPECT_EQ(bytes::Be16(app0 + 12), 28);
  EXPECT_EQ(bytes::Be16(app0 + 14), 28);
  shape.yPels = 0;  // both must be positive
  jpeg = Encode(shape, "2x1,1x1,1x1", 75);
  EXPECT_EQ(jpeg[2 + 11], 0);
  EXPECT_EQ(bytes::Be16(&jpeg[2 + 12]), 1);
}

TEST_F(JpegEncodeTest, RoundTripKeepsColoursAndOrientation) {
  testing::BmpSpec shape;
  shape.width = 24;
  shape.height = 16;
  Encode(shape, "1x1,1x1,1x1", 100);
  ASSERT_TRUE(DecodeJpegFile(Path("out.jpg"), Path("back.bmp")));
  Bytes back = ReadFileBytes(Path("back.bmp"));
  Bytes original = testing::MakeBmp(shape);
  ASSERT_EQ(back.size(), original.size());
  int worst = 0;
  for (std::size_t i = 54; i < back.size(); ++i) worst = std::max(worst, std::abs(back[i] - original[i]));
  EXPECT_LE(worst, 6);
}

struct ReaderCase {
  const char* name;
  testing::BmpSpec shape;
  int expected;
};
testing::BmpSpec With(void (*change)(testing::BmpSpec&)) {
  testing::BmpSpec s;
  change(s);
  return s;
}
class EncoderBmpReader : public JpegEncodeTest, public ::testing::WithParamInterface<ReaderCase> {};
TEST_P(EncoderBmpReader, AcceptsOrRefuses) {
  WriteFileBytes(Path("in.bmp"), testing::MakeBmp(GetParam().shape));
  const ImageResult result = EncodeJpegFile(Path("in.bmp"), Path("out.jpg"), "2x1,1x1,1x1", 75);
  EXPECT_EQ(static_cast<bool>(result), GetParam().expected == 1);
  EXPECT_NE(result.status(), ImageStatus::LibraryError);
}
INSTANTIATE_TEST_SUITE_P(
    Forms, EncoderBmpReader,
    ::testing::Values(
        ReaderCase{"Plain24", {}, 1},
        ReaderCase{"EightBitShortTable", With([](auto& s) { s.bitCount = 8; s.coloursUsed = 5; }), 1},
        ReaderCase{"EightBitFullTable", With([](auto& s) { s.bitCount = 8; }), 1},
        ReaderCase{"CoreHeader24", With([](auto& s) { s.headerSize = 12; }), 1},
        ReaderCase{"CoreHeader8", With([](auto& s) { s.headerSize = 12; s.bitCount = 8; }), 1},
        ReaderCase{"Header64", With([](auto& s) { s.headerSize = 64; }), 1},
        ReaderCase{"GapBeforePixels", With([](auto& s) { s.gap = 7; }), 1},
        ReaderCase{"Header108", With([](auto& s) { s.headerSize = 108; }), 1},
        ReaderCase{"TopDown", With([](auto& s) { s.topDown = true; }), 1},
        ReaderCase{"Compressed", With([](auto& s) { s.compression = 1; }), 0},
        ReaderCase{"TwoPlanes", With([](auto& s) { s.planes = 2; }), 0},
        ReaderCase{"SixteenBit", With([](auto& s) { s.bitCount = 16; }), 1},
        ReaderCase{"TableOver256", With([](auto& s) { s.bitCount = 8; s.coloursUsed = 257; }), 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(JpegEncodeTest, EightBitPixelsGoThroughTheTable) {
  for (std::uint32_t headerSize : {40u, 12u}) {
    testing::BmpSpec shape;
    shape.bitCount = 8;
    shape.coloursUsed = headerSize == 12 ? 0 : 1;
    shape.headerSize = headerSize;
    if (headerSize == 12) shape.width = 1;  // one column: index (0 + y) varies by row only
    Encode(shape, "1x1,1x1,1x1", 100);
    ASSERT_TRUE(DecodeJpegFile(Path("out.jpg"), Path("back.bmp")));
    Bytes back = ReadFileBytes(Path("back.bmp"));
    ASSERT_GT(back.size(), 56u);
    if (headerSize == 40) {
      // Every pixel is entry 0: blue 0, green 255, red 0.
      EXPECT_NEAR(back[54], 0, 3);
      EXPECT_NEAR(back[55], 255, 3);
      EXPECT_NEAR(back[56], 0, 3);
    } else {
      // Bottom row is picture row 7, entry 7 of the 3-byte table: v = 7.
      EXPECT_NEAR(back[54], 7, 4);
      EXPECT_NEAR(back[55], 248, 4);
      EXPECT_NEAR(back[56], 3, 4);
    }
  }
}

// Damage applied to a valid BMP before encoding.
struct EncoderDamage {
  const char* name;
  void (*apply)(Bytes&);
};
class EncoderRefusesDamagedBmp : public JpegEncodeTest,
                                 public ::testing::WithParamInterface<EncoderDamage> {};
TEST_P(EncoderRefusesDamagedBmp, ResultZero) {
  testing::BmpSpec shape;
  shape.bitCount = 8;
  shape.coloursUsed = 16;
  Bytes file = testing::MakeBmp(shape);
  GetParam().apply(file);
  WriteFileBytes(Path("in.bmp"), file);
  EXPECT_FALSE(EncodeJpegFile(Path("in.bmp"), Path("out.jpg"), "2x1,1x1,1x1", 75));
}
INSTANTIATE_TEST_SUITE_P(
    Hostile, EncoderRefusesDamagedBmp,
    ::testing::Values(
        EncoderDamage{"Empty", [](Bytes& b) { b.clear(); }},
        EncoderDamage{"PictureFormatP", [](Bytes& b) { b[0] = 'P'; }},
        EncoderDamage{"BNotM", [](Bytes& b) { b[1] = 'A'; }},
        EncoderDamage{"OnlyB", [](Bytes& b) { b.resize(1); }},
        EncoderDamage{"TruncatedHeader", [](Bytes& b) { b.resize(30); }},
        EncoderDamage{"TruncatedTable", [](Bytes& b) { b.resize(14 + 40 + 20); }},
        EncoderDamage{"OffBitsInsideTable", [](Bytes& b) { bytes::PutLe32(&b[10], 60); }},
        EncoderDamage{"HugeDimensions", [](Bytes& b) {
          bytes::PutLe32(&b[18], 0x7FFFFFFF);
          bytes::PutLe32(&b[22], 0x7FFFFFFF);
        }},
        EncoderDamage{"ZeroWidth", [](Bytes& b) { bytes::PutLe32(&b[18], 0); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(JpegEncodeTest, MissingInputAndUnwritableOutput) {
  EXPECT_FALSE(EncodeJpegFile(Path("none.bmp"), Path("out.jpg"), "2x1,1x1,1x1", 75));
  WriteFileBytes(Path("in.bmp"), testing::MakeBmp({}));
  EXPECT_FALSE(EncodeJpegFile(Path("in.bmp"), Path("no/such/dir.jpg"), "2x1,1x1,1x1", 75));
}

TEST_F(JpegEncodeTest, LibraryErrorIsTheResultAndDoesNotOutliveTheCall) {
  // 48 blocks in one MCU (the limit is 10): the library refuses it.
  WriteFileBytes(Path("in.bmp"), testing::MakeBmp({}));
  EXPECT_EQ(EncodeJpegFile(Path("in.bmp"), Path("out.jpg"), "4x4,4x4,4x4", 75),
            ImageStatus::LibraryError);
  EXPECT_TRUE(EncodeJpegFile(Path("in.bmp"), Path("out.jpg"), "2x1,1x1,1x1", 75));
  // Wider than the BMP reader's limit: refused before the library sees it.
  testing::BmpSpec shape;
  shape.width = 70000;
  shape.height = 1;
  WriteFileBytes(Path("wide.bmp"), testing::MakeBmp(shape));
  EXPECT_EQ(EncodeJpegFile(Path("wide.bmp"), Path("out.jpg"), "2x1,1x1,1x1", 75),
            ImageStatus::TooLarge);
}

TEST_F(JpegEncodeTest, RowsMissingFromAShortFileEncodeAsBlack) {
  testing::BmpSpec shape;
  shape.bitCount = 8;
  shape.coloursUsed = 16;
  for (auto damage : {+[](Bytes& b) { b.resize(b.size() - 3); },
                      +[](Bytes& b) { bytes::PutLe32(&b[10], 0x7FFFFFF0); }}) {
    Bytes file = testing::MakeBmp(shape);
    damage(file);
    WriteFileBytes(Path("in.bmp"), file);
    EXPECT_TRUE(EncodeJpegFile(Path("in.bmp"), Path("out.jpg"), "2x1,1x1,1x1", 75));
  }
}

struct SamplingCase {
  const char* text;
  int count;
  std::array<int, 3> h;
  std::array<int, 3> v;
};
class SamplingStrings : public ::testing::TestWithParam<SamplingCase> {};
TEST_P(SamplingStrings, Parse) {
  SamplingFactors f = ParseSamplingFactors(GetParam().text);
  EXPECT_EQ(f.count, GetParam().count);
  for (int i = 0; i < f.count; ++i) {
    EXPECT_EQ(f.horizontal[i], GetParam().h[i]) << i;
    EXPECT_EQ(f.vertical[i], GetParam().v[i]) << i;
  }
}
INSTANTIATE_TEST_SUITE_P(
    Strings, SamplingStrings,
    ::testing::Values(SamplingCase{"2x1,1x1,1x1", 3, {2, 1, 1}, {1, 1, 1}},
                      SamplingCase{"4X1,1x1,1x1", 3, {4, 1, 1}, {1, 1, 1}},
                      SamplingCase{"2x2", 3, {2, 1, 1}, {2, 1, 1}},
                      SamplingCase{"", 3, {1, 1, 1}, {1, 1, 1}},
                      SamplingCase{"2x1,5x1,1x1", 1, {2}, {1}},
                      SamplingCase{"x1", 0, {}, {}},
                      SamplingCase{"2x1;1x1", 0, {}, {}}));

}  // namespace
}  // namespace lumarel
