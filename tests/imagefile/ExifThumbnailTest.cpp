// SPDX-License-Identifier: MIT
#include "imagefile/ExifThumbnail.h"

#include <gtest/gtest.h>

#include "ImageTestSupport.h"
#include "PlatformFakes.h"
#include "imagefile/BitmapFile.h"
#include "imagefile/JpegDecode.h"
#include "imagefile/JpegEncode.h"

namespace lumarel {
namespace {

using testing::Bytes;

struct FitCase {
  std::uint32_t w, h;
  int tw, th;
};
class FitThumbnailSizes : public ::testing::TestWithParam<FitCase> {};
TEST_P(FitThumbnailSizes, Fits) {
  ThumbSize s = FitThumbnail(GetParam().w, GetParam().h);
  EXPECT_EQ(s.width, GetParam().tw);
  EXPECT_EQ(s.height, GetParam().th);
}
INSTANTIATE_TEST_SUITE_P(Sizes, FitThumbnailSizes,
                         ::testing::Values(FitCase{640, 480, 160, 120}, FitCase{480, 640, 90, 120},
                                           FitCase{200, 100, 160, 80}, FitCase{100, 100, 120, 120},
                                           FitCase{320, 240, 160, 120}, FitCase{1000, 5, 160, 0},
                                           FitCase{0, 0, 0, 0}));

// A scaled picture of w x h whose pixels are all 0xFF, placed on the canvas.
struct Margins {
  int w, h;
  int left, right, bottom, top;
};
class CanvasMargins : public ::testing::TestWithParam<Margins> {};
TEST_P(CanvasMargins, BlackBorders) {
  const Margins m = GetParam();
  Bytes scaled((3 * m.w + 4) * m.h + 44, 0);
  WriteDibHeader(scaled, m.w, m.h, 24);
  const std::size_t stride = DibStride(m.w, 24);
  for (int y = 0; y < m.h; ++y) std::fill_n(&scaled[40 + y * stride], m.w * 3, 0xFF);
  DibImage canvas = PlaceOnCanvas(scaled);
  ASSERT_TRUE(canvas);
  ASSERT_EQ(canvas.size(), 58124u);
  EXPECT_EQ(DibWidth(canvas), 160);
  EXPECT_EQ(DibHeight(canvas), 120);
  EXPECT_EQ(m.left + m.w + m.right, 160);
  EXPECT_EQ(m.bottom + m.h + m.top, 120);
  for (int y = 0; y < 120; ++y) {
    for (int x = 0; x < 160; ++x) {
      const bool inside = x >= m.left && x < m.left + m.w && y >= m.bottom && y < m.bottom + m.h;
      ASSERT_EQ(canvas.data()[40 + y * 480 + x * 3], inside ? 0xFF : 0) << x << "," << y;
    }
  }
}
INSTANTIATE_TEST_SUITE_P(Pictures, CanvasMargins,
                         ::testing::Values(Margins{160, 120, 0, 0, 0, 0},   // 640 x 480
                                           Margins{90, 120, 36, 34, 0, 0},  // 480 x 640
                                           Margins{160, 80, 0, 0, 21, 19},  // 200 x 100
                                           Margins{159, 119, 1, 0, 1, 0}));

TEST(ScaleDib24, QuarterSizePicksEveryFourthPixel) {
  const Bytes src = testing::MakeDib24(640, 480);
  DibImage out = ScaleDib24(src, 160, 120);
  ASSERT_TRUE(out);
  EXPECT_EQ(out.size(), static_cast<std::size_t>((3 * 160 + 4) * 120 + 44));
  for (int i = 0; i < 120; i += 7) {
    for (int j = 0; j < 160; j += 5) {
      for (int c = 0; c < 3; ++c) {
        ASSERT_EQ(out.data()[40 + i * 480 + j * 3 + c], src[40 + (4 * i) * 1920 + (4 * j) * 3 + c]);
      }
    }
  }
}

TEST(ScaleDib24, InterpolatesAndClampsAtTheEdge) {
  Bytes src(40 + 8, 0);
  WriteDibHeader(src, 2, 1, 24);
  src[40 + 3] = 100;  // pixel 1 blue
  DibImage out = ScaleDib24(src, 4, 1);
  ASSERT_TRUE(out);
  const std::uint8_t* p = out.data() + 40;
  EXPECT_EQ(p[0], 0);
  EXPECT_EQ(p[3], 50);
  EXPECT_EQ(p[6], 100);
  EXPECT_EQ(p[9], 100);
  EXPECT_EQ(p[12], 0);  // row padding
}

TEST(ScaleDib24, GreySourceGoesThroughItsTable) {
  Bytes src(40 + 1024 + 4 * 2, 0);
  WriteDibHeader(src, 4, 2, 8, 256);
  for (int i = 0; i < 256; ++i) src[40 + 4 * i] = src[41 + 4 * i] = src[42 + 4 * i] = std::uint8_t(i);
  std::fill_n(&src[40 + 1024], 8, 77);
  DibImage out = ScaleDib24(src, 2, 1);
  ASSERT_TRUE(out);
  EXPECT_EQ(out.data()[40], 77);
  EXPECT_EQ(out.data()[41], 77);
  EXPECT_EQ(out.data()[45], 77);
}

TEST(ScaleDib24, RefusesUnreadableSources) {
  Bytes shortRows(40 + 10, 0);
  WriteDibHeader(shortRows, 4, 4, 24);
  EXPECT_FALSE(ScaleDib24(shortRows, 2, 2));
  Bytes sixteen(40 + 64, 0);
  WriteDibHeader(sixteen, 4, 4, 16);
  EXPECT_FALSE(ScaleDib24(sixteen, 2, 2));
  EXPECT_FALSE(ScaleDib24(Bytes{}, 2, 2));
}

class MakeExifThumbnailTest : public testing::ScratchDir {
 protected:
  std::string Source(int w, int h) {
    const Bytes dib = testing::MakeDib24(w, h);
    EXPECT_TRUE(WriteBitmapFile(Path("s.bmp"), dib));
    EXPECT_TRUE(EncodeJpegFile(Path("s.bmp"), Path("s.jpg"), "2x1,1x1,1x1", 75));
    return Path("s.jpg");
  }
  testing::RecordingNotifier notifier;
};

TEST_F(MakeExifThumbnailTest, ThumbnailIs160By120Jpeg) {
  ExifThumbnail t = MakeExifThumbnail(Source(200, 100), Path("d.bmp"), notifier);
  ASSERT_TRUE(t.jpeg);
  EXPECT_EQ(t.pictureWidth, 200);
  EXPECT_EQ(t.pictureHeight, 100);
  testing::WriteFileBytes(Path("t.jpg"), Bytes(t.jpeg.data(), t.jpeg.data() + t.jpeg.size()));
  ASSERT_TRUE(DecodeJpegFile(Path("t.jpg"), Path("t.bmp")));
  DibImage thumb = ReadBitmapFile(Path("t.bmp"));
  ASSERT_TRUE(thumb);
  EXPECT_EQ(DibWidth(thumb), 160);
  EXPECT_EQ(DibHeight(thumb), 120);
  EXPECT_TRUE(std::filesystem::exists(Path("d.bmp")));  // the decoded picture is the caller's
  EXPECT_TRUE(notifier.shown.empty());
}

TEST_F(MakeExifThumbnailTest, UndecodableSource) {
  testing::WriteFileBytes(Path("x.jpg"), Bytes{0xFF, 0xD8, 0xFF, 0xDA, 0, 2});
  EXPECT_FALSE(MakeExifThumbnail(Path("x.jpg"), Path("d.bmp"), notifier).jpeg);
  ASSERT_EQ(notifier.shown.size(), 1u);
  EXPECT_EQ(notifier.shown[0].text, "Can not change the exif format.");
}

struct AllocationCase {
  int successes;
  const char* message;
};
class ThumbnailAllocation : public MakeExifThumbnailTest,
                            public ::testing::WithParamInterface<AllocationCase> {};
TEST_P(ThumbnailAllocation, FailureMessage) {
  const std::string src = Source(64, 48);
  ScopedAllocationFailure fail(GetParam().successes);
  EXPECT_FALSE(MakeExifThumbnail(src, Path("d.bmp"), notifier).jpeg);
  ASSERT_EQ(notifier.shown.size(), 1u);
  EXPECT_EQ(notifier.shown[0].text, GetParam().message);
}
INSTANTIATE_TEST_SUITE_P(Steps, ThumbnailAllocation,
                         ::testing::Values(AllocationCase{0, "Can not change the exif format."},   // read
                                           AllocationCase{1, "Can not change the exif format."},   // scale
                                           AllocationCase{2, "Can not change to thumbnail."}));    // canvas

}  // namespace
}  // namespace lumarel
