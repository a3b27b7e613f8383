// SPDX-License-Identifier: MIT
#include "ExternalTools.h"
#include "imagefile/ExifFile.h"

#include <gtest/gtest.h>

#include <cstring>

#include "ImageTestSupport.h"
#include "PlatformFakes.h"
#include "imagefile/BitmapFile.h"
#include "imagefile/JpegDecode.h"
#include "imagefile/JpegEncode.h"
#include "imagefile/JpegStream.h"

namespace lumarel {
namespace {

using testing::Bytes;
using testing::ReadFileBytes;
using testing::WriteFileBytes;

constexpr std::size_t kTiff = 12;  // file offset of the TIFF header

class ExifFileTest : public testing::ScratchDir {
 protected:
  void SetUp() override {
    ScratchDir::SetUp();
    const char* old = std::getenv("TMPDIR");
    savedTmp_ = old ? old : "";
    hadTmp_ = old != nullptr;
    std::filesystem::create_directories(dir_ / "tmp");
    setenv("TMPDIR", Path("tmp").c_str(), 1);
    clock_.local = {2001, 3, 7, 9, 5, 2};
  }
  void TearDown() override {
    if (hadTmp_) {
      setenv("TMPDIR", savedTmp_.c_str(), 1);
    } else {
      unsetenv("TMPDIR");
    }
    ScratchDir::TearDown();
  }
  std::string Picture(int w, int h, const std::string& name = "pic.jpg") {
    EXPECT_TRUE(WriteBitmapFile(Path("pic.bmp"), testing::MakeDib24(w, h)));
    EXPECT_TRUE(EncodeJpegFile(Path("pic.bmp"), Path(name), "2x1,1x1,1x1", 75));
    return Path(name);
  }
  std::size_t TempFilesLeft() const {
    std::size_t n = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir_ / "tmp")) n += e.is_regular_file();
    return n;
  }
  std::uint32_t TiffLe32(const Bytes& f, std::uint32_t off) const { return bytes::Le32(&f[kTiff + off]); }
  std::string TiffText(const Bytes& f, std::uint32_t off) const {
    return std::string(reinterpret_cast<const char*>(&f[kTiff + off]));
  }
  testing::RecordingNotifier notifier_;
  testing::FakeClock clock_;
  std::string savedTmp_;
  bool hadTmp_ = false;
};

TEST_F(ExifFileTest, RecodeQualityIsTheCallersParameter) {
  // Our own encoder's tables are never reused, so the main picture is re-encoded
  // at the quality given; nothing set before the call is consulted.
  const std::string low = Picture(640, 480, "low.jpg");
  const std::string high = Picture(640, 480, "high.jpg");
  ASSERT_TRUE(WriteExifFile(low, low, 10, notifier_, clock_));
  ASSERT_TRUE(WriteExifFile(high, high, 95, notifier_, clock_));
  EXPECT_LT(ReadFileBytes(low).size(), ReadFileBytes(high).size());
}

TEST_F(ExifFileTest, FinishedFileLayout) {
  const std::string path = Picture(640, 480);
  const LocalTime taken{1999, 12, 30, 10, 7, 0};
  ASSERT_TRUE(WriteExifFile(path, path, 75, notifier_, clock_, PictureDates::Both(taken)));
  EXPECT_TRUE(notifier_.shown.empty());
  EXPECT_EQ(TempFilesLeft(), 0u);
  const Bytes f = ReadFileBytes(path);
  ASSERT_GT(f.size(), 600u);
  EXPECT_EQ(f[0], 0xFF);
  EXPECT_EQ(f[1], 0xD8);
  EXPECT_EQ(f[2], 0xFF);
  EXPECT_EQ(f[3], 0xE1);
  const std::size_t T = bytes::Be16(&f[4]) - 472u;
  EXPECT_EQ(0, std::memcmp(&f[6], "Exif\0\0II\x2A\0\x08\0\0\0", 14));
  // IFD offsets as laid out.
  EXPECT_EQ(bytes::Le16(&f[kTiff + 8]), 9);
  EXPECT_EQ(TiffLe32(f, 118), 370u);
  EXPECT_EQ(bytes::Le16(&f[kTiff + 186]), 9);
  EXPECT_EQ(bytes::Le16(&f[kTiff + 340]), 2);
  EXPECT_EQ(bytes::Le16(&f[kTiff + 370]), 6);
  EXPECT_EQ(TiffLe32(f, 10 + 8 * 12 + 8), 186u);           // Exif pointer
  EXPECT_EQ(TiffLe32(f, 188 + 8 * 12 + 8), 340u);          // interoperability pointer
  EXPECT_EQ(TiffLe32(f, 372 + 4 * 12 + 8), 464u);          // thumbnail offset
  EXPECT_EQ(TiffLe32(f, 372 + 5 * 12 + 8), T);             // thumbnail length
  EXPECT_EQ(TiffLe32(f, 188 + 6 * 12 + 8), 640u);
  EXPECT_EQ(TiffLe32(f, 188 + 7 * 12 + 8), 480u);
  EXPECT_EQ(TiffText(f, 166), "2001:03:07 09:05:02");  // DateTime: when written
  EXPECT_EQ(TiffText(f, 300), "1999:12:30 10:07:00");  // DateTimeOriginal: when taken
  EXPECT_EQ(TiffText(f, 320), "1999:12:30 10:07:00");  // DateTimeDigitized
  // Thumbnail from its FF D8 to its FF D9, then the main stream without SOI.
  ASSERT_GT(f.size(), 476 + T + 2);
  EXPECT_EQ(f[476], 0xFF);
  EXPECT_EQ(f[477], 0xD8);
  EXPECT_EQ(f[476 + T - 2], 0xFF);
  EXPECT_EQ(f[476 + T - 1], 0xD9);
  const Bytes thumb(f.begin() + 476, f.begin() + 476 + static_cast<long>(T));
  Bytes main = {0xFF, 0xD8};
  main.insert(main.end(), f.begin() + 476 + static_cast<long>(T), f.end());
  for (const Bytes& stream : {thumb, main}) {
    std::vector<std::uint8_t> markers;
    for (const testing::Segment& s : testing::Segments(stream)) markers.push_back(s.marker);
    EXPECT_EQ(markers, (std::vector<std::uint8_t>{0xD8, 0xDB, 0xC0, 0xC4, 0xDA}));
  }
  EXPECT_EQ(f[f.size() - 2], 0xFF);
  EXPECT_EQ(f[f.size() - 1], 0xD9);
}

// DateTimeOriginal and DateTimeDigitized: the caller's dates where it knows
// them, else the source's own (a picture saved again), else unknown; never the
// time of writing, which goes to DateTime alone.
TEST_F(ExifFileTest, PictureDatesComeFromTheCallerOrTheSourceNeverTheClock) {
  const LocalTime camera{1999, 12, 30, 10, 7, 0};
  const LocalTime scanned{2000, 1, 2, 3, 4, 5};
  const LocalTime later{2024, 5, 6, 7, 8, 9};
  const std::string blank = "    :  :     :  :  ";
  struct Case {
    const char* name;
    std::optional<PictureDates> source;  // the source written as Exif first, with these dates
    PictureDates given;
    std::string original, digitized;
  } cases[] = {
      {"no dates anywhere", std::nullopt, {}, blank, blank},
      {"caller's camera date", std::nullopt, PictureDates::Both(camera), "1999:12:30 10:07:00",
       "1999:12:30 10:07:00"},
      {"source's own kept", PictureDates{camera, scanned}, {}, "1999:12:30 10:07:00",
       "2000:01:02 03:04:05"},
      {"caller's date wins", PictureDates{camera, camera}, PictureDates::Both(later),
       "2024:05:06 07:08:09", "2024:05:06 07:08:09"},
      {"a date the source lacks stays unknown", PictureDates{camera, std::nullopt}, {},
       "1999:12:30 10:07:00", blank},
  };
  for (const Case& c : cases) {
    const std::string path = Picture(64, 48);
    if (c.source) {
      ASSERT_TRUE(WriteExifFile(path, path, 75, notifier_, clock_, *c.source)) << c.name;
    }
    testing::FakeClock saving;  // 2001-06-15 10:30
    ASSERT_TRUE(WriteExifFile(path, path, 75, notifier_, saving, c.given)) << c.name;
    const Bytes f = ReadFileBytes(path);
    EXPECT_EQ(TiffText(f, 166), "2001:06:15 10:30:00") << c.name;
    EXPECT_EQ(TiffText(f, 300), c.original) << c.name;
    EXPECT_EQ(TiffText(f, 320), c.digitized) << c.name;
    EXPECT_EQ(JpegPictureDates(std::span<const std::uint8_t>(f)),
              (PictureDates{ParseExifDate(c.original), ParseExifDate(c.digitized)}))
        << c.name;
  }
}

TEST_F(ExifFileTest, ReusesStandardScanData) {
  // A compacted stream holds its four standard tables in one DHT segment.
  const std::string path = Picture(64, 48, "src.jpg");
  MemoryBlock compact = CompactJpegStream(ReadWholeFile(path));
  ASSERT_TRUE(compact);
  const Bytes source(compact.data(), compact.data() + JpegStreamLength(compact));
  WriteFileBytes(path, source);
  ASSERT_TRUE(WriteExifFile(path, path, 75, notifier_, clock_));
  const Bytes f = ReadFileBytes(path);
  const std::size_t T = bytes::Be16(&f[4]) - 472u;
  EXPECT_TRUE(std::equal(source.begin() + 2, source.end(), f.begin() + 476 + static_cast<long>(T)));
  EXPECT_EQ(TempFilesLeft(), 0u);
}

TEST_F(ExifFileTest, NotAJpeg) {
  WriteFileBytes(Path("b.jpg"), testing::MakeBmp({}));
  const Bytes before = ReadFileBytes(Path("b.jpg"));
  EXPECT_FALSE(WriteExifFile(Path("b.jpg"), Path("b.jpg"), 75, notifier_, clock_));
  ASSERT_EQ(notifier_.shown.size(), 1u);
  EXPECT_EQ(notifier_.shown[0].text, "This is not a Jpeg file.");
  EXPECT_EQ(notifier_.shown[0].caption, "Error");
  EXPECT_EQ(ReadFileBytes(Path("b.jpg")), before);
  EXPECT_FALSE(WriteExifFile(Path("missing.jpg"), Path("missing.jpg"), 75, notifier_, clock_));
  EXPECT_EQ(TempFilesLeft(), 0u);
}

TEST_F(ExifFileTest, UndecodableJpegLeavesNoTemporaryFiles) {
  WriteFileBytes(Path("u.jpg"), Bytes{0xFF, 0xD8, 0xFF, 0xDA, 0x00, 0x02, 1, 2, 3});
  EXPECT_FALSE(WriteExifFile(Path("u.jpg"), Path("u.jpg"), 75, notifier_, clock_));
  ASSERT_EQ(notifier_.shown.size(), 1u);
  EXPECT_EQ(notifier_.shown[0].text, "Can not change the exif format.");
  EXPECT_EQ(TempFilesLeft(), 0u);
}

TEST_F(ExifFileTest, SegmentAllocationFailureIsSilent) {
  const std::string path = Picture(32, 16);
  const Bytes before = ReadFileBytes(path);
  ScopedAllocationFailure fail;
  EXPECT_FALSE(WriteExifFile(path, path, 75, notifier_, clock_));
  EXPECT_TRUE(notifier_.shown.empty());
  EXPECT_EQ(ReadFileBytes(path), before);
}

TEST_F(ExifFileTest, ExistingExifAndCommentSegmentsAreReplaced) {
  LUMAREL_SKIP_WITHOUT("convert", "exiftool");
  const std::string path = Path("x.jpg");
  ASSERT_EQ(testing::Run("convert -size 80x60 gradient:yellow-navy -set comment hello " + path), 0);
  ASSERT_EQ(testing::Run("exiftool -overwrite_original -Make=Other -Artist=Someone " + path), 0);
  ASSERT_TRUE(WriteExifFile(path, path, 75, notifier_, clock_));
  const Bytes f = ReadFileBytes(path);
  int appSegments = 0;
  for (const testing::Segment& s : testing::Segments(f)) {
    appSegments += (s.marker >= 0xE0 && s.marker <= 0xEF) || s.marker == 0xFE;
  }
  EXPECT_EQ(appSegments, 1);
  EXPECT_EQ(TiffLe32(f, 188 + 6 * 12 + 8), 80u);
}

TEST_F(ExifFileTest, GreyscaleSourceGetsAColourThumbnail) {
  LUMAREL_SKIP_WITHOUT("cjpeg");
  WriteFileBytes(Path("g.bmp"), testing::MakeBmp({}));
  ASSERT_EQ(testing::Run("cjpeg -grayscale -outfile " + Path("g.jpg") + " " + Path("g.bmp")), 0);
  ASSERT_TRUE(WriteExifFile(Path("g.jpg"), Path("g.jpg"), 75, notifier_, clock_));
  ASSERT_TRUE(DecodeJpegFile(Path("g.jpg"), Path("back.bmp")));
  EXPECT_EQ(DibWidth(ReadBitmapFile(Path("back.bmp"))), 16);
}

// Independent readers of the written file.
class ExifOracles : public ExifFileTest {};

TEST_F(ExifOracles, ExiftoolValidates) {
  if (!testing::HaveTool("exiftool")) GTEST_SKIP() << "exiftool not available";
  const std::string path = Picture(640, 480);
  ASSERT_TRUE(WriteExifFile(path, path, 75, notifier_, clock_,
                            PictureDates::Both(LocalTime{1999, 12, 30, 10, 7, 0})));
  const std::string validate = testing::Capture("exiftool -validate -warning -a " + path);
  EXPECT_EQ(validate.find("Error"), std::string::npos) << validate;
  EXPECT_NE(validate.find("Validate                        : OK"), std::string::npos) << validate;
  const std::string tags = testing::Capture(
      "exiftool -s -s -s -Make -Model -Software -ModifyDate -DateTimeOriginal -CreateDate "
      "-ExifImageWidth -ExifImageHeight " + path);
  // exiftool trims trailing spaces when it prints; its verbose dump shows the raw bytes.
  EXPECT_NE(testing::Capture("exiftool -v3 " + path).find("[QD-K7700 .]"), std::string::npos);
  EXPECT_EQ(tags,
            "Quorandel\nQD-K7700\nVer.1.0\n2001:03:07 09:05:02\n1999:12:30 10:07:00\n"
            "1999:12:30 10:07:00\n640\n480\n") << tags;
  ASSERT_EQ(std::system(("exiftool -b -ThumbnailImage " + path + " > " + Path("thumb.jpg")).c_str()), 0);
  if (!testing::HaveTool("djpeg")) GTEST_SKIP() << "djpeg not available";
  EXPECT_EQ(testing::Capture("djpeg -pnm " + Path("thumb.jpg") + " | head -c 11"), "P6\n160 120\n");
  EXPECT_EQ(testing::Capture("djpeg -pnm " + path + " | head -c 11"), "P6\n640 480\n");
}

TEST_F(ExifOracles, Exiv2ReadsTheTags) {
  if (!testing::HaveTool("exiv2")) GTEST_SKIP() << "exiv2 not available";
  const std::string path = Picture(480, 640);
  ASSERT_TRUE(WriteExifFile(path, path, 75, notifier_, clock_));
  const std::string out = testing::Capture("exiv2 -pa " + path);
  for (const char* line : {"Exif.Image.Make", "Quorandel", "Exif.Image.Model", "QD-K7700",
                           "Exif.Image.Software", "Ver.1.0", "Exif.Photo.DateTimeOriginal",
                           "Exif.Photo.DateTimeDigitized", "Exif.Image.DateTime", "2001:03:07 09:05:02",
                           "Exif.Photo.PixelXDimension", "Exif.Photo.PixelYDimension",
                           "Exif.Thumbnail.JPEGInterchangeFormat", "Exif.Iop.InteroperabilityIndex"}) {
    EXPECT_NE(out.find(line), std::string::npos) << line << "\n" << out;
  }
  EXPECT_EQ(testing::Capture("exiv2 -Pv -K Exif.Image.Model " + path), "QD-K7700 \n");
  EXPECT_NE(out.find("Exif.Photo.PixelXDimension                   Long        1  480"), std::string::npos) << out;
}

}  // namespace
}  // namespace lumarel
