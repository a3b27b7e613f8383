// SPDX-License-Identifier: MIT
// Opening JPEG and BMP files into the 640 x 480 workspace: placement, cutting,
// the content deciding how a file is read, the blocks of the new window,
// and the whole command with its dialog answered by program.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "BmpVariants.h"
#include "DialogSupport.h"
#include "ExternalTools.h"
#include "imagefile/BitmapFile.h"
#include "imagefile/ExifFile.h"
#include "shell/OpenByContent.h"
#include "shell/OpenDialog.h"
#include "windows/ModalRunner.h"

namespace lumarel {
namespace {

using testing::Convert;
using testing::IsBlack;
using testing::PixelAt;

class OpenDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    jpeg_ = env_.Path("small.jpg");
    bmp_ = env_.Path("big.bmp");
    LUMAREL_SKIP_WITHOUT("convert");
    ASSERT_TRUE(Convert("-size 320x240 xc:'rgb(200,40,40)' -quality 95 " + jpeg_));
    ASSERT_TRUE(Convert("-size 800x600 -seed 7 plasma: -type TrueColor BMP3:" + bmp_));
    record_.initialDirectory = &env_.state.InitialDirectory;
  }
  std::span<const std::uint8_t> Canvas() const {
    return env_.state.Buffers.PictureWorkspace.bytes();
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const auto& m : env_.notifier.shown) texts.push_back(m.caption + ": " + m.text);
    return texts;
  }
  std::optional<OpenedPicture> Load(int filterIndex, const std::string& path) {
    record_.filterIndex = filterIndex;
    record_.fileName = path;
    record_.fileTitle = path.substr(path.rfind('/') + 1);
    return LoadChosenPicture(record_, env_.state, env_.notifier);
  }

  testing::PreparedState env_;
  FileDialogRecord record_;
  std::string jpeg_;
  std::string bmp_;
};

TEST_F(OpenDialogTest, JpegIsCentredOnBlackInTheWorkspace) {
  auto opened = Load(kOpenFilterJpeg, jpeg_);
  ASSERT_TRUE(opened);
  EXPECT_TRUE(env_.notifier.shown.empty());
  const auto canvas = Canvas();
  EXPECT_EQ(DibWidth(canvas), 640);
  EXPECT_EQ(DibHeight(canvas), 480);
  EXPECT_EQ(DibBitCount(canvas), 24);
  // Rows 120..359 and columns 160..479 hold the picture, the rest is black.
  for (auto [x, y] : {std::pair{160, 120}, {479, 120}, {160, 359}, {479, 359}, {320, 240}}) {
    const auto bgr = PixelAt(canvas, x, y);
    EXPECT_NEAR(bgr[2], 200, 6) << x << "," << y;
    EXPECT_NEAR(bgr[0], 40, 6) << x << "," << y;
  }
  for (auto [x, y] : {std::pair{159, 200}, {480, 200}, {300, 119}, {300, 360}, {0, 0}}) {
    EXPECT_TRUE(IsBlack(PixelAt(canvas, x, y))) << x << "," << y;
  }
}

TEST_F(OpenDialogTest, LargeBitmapKeepsItsCentreAndWarnsOnce) {
  auto opened = Load(kOpenFilterBitmap, bmp_);
  ASSERT_TRUE(opened);
  EXPECT_EQ(Texts(), std::vector<std::string>{"ERROR: Part of the image will be cut off."});
  EXPECT_EQ(env_.notifier.shown[0].icon, MessageIcon::Exclamation);
  DibImage file = ReadBitmapFile(bmp_);
  ASSERT_TRUE(file);
  ASSERT_EQ(DibBitCount(file), 24);
  // (800 - 640) / 8 * 4 = 80 columns and (600 - 480) / 2 = 60 rows are cut on each side.
  for (auto [x, y] : {std::pair{0, 0}, {639, 0}, {0, 479}, {639, 479}, {321, 207}}) {
    EXPECT_EQ(PixelAt(Canvas(), x, y), PixelAt(file.bytes(), x + 80, y + 60)) << x << "," << y;
  }
}

// The Open command shows every common BMP layout as ImageMagick decodes it.
class OpenCommandBmpLayouts : public OpenDialogTest,
                              public ::testing::WithParamInterface<testing::BmpVariant> {};

TEST_P(OpenCommandBmpLayouts, WorkspaceHoldsImageMagicksPixels) {
  const std::string path = testing::MakeBmpVariant(env_.dir.Path(), GetParam(), 322, 241);
  ASSERT_FALSE(path.empty());
  const auto oracle = testing::ImageMagickRgb(path);
  ASSERT_EQ(oracle.size(), 322u * 241 * 3);
  ASSERT_TRUE(Load(kOpenFilterBitmap, path));
  EXPECT_TRUE(env_.notifier.shown.empty());
  const bool paletted = testing::BmpBitCount(testing::FileBytes(path)) <= 8;
  const auto expected = testing::ExpectedCanvasRows(oracle, 322, 241, paletted);
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), Canvas().begin() + 40));
}

INSTANTIATE_TEST_SUITE_P(ImageMagick, OpenCommandBmpLayouts,
                         ::testing::ValuesIn(testing::BmpVariants()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(OpenDialogTest, OpenedPictureCarriesTheWorkspaceAndTitle) {
  auto opened = Load(kOpenFilterJpeg, jpeg_);
  ASSERT_TRUE(opened);
  const ImageDocInit& init = opened->init;
  EXPECT_EQ(init.PictureIndex, 0);
  EXPECT_EQ(init.Modified, 0);
  EXPECT_EQ(init.ViewWidth, 636);
  EXPECT_EQ(init.ViewHeight, 478);
  ASSERT_EQ(init.PictureBlock.size(), kPictureBlockSize);
  EXPECT_EQ(0, std::memcmp(init.PictureBlock.data(), Canvas().data(), kPictureBlockSize));
  EXPECT_FALSE(init.PaletteBlock);
  EXPECT_EQ(opened->title, "small.jpg");
  EXPECT_EQ(opened->path, jpeg_);
}

// A JPEG's own Exif dates go with its window, so a Save As keeps when it was taken.
TEST_F(OpenDialogTest, AJpegsOwnExifDatesGoWithItsWindow) {
  auto plain = Load(kOpenFilterJpeg, jpeg_);
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->init.Taken, PictureDates{});
  const PictureDates taken{LocalTime{2005, 7, 8, 9, 10, 11}, std::nullopt};
  ASSERT_TRUE(WriteExifFile(jpeg_, jpeg_, 75, env_.notifier, SystemClock(), taken));
  auto dated = Load(kOpenFilterJpeg, jpeg_);
  ASSERT_TRUE(dated);
  EXPECT_EQ(dated->init.Taken, taken);
}

TEST_F(OpenDialogTest, PaletteDisplayGetsAPaletteBlock) {
  env_.state.PaletteDisplay = true;
  auto opened = Load(kOpenFilterBitmap, bmp_);
  ASSERT_TRUE(opened);
  EXPECT_EQ(opened->init.PaletteBlock.size(), kLogicalPaletteSize);
}

// The file's first bytes decide, not the filter the user left selected nor
// the name: a BMP named .JPG and a JPEG named .bmp open as what they are.
TEST_F(OpenDialogTest, ContentDecidesWhateverTheFilterAndTheName) {
  const std::string bmpAsJpg = env_.Path("misnamed.JPG");
  const std::string jpegAsBmp = env_.Path("misnamed.bmp");
  std::filesystem::copy_file(bmp_, bmpAsJpg);
  std::filesystem::copy_file(jpeg_, jpegAsBmp);
  const struct {
    int filter;
    std::string path;
    std::vector<std::string> messages;
  } cases[] = {
      {kOpenFilterJpeg, bmpAsJpg, {"ERROR: Part of the image will be cut off."}},
      {kOpenFilterBitmap, bmpAsJpg, {"ERROR: Part of the image will be cut off."}},
      {kOpenFilterBitmap, jpegAsBmp, {}},
      {kOpenFilterJpeg, jpegAsBmp, {}},
      {3, jpeg_, {}},
  };
  for (const auto& c : cases) {
    env_.notifier.shown.clear();
    EXPECT_TRUE(Load(c.filter, c.path)) << c.filter << " " << c.path;
    EXPECT_EQ(Texts(), c.messages) << c.filter << " " << c.path;
    const auto bgr = PixelAt(Canvas(), 320, 240);
    if (c.path == bmpAsJpg) {
      EXPECT_EQ(bgr, PixelAt(ReadBitmapFile(bmp_).bytes(), 400, 300)) << c.filter;
    } else {
      EXPECT_NEAR(bgr[2], 200, 6) << c.filter << " " << c.path;
    }
  }
}

// A file that is neither is refused by the reader the filter names.
TEST_F(OpenDialogTest, NeitherTypeIsRefusedAsTheFilterSays) {
  const std::string text = env_.Path("notes.jpg");
  std::ofstream(text) << "not a picture\n";
  EXPECT_FALSE(Load(kOpenFilterJpeg, text));
  EXPECT_FALSE(Load(kOpenFilterBitmap, text));
  EXPECT_EQ(Texts(), (std::vector<std::string>{"ERROR: This file type is wrong.",
                                               "ERROR: This file type is wrong."}));
}

TEST_F(OpenDialogTest, UnknownFilterOrMissingFileIsNotFound) {
  const std::string text = env_.Path("notes.txt");
  std::ofstream(text) << "not a picture\n";
  EXPECT_FALSE(Load(3, text));
  EXPECT_FALSE(Load(kOpenFilterBitmap, env_.Path("gone.bmp")));
  EXPECT_EQ(Texts(), (std::vector<std::string>{"ERROR: This file could not be found. ",
                                               "ERROR: This file could not be found. "}));
}

TEST_F(OpenDialogTest, ShortMemoryOpensNoWindow) {
  env_.state.Buffers.PictureWorkspace.Reset();
  EXPECT_FALSE(Load(kOpenFilterJpeg, jpeg_));
  ASSERT_EQ(Texts(), std::vector<std::string>{"Global Memory: Not enough memory."});
}

TEST_F(OpenDialogTest, FailedWindowBlockShowsNotEnoughMemory) {
  // The JPEG decode and the file read allocate through other means; the window's block fails.
  ScopedAllocationFailure fail(0);
  EXPECT_FALSE(Load(kOpenFilterBitmap, bmp_));
  EXPECT_EQ(Texts().back(), "Global Memory: Not enough memory.");
}

// The whole command with the dialog answered by program: the chosen filter
// and directory are remembered for the next dialog.
TEST_F(OpenDialogTest, CommandRemembersFilterAndDirectory) {
  std::vector<QString> offered;
  SetModalHook([&](QDialog& dialog) {
    auto& open = dynamic_cast<OpenDialog&>(dialog);
    offered.push_back(open.selectedNameFilter());
    open.selectNameFilter(open.nameFilters()[1]);
    open.selectFile(QString::fromStdString(bmp_));
    static_cast<QDialog&>(open).accept();  // the dialog's own checks run
    return open.result();
  });
  auto opened = RunOpenCommand(env_.state, record_, env_.notifier, nullptr);
  ASSERT_TRUE(opened);
  EXPECT_EQ(opened->title, "big.bmp");
  EXPECT_EQ(record_.filterIndex, kOpenFilterBitmap);
  EXPECT_EQ(env_.state.InitialDirectory, env_.dir.Path());
  EXPECT_EQ(record_.defaultExtension, "bmp");

  // The next dialog offers the bitmap filter; a cancelled one opens nothing.
  SetModalHook([&](QDialog& dialog) {
    offered.push_back(dynamic_cast<OpenDialog&>(dialog).selectedNameFilter());
    return static_cast<int>(QDialog::Rejected);
  });
  EXPECT_FALSE(RunOpenCommand(env_.state, record_, env_.notifier, nullptr));
  SetModalHook(nullptr);
  ASSERT_EQ(offered.size(), 2u);
  EXPECT_TRUE(offered[0].startsWith("JPEG (*.JPG)"));
  EXPECT_TRUE(offered[1].startsWith("Bitmap (*.BMP)"));
  EXPECT_EQ(record_.filterIndex, kOpenFilterBitmap);
}

TEST_F(OpenDialogTest, CommandOpensAJpegChosenUnderTheBitmapFilter) {
  SetModalHook([&](QDialog& dialog) {
    auto& open = dynamic_cast<OpenDialog&>(dialog);
    open.selectNameFilter(open.nameFilters()[1]);
    open.selectFile(QString::fromStdString(jpeg_));
    static_cast<QDialog&>(open).accept();  // the dialog's own checks run
    return open.result();
  });
  const std::optional<OpenedPicture> opened =
      RunOpenCommand(env_.state, record_, env_.notifier, nullptr);
  SetModalHook(nullptr);
  ASSERT_TRUE(opened);
  EXPECT_EQ(opened->title, "small.jpg");
  EXPECT_TRUE(env_.notifier.shown.empty());
  EXPECT_NEAR(PixelAt(Canvas(), 320, 240)[2], 200, 6);
}

// Files named from outside the dialog (command line, another lumarel, drops,
// recent files) are read as their content says, and messages name them.
TEST_F(OpenDialogTest, FilesFromOutsideAreReadByContentAndNamedInMessages) {
  const std::string bmpNoExtension = env_.Path("from-file-manager");
  const std::string jpegAsBmp = env_.Path("misnamed.bmp");
  const std::string text = env_.Path("notes.jpg");
  std::filesystem::copy_file(bmp_, bmpNoExtension);
  std::filesystem::copy_file(jpeg_, jpegAsBmp);
  std::ofstream(text) << "not a picture\n";
  const struct {
    std::string path;
    bool opens;
    std::string message;
  } cases[] = {
      {bmpNoExtension, true, "ERROR: " + bmpNoExtension + ": Part of the image will be cut off."},
      {jpegAsBmp, true, ""},
      {text, false, "ERROR: This file type is wrong.\n" + text},
      {env_.Path("missing.jpg"), false,
       "ERROR: This file could not be found.\n" + env_.Path("missing.jpg")},
      {env_.dir.Path(), false, "ERROR: This file type is wrong.\n" + env_.dir.Path()},
  };
  for (const auto& c : cases) {
    env_.notifier.shown.clear();
    std::optional<OpenedPicture> opened = LoadPictureFile(c.path, env_.state, env_.notifier);
    EXPECT_EQ(opened.has_value(), c.opens) << c.path;
    EXPECT_EQ(Texts(), c.message.empty() ? std::vector<std::string>{}
                                         : std::vector<std::string>{c.message})
        << c.path;
    if (opened) {
      EXPECT_EQ(opened->path, c.path);
      EXPECT_EQ(env_.state.RecentFiles.front(), c.path);
    }
  }
  // A relative name is made absolute.
  const std::filesystem::path here = std::filesystem::current_path();
  std::filesystem::current_path(env_.dir.Path());
  const std::optional<OpenedPicture> relative =
      LoadPictureFile("misnamed.bmp", env_.state, env_.notifier);
  std::filesystem::current_path(here);
  ASSERT_TRUE(relative);
  EXPECT_EQ(relative->path, jpegAsBmp);
}

TEST(FileDialogRecordTest, FiltersAndDefaults) {
  FileDialogRecord record;
  EXPECT_EQ(record.filterIndex, 0);
  EXPECT_EQ(record.defaultExtension, "bmp");
  EXPECT_EQ(QtNameFilters(OpenFilters()),
            (QStringList{"JPEG (*.JPG) (*.jpg *.jpeg *.jpe)", "Bitmap (*.BMP) (*.bmp)"}));
  EXPECT_EQ(QtNameFilters(SaveFilters()),
            (QStringList{"JPEG (*.JPG) (*.jpg)", "Full Color BMP (*.BMP) (*.bmp)",
                         "256 Color BMP (*.BMP) (*.bmp)"}));
}

}  // namespace
}  // namespace lumarel
