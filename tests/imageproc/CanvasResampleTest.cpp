// SPDX-License-Identifier: MIT
// Reading BMP files into the 640 x 480 canvas, and the fixed resamplings.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "BmpVariants.h"
#include "PlatformFakes.h"
#include "TempDir.h"
#include "TestPictures.h"
#include "imagefile/ByteOrder.h"
#include "imageproc/CanvasRead.h"
#include "imageproc/Resample.h"

namespace lumarel {
namespace {

using testing::Bgr;
using testing::RecordingNotifier;

// A BMP file of w x h; 8-bit files get a colour table mapping i to (i, 255 - i, 7).
std::vector<std::uint8_t> BmpFile(int w, int h, int bits) {
  const std::size_t stride = DibStride(w, bits);
  const std::size_t table = bits == 8 ? 1024 : 0;
  std::vector<std::uint8_t> f(54 + table + stride * h, 0);
  f[0] = 'B';
  f[1] = 'M';
  bytes::PutLe32(f.data() + 2, static_cast<std::uint32_t>(f.size()));
  bytes::PutLe32(f.data() + 10, static_cast<std::uint32_t>(54 + table));
  WriteDibHeader(std::span(f).subspan(14), w, h, static_cast<std::uint16_t>(bits));
  for (int i = 0; i < 256 && bits == 8; ++i) {
    f[54 + 4 * i] = static_cast<std::uint8_t>(i);
    f[54 + 4 * i + 1] = static_cast<std::uint8_t>(255 - i);
    f[54 + 4 * i + 2] = 7;
  }
  for (int y = 0; y < h; ++y) {
    std::uint8_t* row = f.data() + 54 + table + y * stride;
    for (int x = 0; x < w; ++x) {
      if (bits == 8) {
        row[x] = static_cast<std::uint8_t>(1 + (x + y) % 200);
      } else {
        row[3 * x] = 1;  // never black
        row[3 * x + 1] = static_cast<std::uint8_t>(x);
        row[3 * x + 2] = static_cast<std::uint8_t>(y);
      }
    }
  }
  return f;
}

std::vector<std::uint8_t> Canvas() { return std::vector<std::uint8_t>(kPictureBlockSize, 0xCD); }

// Column and row of the first non-black canvas pixel.
std::pair<int, int> FirstLit(const std::vector<std::uint8_t>& canvas) {
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x)
      if (testing::PixelAt(canvas, x, y) != Bgr{}) return {x, y};
  return {-1, -1};
}

struct PlacementCase {
  int w, h, bits;
  int column, row;
  bool cut;
};
class CanvasPlacementTest : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(CanvasPlacementTest, CentresOrCuts) {
  const PlacementCase& c = GetParam();
  auto canvas = Canvas();
  RecordingNotifier notifier;
  ASSERT_TRUE(ReadBitmapIntoCanvas(BmpFile(c.w, c.h, c.bits), canvas, notifier));
  EXPECT_EQ(FirstLit(canvas), (std::pair{c.column, c.row}));
  EXPECT_EQ(DibWidth(canvas), 640);
  EXPECT_EQ(DibHeight(canvas), 480);
  EXPECT_EQ(DibBitCount(canvas), 24);
  ASSERT_EQ(notifier.shown.size(), c.cut ? 1u : 0u);
  if (c.cut) {
    EXPECT_EQ(notifier.shown[0].text, "Part of the image will be cut off.");
    EXPECT_EQ(notifier.shown[0].caption, "ERROR");
  }
  EXPECT_TRUE(std::all_of(canvas.begin() + kPicture640x480ContentSize, canvas.end(),
                          [](std::uint8_t b) { return b == 0xCD; }));
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, CanvasPlacementTest,
    ::testing::Values(PlacementCase{320, 240, 24, 160, 120, false},
                      PlacementCase{322, 240, 24, 156, 120, false},
                      PlacementCase{322, 240, 8, 159, 120, false},
                      PlacementCase{640, 200, 24, 0, 140, false},
                      PlacementCase{600, 480, 24, 20, 0, false},
                      PlacementCase{601, 480, 8, 19, 0, false},  // 8-bit: exact half, not 16
                      PlacementCase{800, 600, 24, 0, 0, true},
                      PlacementCase{600, 500, 8, 20, 0, true},
                      PlacementCase{1, 1, 24, 316, 239, false}));

TEST(CanvasReadTest, CutPictureKeepsItsCentre) {
  auto canvas = Canvas();
  RecordingNotifier notifier;
  ASSERT_TRUE(ReadBitmapIntoCanvas(BmpFile(800, 600, 24), canvas, notifier));
  // File rows 60.., pixels 80..: green = x, red = y (low bytes).
  EXPECT_EQ(testing::PixelAt(canvas, 0, 0), (Bgr{1, 80, 60}));
  EXPECT_EQ(testing::PixelAt(canvas, 639, 479), (Bgr{1, 719 & 0xFF, 539 & 0xFF}));
}

TEST(CanvasReadTest, ExactSizeCopiesHeaderAndRows) {
  auto file = BmpFile(640, 480, 24);
  bytes::PutLe32(file.data() + 14 + 24, 2835);  // biXPelsPerMeter survives
  auto canvas = Canvas();
  RecordingNotifier notifier;
  ASSERT_TRUE(ReadBitmapIntoCanvas(file, canvas, notifier));
  EXPECT_TRUE(std::equal(file.begin() + 14, file.end(), canvas.begin()));
  // Top-down, the same picture keeps its rows in place but not the header.
  auto topDown = BmpFile(640, 480, 24);
  bytes::PutLe32(topDown.data() + 22, static_cast<std::uint32_t>(-480));
  auto flipped = Canvas();
  ASSERT_TRUE(ReadBitmapIntoCanvas(topDown, flipped, notifier));
  EXPECT_EQ(DibHeight(flipped), 480);
  EXPECT_EQ(testing::PixelAt(flipped, 5, 0), testing::PixelAt(canvas, 5, 479));
}

TEST(CanvasReadTest, EightBitPixelsGoThroughTheColourTable) {
  auto canvas = Canvas();
  RecordingNotifier notifier;
  ASSERT_TRUE(ReadBitmapIntoCanvas(BmpFile(640, 480, 8), canvas, notifier));
  EXPECT_EQ(testing::PixelAt(canvas, 3, 2), (Bgr{6, 249, 7}));
}

TEST(CanvasReadTest, RefusesWhatIsNotABitmapItCanRead) {
  auto wrongMagic = BmpFile(4, 4, 24);
  wrongMagic[0] = 0xFF;
  auto jpegInside = BmpFile(4, 4, 24);
  bytes::PutLe32(jpegInside.data() + 30, 4);
  auto pngInside = BmpFile(4, 4, 24);
  bytes::PutLe32(pngInside.data() + 30, 5);
  auto oddHeader = BmpFile(4, 4, 24);
  bytes::PutLe32(oddHeader.data() + 14, 66);
  auto noBits = BmpFile(4, 4, 24);
  bytes::PutLe16(noBits.data() + 28, 0);
  auto manyBits = BmpFile(4, 4, 24);
  bytes::PutLe16(manyBits.data() + 28, 30000);
  auto shortTable = BmpFile(4, 4, 8);
  shortTable.resize(54 + 500);
  for (const auto& file : {wrongMagic, jpegInside, pngInside, oddHeader, noBits, manyBits, shortTable,
                           std::vector<std::uint8_t>(53, 'B')}) {
    auto canvas = Canvas();
    RecordingNotifier notifier;
    EXPECT_EQ(ReadBitmapIntoCanvas(file, canvas, notifier), ImageStatus::WrongType);
    ASSERT_EQ(notifier.shown.size(), 1u);
    EXPECT_EQ(notifier.shown[0].text, "This file type is wrong.");
  }
}

TEST(CanvasReadTest, HugeSizesAreRefusedAndShortFilesReadBlack) {
  // Sizes beyond the reader's limits are refused from the header alone, and
  // the message says so.
  for (auto [w, h, bits] : {std::tuple{100000, 100000, 24}, std::tuple{2000000000, 3, 8},
                            std::tuple{3, 2000000000, 24}, std::tuple{16384, 16384, 24}}) {
    auto file = BmpFile(2, 2, bits);
    bytes::PutLe32(file.data() + 18, static_cast<std::uint32_t>(w));
    bytes::PutLe32(file.data() + 22, static_cast<std::uint32_t>(h));
    auto canvas = Canvas();
    RecordingNotifier notifier;
    EXPECT_EQ(ReadBitmapIntoCanvas(file, canvas, notifier), ImageStatus::TooLarge);
    ASSERT_EQ(notifier.shown.size(), 1u);
    EXPECT_EQ(notifier.shown[0].text, "This picture is too large: " + std::to_string(w) + " x " +
                                          std::to_string(h) +
                                          "; at most 16384 x 16384 and 50 million pixels.");
  }
  // Complete headers and table, rows cut short: the missing pixels are black,
  // not colour-table entry 0, and a note says how many rows were there.
  auto file = BmpFile(640, 480, 8);
  file[54] = 9;  // entry 0 is not black
  file.resize(54 + 1024 + 640 * 10 + 7);
  auto canvas = Canvas();
  RecordingNotifier notifier;
  ASSERT_TRUE(ReadBitmapIntoCanvas(file, canvas, notifier));
  EXPECT_NE(testing::PixelAt(canvas, 6, 10), (Bgr{}));
  EXPECT_EQ(testing::PixelAt(canvas, 7, 10), (Bgr{}));
  EXPECT_EQ(testing::PixelAt(canvas, 639, 479), (Bgr{}));
  EXPECT_TRUE(std::all_of(canvas.begin() + kPicture640x480ContentSize, canvas.end(),
                          [](std::uint8_t b) { return b == 0xCD; }));
  ASSERT_EQ(notifier.shown.size(), 1u);
  EXPECT_EQ(notifier.shown[0].text,
            "Part of the picture data is missing: 11 of 480 rows are there, the rest is shown black.");
  // Not a single row: no picture at all.
  file.resize(54 + 1024);
  notifier.shown.clear();
  EXPECT_EQ(ReadBitmapIntoCanvas(file, canvas, notifier), ImageStatus::NoPixels);
  ASSERT_EQ(notifier.shown.size(), 1u);
  EXPECT_EQ(notifier.shown[0].text, "This file holds no picture data.");
}

// Every common layout, made by ImageMagick, lands on the canvas as
// ImageMagick's own decode placed by the Open command's rule.
class CanvasReadVariants : public ::testing::TestWithParam<testing::BmpVariant> {
 protected:
  testing::TempDir scratch_;
  std::string dir_ = scratch_.Path();
};

TEST_P(CanvasReadVariants, PlacesImageMagicksPixels) {
  if (!testing::HaveImageMagick()) GTEST_SKIP() << "ImageMagick's convert is not installed";
  for (auto [w, h] : {std::pair{331, 201}, std::pair{650, 483}}) {
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
    const std::string path = testing::MakeBmpVariant(dir_, GetParam(), w, h);
    ASSERT_FALSE(path.empty());
    const auto oracle = testing::ImageMagickRgb(path);
    ASSERT_EQ(oracle.size(), static_cast<std::size_t>(w) * h * 3);
    const bool paletted = testing::BmpBitCount(testing::FileBytes(path)) <= 8;
    auto canvas = Canvas();
    RecordingNotifier notifier;
    ASSERT_TRUE(ReadBitmapFileIntoCanvas(path, canvas, notifier));
    EXPECT_EQ(notifier.shown.size(), w > 640 || h > 480 ? 1u : 0u);
    const auto expected = testing::ExpectedCanvasRows(oracle, w, h, paletted);
    const auto rows = canvas.begin() + 40;
    const auto diff = std::mismatch(expected.begin(), expected.end(), rows);
    EXPECT_TRUE(diff.first == expected.end())
        << "first difference at canvas byte " << (diff.first - expected.begin());
  }
}

INSTANTIATE_TEST_SUITE_P(ImageMagick, CanvasReadVariants, ::testing::ValuesIn(testing::BmpVariants()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ResampleTest, HalfSizeBoxAverageTruncates) {
  const auto picture = testing::MakePicture(640, 480, [](int x, int y) {
    return Bgr{static_cast<std::uint8_t>(x % 2 == 0 && y % 2 == 0 ? 1 : 2), 200, 9};
  });
  std::vector<std::uint8_t> out(40 + 320 * 240 * 3);
  ASSERT_TRUE(MakeHalfSizePicture(picture, out));
  EXPECT_EQ(DibWidth(out), 320);
  EXPECT_EQ(DibHeight(out), 240);
  EXPECT_EQ(testing::PixelAt(out, 0, 0), (Bgr{1, 200, 9}));  // 7 / 4
  EXPECT_EQ(testing::PixelAt(out, 319, 239), (Bgr{1, 200, 9}));
  std::vector<std::uint8_t> small(out.size() - 1);
  EXPECT_FALSE(MakeHalfSizePicture(picture, small));
}

TEST(ResampleTest, ThumbnailUsesRowsFourYAndFourYPlusTwo) {
  const auto picture = testing::MakePicture(640, 480, [](int x, int y) {
    const int rowValue[] = {10, 255, 21, 255};
    return Bgr{static_cast<std::uint8_t>(rowValue[y % 4] + (x % 4 == 3 ? 3 : 0)), 0, 0};
  });
  std::vector<std::uint8_t> out(kPreviewSlotSize);
  ASSERT_TRUE(MakeQuarterThumbnail(picture, out));
  EXPECT_EQ(DibWidth(out), 160);
  EXPECT_EQ(DibHeight(out), 120);
  // a = (10 x 4 + 3) / 4 = 10, b = (21 x 4 + 3) / 4 = 21, (10 + 21) / 2 = 15.
  EXPECT_EQ(testing::PixelAt(out, 0, 0).b, 15);
  EXPECT_EQ(testing::PixelAt(out, 159, 119).b, 15);
}

std::vector<std::uint8_t> RampRow() {
  std::vector<std::uint8_t> row(640 * 3);
  for (int x = 0; x < 640; ++x) row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = static_cast<std::uint8_t>(x / 2);
  return row;
}

TEST(ResampleTest, InterpolationFractionWrapsAboveButNotAt256) {
  std::vector<std::uint8_t> source(640 * 3);
  for (int x = 0; x < 640; ++x) source[3 * x] = static_cast<std::uint8_t>(x % 2 ? 200 : 0);
  std::vector<std::uint8_t> out(640 * 3);
  InterpolateRow(source.data(), out.data());
  EXPECT_EQ(out[0], (200 * (256 - 202) + 0 * 202) / 256);  // i = 3, f = 202
  EXPECT_EQ(out[3], (0 * (256 - 148) + 200 * 148) / 256);  // i = 4, f = 148
  // Output 127 has f = 256 exactly: it equals s[i + 1]; the last is s[508].
  const auto ramp = RampRow();
  InterpolateRow(ramp.data(), out.data());
  EXPECT_EQ(out[3 * 639], ramp[3 * 508]);
  EXPECT_EQ(out[3 * 127], ramp[3 * (3 + 101)]);
}

TEST(ResampleTest, GroupStretchFourToFive) {
  std::vector<std::uint8_t> source(640 * 3, 0);
  const std::uint8_t values[] = {10, 20, 30, 40, 50};
  for (int i = 0; i < 5; ++i) source[3 * i + 1] = values[i];
  std::vector<std::uint8_t> out(640 * 3);
  GroupStretchRow(source.data(), out.data());
  const int expected[] = {10, 18, 26, 34, 42};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(out[3 * i + 1], expected[i]);
}

TEST(ResampleTest, PhotoStretchesCopyHeaderAndRefuseOtherSizes) {
  const auto photo = testing::RandomPicture(640, 480, 5);
  std::vector<std::uint8_t> out(kPictureBlockSize);
  ASSERT_TRUE(InterpolatePhoto(photo, out));
  EXPECT_TRUE(std::equal(photo.begin(), photo.begin() + 40, out.begin()));
  ASSERT_TRUE(GroupStretchPhoto(photo, out));
  EXPECT_EQ(testing::PixelAt(out, 5, 7), testing::PixelAt(photo, 4, 7));  // p0 of group 1
  EXPECT_FALSE(GroupStretchPhoto(testing::RandomPicture(320, 240, 5), out));
  std::vector<std::uint8_t> small(kPicture640x480ContentSize - 1);
  EXPECT_FALSE(InterpolatePhoto(photo, small));
}

}  // namespace
}  // namespace lumarel
