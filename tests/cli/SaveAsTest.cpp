// SPDX-License-Identifier: MIT
// Save As without the dialog, the Open command's reading and the upload
// preparation, over synthetic pictures.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "PlatformFakes.h"
#include "pictureio/OpenPicture.h"
#include "pictureio/SaveAs.h"
#include "pictureio/UploadPreparation.h"
#include "imagefile/BitmapFile.h"
#include "imagefile/DibImage.h"
#include "imagefile/TempFile.h"

namespace lumarel {
namespace {

using testing::RecordingNotifier;

DibImage Picture(int w, int h) {
  DibImage dib = AllocateBlock(kPictureBlockSize);
  WriteDibHeader(dib, w, h, 24);
  std::uint8_t* p = DibPixels(dib);
  for (std::size_t i = 0; i < DibStride(w, 24) * h; ++i) p[i] = static_cast<std::uint8_t>(i * 7 / 5);
  return dib;
}

std::string Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

class SaveAsFixture : public ::testing::Test {
 protected:
  SaveServices Services(std::uint64_t free) {
    return {&notifier_, &clock_, a_.path(), b_.path(),
            [free](const std::string&) { return std::optional<std::uint64_t>(free); }};
  }
  std::string Out() const { return out_.path(); }
  RecordingNotifier notifier_;
  testing::FakeClock clock_;
  TempFileGuard a_{MakeTempFile()}, b_{MakeTempFile()}, out_{MakeTempFile()};
};

struct SizeCase {
  SaveWindow window;
  SaveFileType type;
  std::size_t size;  // 0: a JPEG file
};

class SaveAsSizes : public SaveAsFixture, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(SaveAsSizes, WritesTheFileOfItsType) {
  const SizeCase c = GetParam();
  const DibImage pic = Picture(640, 480);
  ASSERT_EQ(SavePictureFile(pic, Out(), c.type, c.window, Services(1ull << 40)), SaveResult::Saved);
  const std::string b = Bytes(Out());
  if (c.size != 0) {
    EXPECT_EQ(b.size(), c.size);
    EXPECT_EQ(b.substr(0, 2), "BM");
    return;
  }
  ASSERT_GT(b.size(), 4u);
  EXPECT_EQ(std::uint8_t(b[0]), 0xFF);
  EXPECT_EQ(std::uint8_t(b[1]), 0xD8);
  // Capture and file windows write Exif files; the Live window a plain JPEG.
  EXPECT_EQ(b.find("Exif") != std::string::npos, c.window != SaveWindow::Live);
}

INSTANTIATE_TEST_SUITE_P(
    Windows, SaveAsSizes,
    ::testing::Values(SizeCase{SaveWindow::Capture, SaveFileType::FullColourBmp, 921654},
                      SizeCase{SaveWindow::File, SaveFileType::FullColourBmp, 921654},
                      SizeCase{SaveWindow::Live, SaveFileType::FullColourBmp, 921654},
                      SizeCase{SaveWindow::Capture, SaveFileType::Bmp256, 308278},
                      SizeCase{SaveWindow::Live, SaveFileType::Bmp256, 308278},
                      SizeCase{SaveWindow::Capture, SaveFileType::Jpeg, 0},
                      SizeCase{SaveWindow::File, SaveFileType::Jpeg, 0},
                      SizeCase{SaveWindow::Live, SaveFileType::Jpeg, 0}));

struct FullCase {
  SaveWindow window;
  SaveFileType type;
  const char* caption;
};

class SaveAsDiskFull : public SaveAsFixture, public ::testing::WithParamInterface<FullCase> {};

TEST_P(SaveAsDiskFull, SaysSoUnderTheWindowsCaptionAndWritesNothing) {
  const FullCase c = GetParam();
  std::remove(Out().c_str());
  ASSERT_EQ(SavePictureFile(Picture(640, 480), Out(), c.type, c.window, Services(100)),
            SaveResult::DiskFull);
  ASSERT_EQ(notifier_.shown.size(), 1u);
  EXPECT_EQ(notifier_.shown[0].text, "Disk is full.");
  EXPECT_EQ(notifier_.shown[0].caption, c.caption);
  struct stat st {};
  EXPECT_NE(::stat(Out().c_str(), &st), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Captions, SaveAsDiskFull,
    ::testing::Values(FullCase{SaveWindow::Capture, SaveFileType::Jpeg, "CARD LINK"},
                      FullCase{SaveWindow::Capture, SaveFileType::Bmp256, "CARD LINK"},
                      FullCase{SaveWindow::File, SaveFileType::Jpeg, "Lumarel"},
                      FullCase{SaveWindow::File, SaveFileType::FullColourBmp, "CARD LINK"},
                      FullCase{SaveWindow::Live, SaveFileType::Jpeg, "Lumarel"},
                      FullCase{SaveWindow::Live, SaveFileType::Bmp256, "Lumarel"}));

TEST_F(SaveAsFixture, The256ColourNeedIsTheFullColourSizeOnlyForCaptures) {
  const DibImage pic = Picture(640, 480);
  EXPECT_EQ(SavePictureFile(pic, Out(), SaveFileType::Bmp256, SaveWindow::Capture, Services(921653)),
            SaveResult::DiskFull);
  EXPECT_EQ(SavePictureFile(pic, Out(), SaveFileType::Bmp256, SaveWindow::Capture, Services(921654)),
            SaveResult::Saved);
  EXPECT_EQ(SavePictureFile(pic, Out(), SaveFileType::Bmp256, SaveWindow::File, Services(308278)),
            SaveResult::Saved);
  EXPECT_EQ(SavePictureFile(pic, Out(), SaveFileType::Bmp256, SaveWindow::File, Services(308277)),
            SaveResult::DiskFull);
}

TEST_F(SaveAsFixture, ACapturedPictureKeepsItsOwnSize) {
  ASSERT_EQ(SavePictureFile(Picture(320, 240), Out(), SaveFileType::FullColourBmp,
                            SaveWindow::Capture, Services(1 << 30)),
            SaveResult::Saved);
  EXPECT_EQ(Bytes(Out()).size(), 54u + 320 * 240 * 3);
}

TEST_F(SaveAsFixture, OpenCentresASmallBitmapOnTheCanvas) {
  const DibImage small = Picture(320, 240);
  ASSERT_TRUE(WriteBitmapFile(a_.path(), std::span<const std::uint8_t>(small).first(
                                             DibContentSize(small))));
  const std::string bmpPath = a_.path() + ".bmp";
  std::rename(a_.path().c_str(), bmpPath.c_str());
  OpenedCanvas opened = OpenPictureFile(bmpPath, b_.path(), notifier_);
  std::remove(bmpPath.c_str());
  ASSERT_EQ(opened.result, ImageStatus::Done);
  EXPECT_EQ(DibWidth(opened.canvas), 640);
  const std::uint8_t* rows = DibPixels(opened.canvas);
  EXPECT_EQ(rows[0], 0);  // black margin
  // File row 0 lands at canvas row 120, pixel 160.
  EXPECT_EQ(0, std::memcmp(rows + 120 * 1920 + 160 * 3, DibPixels(small), 320 * 3));
  EXPECT_TRUE(notifier_.shown.empty());
}

TEST_F(SaveAsFixture, OpenOfAMissingFileSaysItCouldNotBeFound) {
  const OpenedCanvas opened = OpenPictureFile("/nonexistent/x.jpg", b_.path(), notifier_);
  EXPECT_EQ(opened.result, ImageStatus::NotFound);
  ASSERT_EQ(notifier_.shown.size(), 1u);
  EXPECT_EQ(notifier_.shown[0].text, "This file could not be found. ");
}

TEST(UploadRecodeQuality, ChoosesByTheEncodedSize) {
  EXPECT_EQ(UploadRecodeQuality(true, 90112), 70);
  EXPECT_EQ(UploadRecodeQuality(true, 90113), 45);
  EXPECT_EQ(UploadRecodeQuality(false, 39936), 70);
  EXPECT_EQ(UploadRecodeQuality(false, 39937), 60);
}

TEST_F(SaveAsFixture, UploadPreparationMakesExifPictureAndQuarterThumbnail) {
  const DibImage pic = Picture(640, 480);
  for (bool fine : {true, false}) {
    const PreparedUpload up = PrepareUpload(pic, fine, a_.path(), b_.path(), notifier_, clock_);
    ASSERT_TRUE(up.ok);
    EXPECT_EQ(up.picture[0], 0xFF);
    EXPECT_NE(std::string(up.picture.begin(), up.picture.end()).find("Exif"), std::string::npos);
    EXPECT_EQ(up.preview[1], 0xD8);
    EXPECT_EQ(DibWidth(up.thumbnail), 160);
    EXPECT_EQ(DibHeight(up.thumbnail), 120);
  }
}

}  // namespace
}  // namespace lumarel
