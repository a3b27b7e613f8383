// SPDX-License-Identifier: MIT
// What becomes of the user's files when saving goes wrong: a destination that
// cannot be written, a full file system (a small tmpfs, root only), a final
// copy that fails part-way. The destination is never left half-written, an old
// file survives, and a save that runs out of room says "Disk is full.".
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>

#include "PlatformFakes.h"
#include "TempDir.h"
#include "SmallFilesystem.h"
#include "imagefile/DibImage.h"
#include "pictureio/OpenPicture.h"
#include "pictureio/SaveAs.h"
#include "platform/Files.h"

namespace lumarel::testing {
namespace {

constexpr std::uint64_t kPlenty = std::uint64_t{1} << 40;

FreeSpaceQuery Reports(std::uint64_t free) {
  return [free](const std::string&) { return std::optional<std::uint64_t>(free); };
}

// A 640 x 480 picture of noise: its JPEG is far larger than a few pages.
DibImage NoisyPicture() {
  DibImage dib = AllocateBlock(kPictureBlockSize);
  WriteDibHeader(dib, 640, 480, 24);
  std::mt19937 random(4);
  std::uint8_t* p = DibPixels(dib);
  for (std::size_t i = 0; i < DibStride(640, 24) * 480; ++i)
    p[i] = static_cast<std::uint8_t>(random());
  return dib;
}

// The user's temporary directory is a fresh one for each test, so that the
// files left behind can be counted. The process's scratch folder is made once
// for the whole run (before the first test points TMPDIR elsewhere), so that
// removing one test's directory does not take it away from the next.
class FileSafety : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(UserTempDirectory().empty());
    const char* old = std::getenv("TMPDIR");
    if (old != nullptr) oldTmp_ = old;
    ASSERT_FALSE(tmp_.empty());
    ::setenv("TMPDIR", tmp_.c_str(), 1);
  }
  void TearDown() override {
    if (oldTmp_) ::setenv("TMPDIR", oldTmp_->c_str(), 1);
    else ::unsetenv("TMPDIR");
  }
  std::string Tmp(const std::string& name) const { return tmp_ + "/" + name; }
  // What is left in the temporary directory and in the scratch folder.
  std::vector<std::string> TmpNames() const {
    std::vector<std::string> names = DirectoryNames(tmp_);
    for (const std::string& inner : DirectoryNames(UserTempDirectory())) names.push_back(inner);
    std::sort(names.begin(), names.end());
    return names;
  }

  TempDir dir_;  // made under the caller's TMPDIR, before the test points TMPDIR at it
  std::string tmp_ = dir_.Path();
  std::optional<std::string> oldTmp_;
};

#define REQUIRE_MOUNTED(fs) \
  if (!(fs).Mounted()) GTEST_SKIP() << (fs).WhyNot()

// --- Save As of every window and file type ------------------------------------

struct SaveCase {
  SaveWindow window;
  SaveFileType type;
  const char* caption;  // of "Disk is full."
};

std::string PrintCase(const ::testing::TestParamInfo<SaveCase>& info) {
  static const char* const windows[] = {"Capture", "File", "Live"};
  static const char* const types[] = {"", "Jpeg", "Bmp24", "Bmp8"};
  return std::string(windows[static_cast<int>(info.param.window)]) +
         types[static_cast<int>(info.param.type)];
}

class SaveAsSafety : public FileSafety, public ::testing::WithParamInterface<SaveCase> {
 protected:
  SaveServices Services(FreeSpaceQuery free = {}) {
    return {&notifier_, &clock_, Tmp("scratchA"), Tmp("scratchB"), std::move(free)};
  }
  SaveResult Save(const std::string& path, FreeSpaceQuery free = {}) {
    return SavePictureFile(picture_, path, GetParam().type, GetParam().window,
                           Services(std::move(free)));
  }
  void ExpectDiskFullMessage() {
    ASSERT_EQ(notifier_.shown.size(), 1u);
    EXPECT_EQ(notifier_.shown[0].text, "Disk is full.");
    EXPECT_EQ(notifier_.shown[0].caption, GetParam().caption);
  }
  // "Disk is full." shown, the old file intact and nothing else left behind.
  void ExpectOldPictureKept(SmallFilesystem& fs, const std::string& dest) {
    ExpectDiskFullMessage();
    EXPECT_EQ(FileBytes(dest), kOldPicture);
    EXPECT_EQ(fs.Names(), std::vector<std::string>{"picture"});
  }

  const std::vector<std::uint8_t> kOldPicture = Pattern(5000, 9);

  DibImage picture_ = NoisyPicture();
  RecordingNotifier notifier_;
  FakeClock clock_;
};

TEST_P(SaveAsSafety, FullFileSystemSaysDiskIsFullAndKeepsTheOldFile) {
  SmallFilesystem fs(512 * 1024);
  REQUIRE_MOUNTED(fs);
  const std::string dest = fs.Path("picture");
  ASSERT_TRUE(WriteBytes(dest, kOldPicture));
  ASSERT_TRUE(fs.FillLeaving(16 * 1024));
  EXPECT_EQ(Save(dest), SaveResult::DiskFull);
  ExpectOldPictureKept(fs, dest);
}

// The free-space figure says there is room, but the disk fills up during the
// write: the old file must survive and the user must hear why.
TEST_P(SaveAsSafety, AWriteThatRunsOutOfRoomSaysDiskIsFullAndKeepsTheOldFile) {
  SmallFilesystem fs(512 * 1024);
  REQUIRE_MOUNTED(fs);
  const std::string dest = fs.Path("picture");
  ASSERT_TRUE(WriteBytes(dest, kOldPicture));
  ASSERT_TRUE(fs.FillLeaving(16 * 1024));
  EXPECT_EQ(Save(dest, Reports(kPlenty)), SaveResult::DiskFull);
  ExpectOldPictureKept(fs, dest);
  // A new file that does not fit leaves nothing behind either.
  notifier_.shown.clear();
  EXPECT_EQ(Save(fs.Path("new"), Reports(kPlenty)), SaveResult::DiskFull);
  ExpectDiskFullMessage();
  EXPECT_EQ(fs.Names(), std::vector<std::string>{"picture"});
}

TEST_P(SaveAsSafety, UnwritableDestinationFailsAndKeepsTheOldFile) {
  SmallFilesystem fs(4 << 20);  // room enough: only the write protection stops the save
  REQUIRE_MOUNTED(fs);
  const std::string dest = fs.Path("picture");
  const auto old = Pattern(5000, 9);
  ASSERT_TRUE(WriteBytes(dest, old));
  ASSERT_TRUE(fs.MakeReadOnly());
  EXPECT_EQ(Save(dest), SaveResult::Failed);
  EXPECT_EQ(FileBytes(dest), old);
  EXPECT_EQ(Save(fs.Path("new")), SaveResult::Failed);
  EXPECT_EQ(fs.Names(), std::vector<std::string>{"picture"});
  EXPECT_TRUE(notifier_.shown.empty());  // not a full disk; the window says nothing
}

TEST_P(SaveAsSafety, SavingOverAFileReplacesItWholeAndKeepsItsPermissions) {
  const std::string dir = Tmp("out");
  ASSERT_EQ(::mkdir(dir.c_str(), 0755), 0);
  const std::string dest = dir + "/picture";
  ASSERT_TRUE(WriteBytes(dest, Pattern(5000, 9)));
  ASSERT_EQ(::chmod(dest.c_str(), 0640), 0);
  ASSERT_EQ(Save(dest), SaveResult::Saved);
  struct stat st {};
  ASSERT_EQ(::stat(dest.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  const auto written = FileBytes(dest);
  ASSERT_GT(written.size(), 5000u);
  if (GetParam().type == SaveFileType::Jpeg) {
    EXPECT_EQ(written[0], 0xFF);
    EXPECT_EQ(written[1], 0xD8);
  } else {
    EXPECT_EQ(written[0], 'B');
    EXPECT_EQ(written[1], 'M');
  }
  EXPECT_TRUE(notifier_.shown.empty());
  EXPECT_EQ(DirectoryNames(dir), std::vector<std::string>{"picture"});
}

INSTANTIATE_TEST_SUITE_P(
    Windows, SaveAsSafety,
    ::testing::Values(SaveCase{SaveWindow::Capture, SaveFileType::Jpeg, "CARD LINK"},
                      SaveCase{SaveWindow::Capture, SaveFileType::FullColourBmp, "CARD LINK"},
                      SaveCase{SaveWindow::Capture, SaveFileType::Bmp256, "CARD LINK"},
                      SaveCase{SaveWindow::File, SaveFileType::Jpeg, "Lumarel"},
                      SaveCase{SaveWindow::File, SaveFileType::Bmp256, "CARD LINK"},
                      SaveCase{SaveWindow::Live, SaveFileType::Jpeg, "Lumarel"},
                      SaveCase{SaveWindow::Live, SaveFileType::FullColourBmp, "Lumarel"}),
    PrintCase);

// The JPEG is made through scratch files in the user's temporary directory;
// when that is full the save fails there, before the destination is touched.
TEST_F(FileSafety, FullScratchSpaceFailsTheJpegSaveBeforeTheDestination) {
  SmallFilesystem scratch(256 * 1024);
  REQUIRE_MOUNTED(scratch);
  ASSERT_TRUE(scratch.FillLeaving(0));
  const std::string dest = Tmp("picture.jpg");
  const auto old = Pattern(5000, 9);
  ASSERT_TRUE(WriteBytes(dest, old));
  RecordingNotifier notifier;
  FakeClock clock;
  const SaveServices services{&notifier, &clock, scratch.Path("a"), scratch.Path("b"), {}};
  EXPECT_EQ(
      SavePictureFile(NoisyPicture(), dest, SaveFileType::Jpeg, SaveWindow::Capture, services),
      SaveResult::Failed);
  EXPECT_EQ(FileBytes(dest), old);
  EXPECT_EQ(TmpNames(), std::vector<std::string>{"picture.jpg"});
}

// A JPEG is opened through a scratch BMP; when that cannot be written whole
// the open fails and says why, instead of showing a picture black in part.
// Every front end (the CLI's commands, Open, the upload) opens this way.
TEST_F(FileSafety, FullScratchFolderFailsTheOpenWithDiskIsFull) {
  RecordingNotifier notifier;
  FakeClock clock;
  const SaveServices services{&notifier, &clock, Tmp("a"), Tmp("b"), {}};
  const std::string jpeg = Tmp("noise.jpg");
  ASSERT_EQ(SavePictureFile(NoisyPicture(), jpeg, SaveFileType::Jpeg, SaveWindow::Live, services),
            SaveResult::Saved);
  SmallFilesystem scratch(256 * 1024);
  REQUIRE_MOUNTED(scratch);
  ASSERT_TRUE(scratch.FillLeaving(64 * 1024));  // far less than the 900 KB BMP
  const OpenedCanvas opened = OpenPictureFile(jpeg, scratch.Path("decoded.bmp"), notifier);
  EXPECT_EQ(opened.result, ImageStatus::DiskFull);
  EXPECT_FALSE(opened.canvas);
  ASSERT_EQ(notifier.shown.size(), 1u);
  EXPECT_EQ(notifier.shown[0].text, "Disk is full.");
  EXPECT_TRUE(FileBytes(scratch.Path("decoded.bmp")).empty()) << "no half picture is left";
}

}  // namespace
}  // namespace lumarel::testing
