// SPDX-License-Identifier: MIT
// Save As of the Capture and Openfile windows: the three file types, the
// proposed names, the title, the free-space check and a cancelled dialog.
#include <QMdiSubWindow>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "ExternalTools.h"
#include "PictureWindowSupport.h"
#include "imagefile/BitmapFile.h"
#include "windows/CaptureWindow.h"
#include "windows/FileWindow.h"

namespace lumarel::testing {
namespace {

namespace fs = std::filesystem;

class SaveAsTest : public ::testing::Test {
 protected:
  SaveAsTest() {
    dir_ = fs::path(tmp_.path().toStdString());
    context.tempPathA = (dir_ / "tmpA").string();
    context.tempPathB = (dir_ / "tmpB").string();
    context.clock = &clock;
    record.initialDirectory = &initialDirectory;
    context.fileDialog = &record;
  }
  fs::path Out(const std::string& name) const { return dir_ / name; }
  FileWindow* OpenFileWindow(int modified = 0) {
    auto* w = new FileWindow(host, context, PictureInit(640, 480, kPictureBlockSize, modified));
    w->setWindowTitle("picture.bmp");
    mdi.Add(w);
    return w;
  }
  CaptureWindow* OpenCapture(int w, int h) {
    auto* window = new CaptureWindow(host, context,
                                     PictureInit(w, h, CapturePictureBlockSize(w, h)));
    window->setWindowTitle("  1F: 01/12/31 9:05");
    window->resize(w, h);
    mdi.Add(window);
    return window;
  }

  QTemporaryDir tmp_;
  fs::path dir_;
  FakeHost host;
  FakeClock clock;
  std::string initialDirectory;
  FileDialogRecord record;
  PictureWindowContext context;
  MdiHolder mdi;
  SaveDialogScript dialog;
};

bool ExiftoolAccepts(const fs::path& file) {
  const std::string cmd = "exiftool -validate -warning -a \"" + file.string() +
                          "\" | grep -q 'Validate *: OK'";
  return std::system(cmd.c_str()) == 0;
}

TEST_F(SaveAsTest, FileWindowWritesAllThreeTypes) {
  LUMAREL_SKIP_WITHOUT("exiftool");
  clock.local = LocalTime{2001, 12, 31, 9, 5, 0};
  FileWindow* w = OpenFileWindow();
  const struct {
    int filter;
    const char* name;
    std::uintmax_t size;
  } cases[] = {{2, "full.bmp", 921654}, {3, "pal.bmp", 308278}, {1, "photo.jpg", 0}};
  for (const auto& c : cases) {
    dialog.Choose(Out(c.name).string(), c.filter);
    EXPECT_TRUE(w->Command(kCmdSaveAs));
    ASSERT_TRUE(fs::exists(Out(c.name))) << c.name;
    if (c.size) {
      EXPECT_EQ(FileSize(Out(c.name)), c.size) << c.name;
    }
    EXPECT_EQ(w->windowTitle().toStdString(), Out(c.name).string());
  }
  EXPECT_EQ(initialDirectory, dir_.string());
  ASSERT_FALSE(dialog.proposed.empty());
  // Offered with the first type, JPEG, the proposal carries its extension.
  EXPECT_EQ(fs::path(dialog.proposed[0]).filename(), "01-12-31(9-5).jpg");
  // The 24-bit file is the picture's header and rows behind the file header.
  const std::vector<std::uint8_t> bmp = FileBytes(Out("full.bmp"));
  ASSERT_EQ(bmp.size(), 921654u);
  EXPECT_EQ(bmp[0], 'B');
  EXPECT_EQ(bmp[10], 54);
  EXPECT_TRUE(std::equal(bmp.begin() + 14, bmp.end(), w->Doc().Picture().begin()));
  EXPECT_EQ(FileBytes(Out("pal.bmp"))[10] + 256 * FileBytes(Out("pal.bmp"))[11], 1078);
  const std::vector<std::uint8_t> jpeg = FileBytes(Out("photo.jpg"));
  ASSERT_GT(jpeg.size(), 4u);
  EXPECT_EQ(jpeg[0], 0xFF);
  EXPECT_EQ(jpeg[1], 0xD8);
  EXPECT_EQ(jpeg[3], 0xE1);  // APP1: the Exif segment leads
  EXPECT_TRUE(ExiftoolAccepts(Out("photo.jpg")));
  EXPECT_TRUE(host.notifier.shown.empty());
  EXPECT_EQ(w->Doc().Modified, 0);
}

TEST_F(SaveAsTest, CaptureWindowWritesAllThreeTypesAndRemembersTheFilter) {
  LUMAREL_SKIP_WITHOUT("exiftool");
  CaptureWindow* w = OpenCapture(640, 480);
  for (const auto& [filter, name, size] :
       {std::tuple{2, "c.bmp", 921654}, std::tuple{3, "c8.bmp", 308278},
        std::tuple{1, "c.jpg", 0}}) {
    dialog.Choose(Out(name).string(), filter);
    w->Command(kCmdSaveAs);
    ASSERT_TRUE(fs::exists(Out(name))) << name;
    if (size) {
      EXPECT_EQ(FileSize(Out(name)), static_cast<std::uintmax_t>(size));
    }
    EXPECT_EQ(record.filterIndex, filter);
  }
  EXPECT_TRUE(ExiftoolAccepts(Out("c.jpg")));
  // A Normal picture: 3WH + 54 and WH + 1078.
  CaptureWindow* small = OpenCapture(320, 240);
  dialog.Choose(Out("n.bmp").string(), 2);
  small->Command(kCmdSaveAs);
  EXPECT_EQ(FileSize(Out("n.bmp")), 230454u);
  dialog.Choose(Out("n8.bmp").string(), 3);
  small->Command(kCmdSaveAs);
  EXPECT_EQ(FileSize(Out("n8.bmp")), 77878u);
}

// The name's extension follows the chosen type: added when there is none,
// the other type's replaced, the type's own kept.
TEST_F(SaveAsTest, SavedNameTakesTheExtensionOfTheChosenType) {
  CaptureWindow* capture = OpenCapture(320, 240);
  FileWindow* file = OpenFileWindow();
  const struct {
    PictureWindow* window;
    const char* typed;
    int filter;
    const char* saved;
  } cases[] = {{capture, "7F00-1-5(13-42)", 1, "7F00-1-5(13-42).jpg"},
               {capture, "c.bmp", 1, "c.jpg"},
               {capture, "c2", 2, "c2.bmp"},
               {capture, "c3.JPG", 3, "c3.bmp"},
               {file, "01-12-31(9-5)", 1, "01-12-31(9-5).jpg"},
               {file, "f.jpeg", 1, "f.jpeg"},
               {file, "f2.jpg", 2, "f2.bmp"},
               {file, "f3.v1", 3, "f3.v1.bmp"}};
  for (const auto& c : cases) {
    dialog.Choose(Out(c.typed).string(), c.filter);
    c.window->Command(kCmdSaveAs);
    const std::vector<std::uint8_t> bytes = FileBytes(Out(c.saved));
    ASSERT_GT(bytes.size(), 2u) << c.saved;
    EXPECT_EQ(bytes[0], c.filter == 1 ? 0xFF : 'B') << c.saved;
    EXPECT_EQ(c.window->windowTitle().toStdString(), Out(c.saved).string());
    if (std::string(c.typed) != c.saved) {
      EXPECT_FALSE(fs::exists(Out(c.typed))) << c.typed;
    }
  }
  EXPECT_EQ(record.fileTitle, "f3.v1.bmp");
}

// Typed in the dialog itself, the corrected name is what the dialog accepts
// (and what it would ask about replacing).
TEST_F(SaveAsTest, TheDialogCorrectsTheTypedNameWhenItAccepts) {
  FileWindow* w = OpenFileWindow();
  std::string accepted;
  SetModalHook([&](QDialog& d) {
    auto* files = qobject_cast<QFileDialog*>(&d);
    files->selectNameFilter(files->nameFilters().value(0));  // JPEG, offered first
    files->selectFile(QString::fromStdString(Out("typed.bmp").string()));
    d.accept();  // as the dialog's Save button does
    accepted = files->selectedFiles().value(0).toStdString();
    return files->result();
  });
  w->Command(kCmdSaveAs);
  EXPECT_EQ(accepted, Out("typed.jpg").string());
  EXPECT_TRUE(fs::exists(Out("typed.jpg")));
}

TEST_F(SaveAsTest, CancelledDialogWritesNothingAndKeepsTheTitle) {
  FileWindow* w = OpenFileWindow();
  dialog.Choose("", 0);
  w->Command(kCmdSaveAs);
  EXPECT_EQ(w->windowTitle(), "picture.bmp");
  EXPECT_TRUE(fs::is_empty(dir_) || !fs::exists(Out("photo.jpg")));
}

struct DiskFullCase {
  bool capture;
  int filter;
  const char* caption;
};

class DiskFullTest : public SaveAsTest, public ::testing::WithParamInterface<DiskFullCase> {};

TEST_P(DiskFullTest, TooLittleSpaceShowsDiskFullAndWritesNothing) {
  const DiskFullCase c = GetParam();
  context.freeSpace = [](const std::string&) { return std::optional<std::uint64_t>(1000); };
  PictureWindow* w = c.capture ? static_cast<PictureWindow*>(OpenCapture(640, 480))
                               : static_cast<PictureWindow*>(OpenFileWindow());
  const QString title = w->windowTitle();
  const fs::path out = Out(c.filter == 1 ? "full.jpg" : "full.bmp");
  dialog.Choose(out.string(), c.filter);
  w->Command(kCmdSaveAs);
  EXPECT_FALSE(fs::exists(out));
  EXPECT_EQ(w->windowTitle(), title);
  ASSERT_EQ(host.notifier.shown.size(), 1u);
  EXPECT_EQ(host.notifier.shown[0].text, "Disk is full.");
  EXPECT_EQ(host.notifier.shown[0].caption, c.caption);
}

INSTANTIATE_TEST_SUITE_P(Windows, DiskFullTest,
                         ::testing::Values(DiskFullCase{true, 1, "CARD LINK"},
                                           DiskFullCase{true, 2, "CARD LINK"},
                                           DiskFullCase{true, 3, "CARD LINK"},
                                           DiskFullCase{false, 1, "Lumarel"},
                                           DiskFullCase{false, 2, "CARD LINK"},
                                           DiskFullCase{false, 3, "CARD LINK"}));

// A 256 KiB tmpfs filled to the last block: the real free-space figure of the
// file system that holds the chosen path. Mounting needs root; skipped otherwise.
class FullFileSystemTest : public SaveAsTest {
 protected:
  void SetUp() override {
    mountPoint_ = dir_ / "small";
    fs::create_directory(mountPoint_);
    if (geteuid() != 0) GTEST_SKIP() << "mounting a tmpfs needs root";
    if (mount("tmpfs", mountPoint_.c_str(), "tmpfs", 0, "size=256k") != 0) {
      GTEST_SKIP() << "cannot mount a tmpfs: " << std::strerror(errno);
    }
    mounted_ = true;
    std::ofstream filler(mountPoint_ / "filler", std::ios::binary);
    const std::vector<char> chunk(4096, 'x');
    for (int i = 0; i < 1024 && filler.write(chunk.data(), chunk.size()); ++i) {
      filler.flush();
    }
  }
  void TearDown() override {
    if (mounted_) umount2(mountPoint_.c_str(), MNT_DETACH);
  }
  fs::path mountPoint_;
  bool mounted_ = false;
};

TEST_F(FullFileSystemTest, EveryTypeOfBothWindowsShowsDiskIsFullAndWritesNothing) {
  ASSERT_FALSE(context.freeSpace);  // the file system's own figure
  CaptureWindow* capture = OpenCapture(320, 240);
  FileWindow* file = OpenFileWindow();
  const struct {
    PictureWindow* window;
    int filter;
    const char* caption;
  } cases[] = {{capture, 1, "CARD LINK"}, {capture, 2, "CARD LINK"}, {capture, 3, "CARD LINK"},
               {file, 1, "Lumarel"},      {file, 2, "CARD LINK"},    {file, 3, "CARD LINK"}};
  for (const auto& c : cases) {
    host.notifier.shown.clear();
    const QString title = c.window->windowTitle();
    const fs::path out =
        mountPoint_ / ("picture" + std::to_string(c.filter) + (c.filter == 1 ? ".jpg" : ".bmp"));
    dialog.Choose(out.string(), c.filter);
    c.window->Command(kCmdSaveAs);
    EXPECT_FALSE(fs::exists(out)) << out;
    EXPECT_EQ(c.window->windowTitle(), title);
    ASSERT_EQ(host.notifier.shown.size(), 1u) << c.filter;
    EXPECT_EQ(host.notifier.shown[0].text, "Disk is full.");
    EXPECT_EQ(host.notifier.shown[0].caption, c.caption);
  }
  // Room elsewhere: the same window saves beside the full file system.
  host.notifier.shown.clear();
  dialog.Choose(Out("room.bmp").string(), 2);
  capture->Command(kCmdSaveAs);
  EXPECT_EQ(FileSize(Out("room.bmp")), 230454u);
  EXPECT_TRUE(host.notifier.shown.empty());
}

TEST_F(SaveAsTest, UnwritableTargetEndsWithoutMessageOrTitle) {
  FileWindow* w = OpenFileWindow();
  dialog.Choose((dir_ / "missing" / "x.bmp").string(), 2);
  w->Command(kCmdSaveAs);
  EXPECT_EQ(w->windowTitle(), "picture.bmp");
  EXPECT_TRUE(host.notifier.shown.empty());
}

}  // namespace
}  // namespace lumarel::testing
