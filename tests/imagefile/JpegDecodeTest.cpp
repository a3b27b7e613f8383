// SPDX-License-Identifier: MIT
#include "ExternalTools.h"
#include "imagefile/JpegDecode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "ImageTestSupport.h"
#include "imagefile/BitmapFile.h"

#include <jpeglib.h>

namespace lumarel {
namespace {

using testing::Bytes;
using testing::ReadFileBytes;
using testing::WriteFileBytes;

constexpr int kW = 64;
constexpr int kH = 48;

class JpegDecodeTest : public testing::ScratchDir {
 protected:
  void SetUp() override {
    ScratchDir::SetUp();
    Bytes ppm;
    const std::string head = "P6\n" + std::to_string(kW) + " " + std::to_string(kH) + "\n255\n";
    ppm.assign(head.begin(), head.end());
    for (int y = 0; y < kH; ++y) {
      for (int x = 0; x < kW; ++x) {
        std::uint8_t rgb[3];
        testing::TestColour(x, y, rgb);
        ppm.insert(ppm.end(), rgb, rgb + 3);
      }
    }
    WriteFileBytes(Path("src.ppm"), ppm);
  }
  // Makes a JPEG with cjpeg and the given options; skips when cjpeg is missing.
  std::string Cjpeg(const std::string& options, const std::string& name) {
    if (!testing::HaveTool("cjpeg")) return {};
    const std::string out = Path(name);
    if (testing::Run("cjpeg " + options + " -outfile " + out + " " + Path("src.ppm")) != 0) return {};
    return out;
  }
};

#define REQUIRE_FILE(path) \
  if ((path).empty()) GTEST_SKIP() << "cjpeg or convert not available"

struct Variant {
  const char* name;
  const char* options;
};
class DecodeVariants : public JpegDecodeTest, public ::testing::WithParamInterface<Variant> {};

TEST_P(DecodeVariants, MatchesDjpegPixels) {
  const std::string jpeg = Cjpeg(GetParam().options, "v.jpg");
  REQUIRE_FILE(jpeg);
  ASSERT_TRUE(DecodeJpegFile(jpeg, Path("v.bmp")));
  Bytes ours = ReadFileBytes(Path("v.bmp"));
  ASSERT_EQ(ours.size(), 54u + kW * 3 * kH);
  EXPECT_EQ(bytes::Le32(&ours[2]), ours.size());
  EXPECT_EQ(bytes::Le32(&ours[10]), 54u);
  EXPECT_EQ(bytes::Le32(&ours[14]), 40u);
  EXPECT_EQ(bytes::Le16(&ours[28]), 24);
  if (!testing::HaveTool("djpeg")) GTEST_SKIP() << "djpeg not available";
  ASSERT_EQ(testing::Run("djpeg -bmp -outfile " + Path("d.bmp") + " " + jpeg), 0);
  Bytes theirs = ReadFileBytes(Path("d.bmp"));
  ASSERT_EQ(theirs.size(), ours.size());
  EXPECT_TRUE(std::equal(ours.begin() + 54, ours.end(), theirs.begin() + 54));
}
INSTANTIATE_TEST_SUITE_P(Files, DecodeVariants,
                         ::testing::Values(Variant{"Baseline420", "-sample 2x2"},
                                           Variant{"Sampling422", "-sample 2x1"},
                                           Variant{"Sampling444", "-sample 1x1"},
                                           Variant{"Progressive", "-progressive"},
                                           Variant{"RestartEveryRow", "-restart 1"},
                                           Variant{"RestartEveryBlock", "-restart 1b -optimize"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(JpegDecodeTest, GreyscaleGivesEightBitWithGreyTable) {
  const std::string jpeg = Cjpeg("-grayscale", "g.jpg");
  REQUIRE_FILE(jpeg);
  ASSERT_TRUE(DecodeJpegFile(jpeg, Path("g.bmp")));
  Bytes b = ReadFileBytes(Path("g.bmp"));
  ASSERT_EQ(b.size(), 1078u + kW * kH);
  EXPECT_EQ(bytes::Le32(&b[2]), b.size());
  EXPECT_EQ(bytes::Le32(&b[10]), 1078u);
  EXPECT_EQ(bytes::Le16(&b[28]), 8);
  EXPECT_EQ(bytes::Le32(&b[46]), 256u);
  for (int i = 0; i < 256; ++i) {
    ASSERT_EQ(b[54 + 4 * i], i);
    ASSERT_EQ(b[55 + 4 * i], i);
    ASSERT_EQ(b[56 + 4 * i], i);
    ASSERT_EQ(b[57 + 4 * i], 0);
  }
}

TEST_F(JpegDecodeTest, DensityInDotsPerCentimetre) {
  const std::string jpeg = Cjpeg("", "d.jpg");
  REQUIRE_FILE(jpeg);
  Bytes j = ReadFileBytes(jpeg);
  ASSERT_EQ(j[2 + 1], 0xE0);
  j[2 + 11] = 2;
  bytes::PutBe16(&j[2 + 12], 28);
  bytes::PutBe16(&j[2 + 14], 40);
  WriteFileBytes(jpeg, j);
  ASSERT_TRUE(DecodeJpegFile(jpeg, Path("d.bmp")));
  Bytes b = ReadFileBytes(Path("d.bmp"));
  EXPECT_EQ(bytes::Le32(&b[38]), 2800u);
  EXPECT_EQ(bytes::Le32(&b[42]), 4000u);
}

TEST_F(JpegDecodeTest, TruncatedFileStillDecodes) {
  const std::string jpeg = Cjpeg("", "t.jpg");
  REQUIRE_FILE(jpeg);
  Bytes j = ReadFileBytes(jpeg);
  j.resize(j.size() * 2 / 3);
  WriteFileBytes(jpeg, j);
  EXPECT_TRUE(DecodeJpegFile(jpeg, Path("t.bmp")));
  EXPECT_EQ(ReadFileBytes(Path("t.bmp")).size(), 54u + kW * 3 * kH);
}

TEST_F(JpegDecodeTest, NotAJpegLeavesAnEmptyBmp) {
  WriteFileBytes(Path("x.jpg"), Bytes{'B', 'M', 1, 2, 3, 4, 5, 6});
  WriteFileBytes(Path("x.bmp"), Bytes{1, 2, 3});
  EXPECT_EQ(DecodeJpegFile(Path("x.jpg"), Path("x.bmp")), ImageStatus::LibraryError);
  EXPECT_TRUE(std::filesystem::exists(Path("x.bmp")));
  EXPECT_TRUE(ReadFileBytes(Path("x.bmp")).empty());
  WriteFileBytes(Path("e.jpg"), Bytes{});
  EXPECT_FALSE(DecodeJpegFile(Path("e.jpg"), Path("x.bmp")));
}

TEST_F(JpegDecodeTest, MissingJpegLeavesBmpAlone) {
  WriteFileBytes(Path("keep.bmp"), Bytes{9, 8, 7});
  EXPECT_FALSE(DecodeJpegFile(Path("missing.jpg"), Path("keep.bmp")));
  EXPECT_EQ(ReadFileBytes(Path("keep.bmp")), (Bytes{9, 8, 7}));
}

TEST_F(JpegDecodeTest, RefusesAbsurdFrameSizeBeforeAllocating) {
  const std::string jpeg = Cjpeg("", "big.jpg");
  REQUIRE_FILE(jpeg);
  Bytes j = ReadFileBytes(jpeg);
  for (const testing::Segment& s : testing::Segments(j)) {
    if (s.marker == 0xC0) {
      bytes::PutBe16(&j[s.offset + 5], 60000);
      bytes::PutBe16(&j[s.offset + 7], 60000);
    }
  }
  WriteFileBytes(jpeg, j);
  EXPECT_FALSE(DecodeJpegFile(jpeg, Path("big.bmp")));
  EXPECT_TRUE(ReadFileBytes(Path("big.bmp")).empty());
}

TEST_F(JpegDecodeTest, RefusesFilesWithTooManyScans) {
  const std::string jpeg = Cjpeg("-progressive", "p.jpg");
  REQUIRE_FILE(jpeg);
  Bytes j = ReadFileBytes(jpeg);
  // The first scan: its SOS segment and entropy-coded data up to the next marker.
  std::vector<testing::Segment> segs = testing::Segments(j);
  const std::size_t start = segs.back().offset;
  std::size_t end = start + 2 + segs.back().length;
  while (end + 1 < j.size() && !(j[end] == 0xFF && j[end + 1] != 0 && (j[end + 1] < 0xD0 || j[end + 1] > 0xD7))) ++end;
  const Bytes scan(j.begin() + static_cast<long>(start), j.begin() + static_cast<long>(end));
  auto withRepeats = [&](int n) {
    Bytes out(j.begin(), j.begin() + static_cast<long>(end));
    for (int i = 0; i < n; ++i) out.insert(out.end(), scan.begin(), scan.end());
    out.push_back(0xFF);
    out.push_back(0xD9);
    return out;
  };
  WriteFileBytes(Path("few.jpg"), withRepeats(20));
  EXPECT_TRUE(DecodeJpegFile(Path("few.jpg"), Path("few.bmp")));
  WriteFileBytes(Path("many.jpg"), withRepeats(kMaxDecodeScans + 20));
  EXPECT_EQ(DecodeJpegFile(Path("many.jpg"), Path("many.bmp")), ImageStatus::LibraryError);
}

// Real-world JPEGs other programs write: each decodes to what ImageMagick
// shows (-auto-orient turns by the Exif orientation), within rounding.
struct ForeignJpeg {
  const char* name;
  const char* make;  // shell command; SRC and OUT stand for the paths
};
class ForeignJpegs : public JpegDecodeTest, public ::testing::WithParamInterface<ForeignJpeg> {
 protected:
  // The picture as top-down R, G, B rows, and its size.
  static Bytes PpmPixels(const Bytes& ppm, int& w, int& h) {
    std::string head(ppm.begin(), ppm.begin() + std::min<std::size_t>(ppm.size(), 64));
    int maxValue = 0, used = 0;
    if (std::sscanf(head.c_str(), "P6 %d %d %d%n", &w, &h, &maxValue, &used) != 3) return {};
    return Bytes(ppm.begin() + used + 1, ppm.end());
  }
  static std::string Replace(std::string text, const std::string& from, const std::string& to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
      text.replace(at, from.size(), to);
    return text;
  }
};

// Plain Adobe CMYK (APP14 transform 0), which no tool here writes: libjpeg
// itself, with the inks stored inverted as Adobe's files hold them (C = R,
// M = G, Y = B, K = 255 for no black).
bool WritePlainCmykJpeg(const Bytes& rgb, int width, int height, const std::string& path) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) return false;
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr jerr{};
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, out);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = 4;
  cinfo.in_color_space = JCS_CMYK;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 95, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<JSAMPLE> row(static_cast<std::size_t>(width) * 4);
  while (cinfo.next_scanline < cinfo.image_height) {
    const std::uint8_t* px = rgb.data() + std::size_t(cinfo.next_scanline) * width * 3;
    for (int x = 0; x < width; ++x) {
      for (int c = 0; c < 3; ++c) row[std::size_t(x) * 4 + c] = px[x * 3 + c];
      row[std::size_t(x) * 4 + 3] = 255;
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return std::fclose(out) == 0;
}

TEST_P(ForeignJpegs, DecodeAsImageMagickShowsThem) {
  LUMAREL_SKIP_WITHOUT("convert", "cjpeg", "exiftool");
  const std::string made = Path("in.jpg");
  if (std::string(GetParam().make) == "plain-cmyk") {
    int w = 0, h = 0;
    const Bytes rgb = PpmPixels(ReadFileBytes(Path("src.ppm")), w, h);
    ASSERT_TRUE(WritePlainCmykJpeg(rgb, w, h, made));
  } else {
    const std::string make =
        Replace(Replace(GetParam().make, "SRC", Path("src.ppm")), "OUT", made);
    ASSERT_EQ(testing::Run(make), 0) << make;
  }
  ASSERT_EQ(DecodeJpegFile(made, Path("ours.bmp")), ImageStatus::Done);
  ASSERT_EQ(testing::Run("convert " + Path("ours.bmp") + " " + Path("ours.ppm")), 0);
  ASSERT_EQ(testing::Run("convert " + made + " -auto-orient -colorspace sRGB -depth 8 " +
                         Path("theirs.ppm")),
            0);
  int ow = 0, oh = 0, tw = 0, th = 0;
  const Bytes ours = PpmPixels(ReadFileBytes(Path("ours.ppm")), ow, oh);
  const Bytes theirs = PpmPixels(ReadFileBytes(Path("theirs.ppm")), tw, th);
  ASSERT_EQ(ow, tw);
  ASSERT_EQ(oh, th);
  ASSERT_EQ(ours.size(), theirs.size());
  int worst = 0;
  for (std::size_t i = 0; i < ours.size(); ++i) worst = std::max(worst, std::abs(ours[i] - theirs[i]));
  EXPECT_LE(worst, 3);
}
INSTANTIATE_TEST_SUITE_P(
    Files, ForeignJpegs,
    ::testing::Values(
        // ImageMagick writes CMYK as Adobe YCCK (APP14 transform 2).
        ForeignJpeg{"AdobeYcck", "convert SRC -colorspace CMYK OUT"},
        ForeignJpeg{"AdobeCmyk", "plain-cmyk"},
        ForeignJpeg{"ArithmeticFlat",
                    "convert -size 2000x1500 xc:'#3080c0' ppm:- | cjpeg -arithmetic -outfile OUT"},
        ForeignJpeg{"Orientation2", "cjpeg -outfile OUT SRC && exiftool -q -n -Orientation=2 -overwrite_original OUT"},
        ForeignJpeg{"Orientation3", "cjpeg -outfile OUT SRC && exiftool -q -n -Orientation=3 -overwrite_original OUT"},
        ForeignJpeg{"Orientation4", "cjpeg -outfile OUT SRC && exiftool -q -n -Orientation=4 -overwrite_original OUT"},
        ForeignJpeg{"Orientation5", "cjpeg -outfile OUT SRC && exiftool -q -n -Orientation=5 -overwrite_original OUT"},
        ForeignJpeg{"Orientation6", "cjpeg -outfile OUT SRC && exiftool -q -n -Orientation=6 -overwrite_original OUT"},
        ForeignJpeg{"Orientation7", "cjpeg -outfile OUT SRC && exiftool -q -n -Orientation=7 -overwrite_original OUT"},
        ForeignJpeg{"Orientation8BigEndian", "cjpeg -outfile OUT SRC && exiftool -q -n -ExifByteOrder=MM -Orientation=8 -overwrite_original OUT"}),
    [](const auto& info) { return std::string(info.param.name); });

// A scratch file that cannot be written whole is left empty, and says why.
TEST_F(JpegDecodeTest, UnwritableBitmapFailsWithTheReason) {
  const std::string jpeg = Cjpeg("", "w.jpg");
  REQUIRE_FILE(jpeg);
  const ImageResult full = DecodeJpegFile(jpeg, "/dev/full");
  EXPECT_EQ(full, ImageStatus::DiskFull);
  EXPECT_EQ(full.error(), ENOSPC);
  const ImageResult missing = DecodeJpegFile(jpeg, Path("no/such.bmp"));
  EXPECT_EQ(missing, ImageStatus::WriteFailed);
  EXPECT_EQ(missing.error(), ENOENT);
}

TEST_F(JpegDecodeTest, ExifAndCommentSegmentsAreReadPast) {
  LUMAREL_SKIP_WITHOUT("convert", "exiftool");
  ASSERT_EQ(testing::Run("convert " + Path("src.ppm") + " -set comment hello " + Path("e.jpg")), 0);
  ASSERT_EQ(testing::Run("exiftool -overwrite_original -Make=Other " + Path("e.jpg")), 0);
  EXPECT_TRUE(DecodeJpegFile(Path("e.jpg"), Path("e.bmp")));
  DibImage dib = ReadBitmapFile(Path("e.bmp"));
  ASSERT_TRUE(dib);
  EXPECT_EQ(DibWidth(dib), kW);
  EXPECT_EQ(DibHeight(dib), kH);
}

// Every prefix and a spread of single-byte corruptions of a real file's
// headers: the decoder must neither crash nor read out of bounds.
TEST_F(JpegDecodeTest, HostileHeadersNeverCrash) {
  const std::string jpeg = Cjpeg("-progressive", "h.jpg");
  REQUIRE_FILE(jpeg);
  const Bytes j = ReadFileBytes(jpeg);
  const std::size_t headerEnd = std::min<std::size_t>(j.size(), 700);
  for (std::size_t n = 0; n < headerEnd; n += 7) {
    WriteFileBytes(Path("cut.jpg"), Bytes(j.begin(), j.begin() + static_cast<long>(n)));
    DecodeJpegFile(Path("cut.jpg"), Path("cut.bmp"));
  }
  for (std::size_t i = 2; i < headerEnd; i += 3) {
    Bytes bad = j;
    bad[i] ^= 0xA5;
    WriteFileBytes(Path("bad.jpg"), bad);
    DecodeJpegFile(Path("bad.jpg"), Path("bad.bmp"));
  }
  SUCCEED();
}

}  // namespace
}  // namespace lumarel
