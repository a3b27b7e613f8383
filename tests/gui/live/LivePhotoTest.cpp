// SPDX-License-Identifier: MIT
// The zoom still outside the window: its two widenings, the file window's
// record, the proposed name and the three kinds of Save As.
#include <gtest/gtest.h>

#include <QFileDialog>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "LiveSupport.h"
#include "imagefile/BitmapFile.h"
#include "windows/LivePhoto.h"
#include "windows/LivePhotoSave.h"
#include "windows/ModalRunner.h"

namespace lumarel::testing {
namespace {

// A photo whose first colour byte of pixel x in every row is x mod 251, the
// others fixed: easy to follow through a row stretch.
std::vector<std::uint8_t> RampPhoto() {
  return MakeDib(640, 480, kPictureBlockSize, [](int x, int) { return QColor(7, 9, x % 251); });
}

const std::uint8_t* TopRow(const std::vector<std::uint8_t>& dib) {
  return dib.data() + kDibInfoHeaderSize + std::size_t(479) * 1920;
}

TEST(LivePhotoWidth, AllColumnsAreCopiedWholeWithoutTheVariant) {
  const auto photo = RampPhoto();
  std::vector<std::uint8_t> workspace(kPictureBlockSize, 0xEE);
  ASSERT_TRUE(LivePhotoToFullWidth(photo, workspace, false));
  EXPECT_EQ(workspace, photo);
  std::vector<std::uint8_t> saved(kPictureBlockSize, 0xEE);
  ASSERT_TRUE(LivePhotoForSave(photo, saved, false));
  EXPECT_EQ(saved, photo);
}

TEST(LivePhotoWidth, VariantInterpolatesColumnsFourToFiveHundredEight) {
  const auto photo = RampPhoto();
  std::vector<std::uint8_t> workspace(kPictureBlockSize, 0);
  ASSERT_TRUE(LivePhotoToFullWidth(photo, workspace, true));
  const std::uint8_t* row = TopRow(workspace);
  EXPECT_EQ(row[0], (3 * 54 + 4 * 202) / 256);   // i = 3, f = 202
  EXPECT_EQ(row[3], (4 * 108 + 5 * 148) / 256);  // f passed 256: i = 4, f = 148
  EXPECT_EQ(row[3 * 639], 508 % 251);            // the last pixel is s[508]
  EXPECT_EQ(row[1], 9);
  EXPECT_EQ(std::memcmp(workspace.data(), photo.data(), kDibInfoHeaderSize), 0);
}

TEST(LivePhotoWidth, VariantSaveStretchesTheFirst512PixelsByGroups) {
  auto photo = RampPhoto();
  std::uint8_t* row = photo.data() + kDibInfoHeaderSize;  // bottom row
  const std::uint8_t values[] = {10, 20, 30, 40, 50};
  for (int i = 0; i < 5; ++i) row[3 * i] = values[i];
  std::vector<std::uint8_t> workspace(kPictureBlockSize, 0);
  ASSERT_TRUE(LivePhotoForSave(photo, workspace, true));
  const std::uint8_t* out = workspace.data() + kDibInfoHeaderSize;
  const int expected[] = {10, 18, 26, 34, 42};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(out[3 * i], expected[i]) << i;
}

TEST(LivePhotoWidth, BlocksTooSmallAreRefused) {
  const auto photo = RampPhoto();
  std::vector<std::uint8_t> small(1000, 0);
  EXPECT_FALSE(LivePhotoToFullWidth(photo, small, false));
  EXPECT_FALSE(LivePhotoToFullWidth(photo, small, true));
  std::vector<std::uint8_t> big(kPictureBlockSize, 0);
  EXPECT_FALSE(LivePhotoForSave(small, big, false));
  EXPECT_TRUE(std::all_of(small.begin(), small.end(), [](std::uint8_t b) { return b == 0; }));
}

TEST(LivePhotoDoc, IsAModifiedSixForty) {
  RecordingNotifier notifier;
  const auto photo = RampPhoto();
  auto init = MakeLivePhotoDoc(photo, true, notifier);
  ASSERT_TRUE(init);
  EXPECT_TRUE(std::equal(photo.begin(), photo.end(), init->PictureBlock.data()));
  EXPECT_EQ(init->PictureIndex, 0);
  EXPECT_EQ(init->Modified, 1);
  EXPECT_EQ(init->ViewWidth, 636);
  EXPECT_EQ(init->ViewHeight, 478);
  EXPECT_EQ(init->PictureBlock.size(), kPictureBlockSize);
  EXPECT_EQ(init->PaletteBlock.size(), kLogicalPaletteSize);
  EXPECT_FALSE(MakeLivePhotoDoc(photo, false, notifier)->PaletteBlock);
  EXPECT_TRUE(notifier.shown.empty());
}

TEST(LivePhotoDoc, NoPictureBlockMeansNoWindow) {
  RecordingNotifier notifier;
  const auto photo = RampPhoto();
  {
    ScopedAllocationFailure fail(0);
    EXPECT_FALSE(MakeLivePhotoDoc(photo, false, notifier));
  }
  ASSERT_EQ(notifier.shown.size(), 1u);
  EXPECT_EQ(notifier.shown[0].text, "Not enough memory.");
  EXPECT_EQ(notifier.shown[0].caption, "Global Memory");
  {
    ScopedAllocationFailure fail(1);  // the palette block fails: the window still opens
    EXPECT_TRUE(MakeLivePhotoDoc(photo, true, notifier));
  }
  EXPECT_EQ(notifier.shown.size(), 2u);
}

std::vector<std::uint8_t> ReadAll(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(f)), {});
}

std::uint32_t Le32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t(b[at + 3]) << 24;
}

// Marker segments of a JPEG file up to its scan: APPn presence and the first
// component's sampling byte of the frame header.
struct JpegLayout {
  bool hasExif = false;
  int lumaSampling = -1;
};
JpegLayout ReadLayout(const std::vector<std::uint8_t>& f) {
  JpegLayout layout;
  std::size_t at = 2;
  while (at + 4 <= f.size() && f[at] == 0xFF) {
    const int marker = f[at + 1];
    const std::size_t length = std::size_t(f[at + 2]) << 8 | f[at + 3];
    if (marker == 0xE1) layout.hasExif = true;
    if (marker == 0xC0 && at + 11 < f.size()) layout.lumaSampling = f[at + 11];
    if (marker == 0xDA) break;
    at += 2 + length;
  }
  return layout;
}

class LiveSaveAs : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    record_.initialDirectory = &initialDirectory_;
    context_.record = &record_;
    context_.save.notifier = &notifier_;
    context_.save.tempPathA = Path("tmpA");
    context_.save.tempPathB = Path("tmpB");
    context_.clock = &clock_;
    clock_.local = {2001, 12, 31, 9, 5, 0};
  }
  void TearDown() override { SetModalHook(nullptr); }
  std::string Path(const std::string& name) const { return dir_.filePath(QString::fromStdString(name)).toStdString(); }

  // Answers the save dialog with file type `filter` and `path`; records the proposed name.
  void Choose(int filter, const std::string& path) {
    SetModalHook([this, filter, path](QDialog& dialog) {
      auto& files = static_cast<QFileDialog&>(dialog);
      proposed_ = record_.fileName;
      acceptSave_ = files.acceptMode() == QFileDialog::AcceptSave;
      files.selectNameFilter(files.nameFilters()[filter - 1]);
      files.selectFile(QString::fromStdString(path));
      return int(QDialog::Accepted);
    });
  }
  std::optional<SaveResult> Save(bool variant) {
    return RunLiveSaveAs(photo_, workspace_, variant, context_);
  }

  QTemporaryDir dir_;
  std::string initialDirectory_;
  FileDialogRecord record_;
  RecordingNotifier notifier_;
  FakeClock clock_;
  LiveSaveContext context_;
  std::vector<std::uint8_t> photo_ = RampPhoto();
  std::vector<std::uint8_t> workspace_ = std::vector<std::uint8_t>(kPictureBlockSize, 0);
  std::string proposed_;
  bool acceptSave_ = false;
};

TEST_F(LiveSaveAs, JpegIsFourToOneSampledWithoutExif) {
  const std::string path = Path("photo.jpg");
  Choose(1, path);
  ASSERT_EQ(Save(false), SaveResult::Saved);
  EXPECT_EQ(proposed_, "01-12-31(9-5)");
  EXPECT_TRUE(acceptSave_);
  const auto file = ReadAll(path);
  ASSERT_GT(file.size(), 4u);
  EXPECT_EQ(file[0], 0xFF);
  EXPECT_EQ(file[1], 0xD8);
  const JpegLayout layout = ReadLayout(file);
  EXPECT_FALSE(layout.hasExif);
  EXPECT_EQ(layout.lumaSampling, 0x41);
  EXPECT_EQ(record_.filterIndex, 1);
  EXPECT_EQ(initialDirectory_, dir_.path().toStdString());
  EXPECT_TRUE(notifier_.shown.empty());
}

TEST_F(LiveSaveAs, FullColourBmpHoldsTheGroupStretchedPhoto) {
  const std::string path = Path("photo.bmp");
  Choose(2, path);
  ASSERT_EQ(Save(true), SaveResult::Saved);
  const auto file = ReadAll(path);
  ASSERT_EQ(file.size(), 921654u);
  EXPECT_EQ(Le32(file, 2), 921654u);
  EXPECT_EQ(Le32(file, 10), 54u);
  std::vector<std::uint8_t> expected(kPictureBlockSize, 0);
  ASSERT_TRUE(LivePhotoForSave(photo_, expected, true));
  EXPECT_TRUE(std::equal(file.begin() + 14, file.end(), expected.begin()));
}

TEST_F(LiveSaveAs, TwoHundredFiftySixColourBmp) {
  const std::string path = Path("photo8.bmp");
  Choose(3, path);
  ASSERT_EQ(Save(false), SaveResult::Saved);
  const auto file = ReadAll(path);
  ASSERT_EQ(file.size(), 308278u);
  EXPECT_EQ(Le32(file, 2), 308278u);
  EXPECT_EQ(Le32(file, 10), 1078u);
}

// The proposed name has no extension: each type gives it its own, and a name
// typed with the other type's extension gets it replaced.
TEST_F(LiveSaveAs, SavedNameTakesTheExtensionOfTheChosenType) {
  const struct {
    const char* typed;
    int filter;
    const char* saved;
  } cases[] = {{"01-12-31(9-5)", 1, "01-12-31(9-5).jpg"},
               {"01-12-31(9-5)", 2, "01-12-31(9-5).bmp"},
               {"still.jpg", 3, "still.bmp"},
               {"still.bmp", 1, "still.jpg"}};
  for (const auto& c : cases) {
    Choose(c.filter, Path(c.typed));
    ASSERT_EQ(Save(false), SaveResult::Saved) << c.saved;
    const auto file = ReadAll(Path(c.saved));
    ASSERT_GT(file.size(), 2u) << c.saved;
    EXPECT_EQ(file[0], c.filter == 1 ? 0xFF : 'B') << c.saved;
  }
  EXPECT_FALSE(std::filesystem::exists(Path("01-12-31(9-5)")));
}

TEST_F(LiveSaveAs, CancelWritesNothing) {
  SetModalHook([](QDialog&) { return int(QDialog::Rejected); });
  EXPECT_FALSE(Save(false));
  EXPECT_TRUE(std::filesystem::is_empty(dir_.path().toStdString()));
}

class LiveSaveAsDiskFull : public LiveSaveAs, public ::testing::WithParamInterface<int> {};

// Whatever the file type, a file system with too little room gets the same message.
TEST_P(LiveSaveAsDiskFull, SaysDiskIsFullAndWritesNothing) {
  context_.save.freeSpace = [](const std::string&) { return std::optional<std::uint64_t>(1000); };
  const std::string path = Path("full." + std::string(GetParam() == 1 ? "jpg" : "bmp"));
  Choose(GetParam(), path);
  EXPECT_EQ(Save(false), SaveResult::DiskFull);
  ASSERT_EQ(notifier_.shown.size(), 1u);
  EXPECT_EQ(notifier_.shown[0].text, "Disk is full.");
  EXPECT_EQ(notifier_.shown[0].caption, "Lumarel");
  EXPECT_EQ(notifier_.shown[0].icon, MessageIcon::Exclamation);
  EXPECT_FALSE(std::filesystem::exists(path));
}

INSTANTIATE_TEST_SUITE_P(AllTypes, LiveSaveAsDiskFull, ::testing::Values(1, 2, 3));

// The space asked of the file system is exactly what each type writes.
TEST_P(LiveSaveAsDiskFull, ExactlyEnoughRoomIsEnough) {
  std::uint64_t asked = 0;
  const std::uint64_t room = GetParam() == 2 ? 921654 : GetParam() == 3 ? 308278 : 0;
  context_.save.freeSpace = [&](const std::string& p) {
    asked = std::filesystem::exists(context_.save.tempPathB) && GetParam() == 1
                ? std::filesystem::file_size(context_.save.tempPathB)
                : room;
    EXPECT_EQ(p, record_.fileName);
    return std::optional<std::uint64_t>(asked);
  };
  Choose(GetParam(), Path("room.bmp"));
  EXPECT_EQ(Save(false), SaveResult::Saved);
  EXPECT_GT(asked, 0u);
}

}  // namespace
}  // namespace lumarel::testing
