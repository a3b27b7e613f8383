// SPDX-License-Identifier: MIT
// The picture windows against the simulated camera: a download into a
// Capture window and its Save As, closing a Capture window while its picture
// arrives, and "Data out to camera" in Fine and Normal quality.
#include <QApplication>
#include <QPointer>

#include <cstdlib>

#include "CameraRig.h"
#include "ExternalTools.h"
#include "PictureWindowSupport.h"
#include "imagefile/JpegDecode.h"
#include "link/CameraLink.h"
#include "windows/CaptureWindow.h"
#include "windows/FileWindow.h"

namespace lumarel::testing {
namespace {

namespace fs = std::filesystem;

class CameraWindowTest : public ::testing::Test {
 protected:
  void Start(CameraRigSettings settings) {
    dir = fs::path(tmp.path().toStdString());
    rig = std::make_unique<CameraRig>(dir.string(), settings);
    context.tempPathA = (dir / "tmpA").string();
    context.tempPathB = (dir / "tmpB").string();
    context.fileDialog = &record;
    context.clock = &rig->RigClock();
    context.link = rig->Link();
    context.operations = rig->Operations();
    ASSERT_TRUE(rig->Connect());
  }
  void TearDown() override {
    // The windows go before the link they talk to.
    for (QMdiSubWindow* sub : mdi.area.subWindowList()) delete sub;
    rig.reset();
  }
  AddCaptureWindow Adder() {
    return [this](CaptureWindow* w, bool) { captures.push_back(w), mdi.Add(w); };
  }
  FileWindow* OpenFileWindow() {
    auto* w = new FileWindow(host, context, PictureInit(640, 480, kPictureBlockSize));
    w->setWindowTitle("picture.bmp");
    mdi.Add(w);
    return w;
  }
  // Decodes JPEG bytes; the BMP file's width and height, or 0 x 0.
  std::pair<int, int> Decoded(const std::vector<std::uint8_t>& jpeg) {
    const fs::path in = dir / "check.jpg", out = dir / "check.bmp";
    std::ofstream(in, std::ios::binary)
        .write(reinterpret_cast<const char*>(jpeg.data()), static_cast<std::streamsize>(jpeg.size()));
    if (!DecodeJpegFile(in.string(), out.string())) return {0, 0};
    const std::vector<std::uint8_t> bmp = FileBytes(out);
    if (bmp.size() < 26) return {0, 0};
    return {bmp[18] | bmp[19] << 8, bmp[22] | bmp[23] << 8};
  }

  QTemporaryDir tmp;
  fs::path dir;
  std::unique_ptr<CameraRig> rig;
  FakeHost host;
  FileDialogRecord record;
  PictureWindowContext context;
  MdiHolder mdi;
  std::vector<QPointer<CaptureWindow>> captures;
};

TEST_F(CameraWindowTest, DataInFillsTheCaptureWindowAndSavesItUnderTheListName) {
  Start({});
  rig->SelectOnly(0);
  ASSERT_TRUE(RunPreviewDownloadCommand(kCmdDataIn, host, context, Adder()));
  ASSERT_EQ(captures.size(), 1u);
  CaptureWindow* w = captures[0];
  EXPECT_EQ(w->windowTitle().toStdString(), rig->EntryLabel(0));
  ASSERT_TRUE(CameraRig::WaitFor([&] { return !rig->DownloadActive(); }, 60000));
  EXPECT_EQ(DibWidth(w->Doc().Picture()), 640);
  EXPECT_EQ(DibHeight(w->Doc().Picture()), 480);
  EXPECT_FALSE(w->PictureImage().isNull());
  QApplication::processEvents();
  w->grab().save(QString(LUMAREL_BINARY_DIR) + "/capture_download.png");

  // A reload that puts another picture at the same position changes neither
  // the name nor the date the window saves its own picture under.
  const std::string ownName = w->DefaultFileName();
  PictureEntry& listed = rig->Link()->Pictures().entries[0];
  listed.fileName = FormatFileName(1, false, EntryDate{3, 4, 5, 6, 7});
  listed.date = CameraDate{103, 4, 5, 6, 7};

  SaveDialogScript dialog;
  dialog.Choose((dir / "down.jpg").string(), 1);
  w->Command(kCmdSaveAs);
  ASSERT_EQ(dialog.proposed.size(), 1u);
  EXPECT_EQ(w->DefaultFileName(), ownName);
  EXPECT_EQ(fs::path(dialog.proposed[0]).stem().string(), w->DefaultFileName());
  EXPECT_EQ(w->DefaultFileName().substr(0, 2), "1F");
  EXPECT_EQ(Decoded(FileBytes(dir / "down.jpg")), std::make_pair(640, 480));
  EXPECT_EQ(w->windowTitle().toStdString(), (dir / "down.jpg").string());
  // Exif says when the picture was taken (the simulator's first is 30 Dec
  // 1999 10:00) and, in DateTime, when the file was saved (the rig's clock),
  // as lumarel-cli get writes it.
  if (ToolInstalled("exiftool")) {
    const std::string check = "exiftool -s3 -DateTimeOriginal -CreateDate -ModifyDate '" +
                              (dir / "down.jpg").string() +
                              "' | tr '\\n' '|' | grep -qx "
                              "'1999:12:30 10:00:00|1999:12:30 10:00:00|2001:06:15 10:30:00|'";
    EXPECT_EQ(std::system(check.c_str()), 0);
  }
}

TEST_F(CameraWindowTest, ClosingTheCaptureWindowMidDownloadDropsThePicture) {
  Start({});
  rig->SelectOnly(0);
  ASSERT_TRUE(RunPreviewDownloadCommand(kCmdDataIn, host, context, Adder()));
  ASSERT_TRUE(CameraRig::WaitFor([&] { return rig->PicturePacketCounter() > 3; }, 30000));
  ASSERT_TRUE(rig->DownloadActive());
  delete mdi.area.subWindowList().front();
  EXPECT_TRUE(captures[0].isNull());
  EXPECT_FALSE(rig->DownloadActive());
  EXPECT_EQ(rig->CurrentPicture(), 800);
  EXPECT_EQ(rig->SelectedCount(), 0);
  EXPECT_EQ(rig->DownloadsPending(), 0);
  EXPECT_TRUE(rig->UiHas("Progress hide"));
  EXPECT_TRUE(rig->UiHas("Menu Frame 40005 off"));
  EXPECT_TRUE(rig->UiHas("Menu Frame 40010 off"));
  // The packets still arriving are dropped; the link stays usable.
  CameraRig::WaitFor([] { return false; }, 3000);
  rig->SelectOnly(1);
  ASSERT_TRUE(RunPreviewDownloadCommand(kCmdDataIn, host, context, Adder()));
  ASSERT_EQ(captures.size(), 2u);
  ASSERT_TRUE(CameraRig::WaitFor([&] { return !rig->DownloadActive(); }, 60000));
  ASSERT_FALSE(captures[1].isNull());
  EXPECT_EQ(DibWidth(captures[1]->Doc().Picture()), 320);
}

TEST_F(CameraWindowTest, MultiPictureSaveAsSavesEachAndClosesEachWindow) {
  Start({3, false, -1});
  rig->Select({0, 2});
  SaveDialogScript dialog;
  int saved = 0;
  auto chooseNext = [&] { dialog.Choose((dir / ("auto" + std::to_string(++saved) + ".bmp")).string(), 2); };
  chooseNext();
  context.previewCommand = [&](int id) {
    chooseNext();
    RunPreviewDownloadCommand(id, host, context, Adder());
  };
  rig->SetCommandRoute([&](int window, int id) {
    if (window == 2 && !captures.empty() && captures.back()) captures.back()->Command(id);
  });
  ASSERT_TRUE(RunPreviewDownloadCommand(kCmdSaveAs, host, context, Adder()));
  ASSERT_TRUE(CameraRig::WaitFor([&] { return captures.size() == 2 && !rig->AutoSaveMode(); },
                                 120000));
  ASSERT_TRUE(CameraRig::WaitFor([&] { return captures[0].isNull() && captures[1].isNull(); },
                                 10000));
  EXPECT_EQ(FileSize(dir / "auto1.bmp"), 921654u);  // picture 0: 640 x 480
  EXPECT_EQ(FileSize(dir / "auto2.bmp"), 921654u);  // picture 2: 640 x 480
  ASSERT_EQ(dialog.proposed.size(), 2u);
  EXPECT_EQ(fs::path(dialog.proposed[0]).stem().string().substr(0, 2), "1F");
  EXPECT_EQ(fs::path(dialog.proposed[1]).stem().string().substr(0, 2), "3F");
  EXPECT_EQ(rig->DownloadsPending(), 0);
}

struct SendCase {
  bool fine;
  int width, height;
  const char* labelTail;
};

class SendTest : public CameraWindowTest, public ::testing::WithParamInterface<SendCase> {};

TEST_P(SendTest, TheCameraStoresADecodablePictureAndTheListGrows) {
  const SendCase c = GetParam();
  Start({});
  const int entries = rig->ReceivedEntries();
  const std::size_t stored = rig->CameraPictures();
  FileWindow* w = OpenFileWindow();
  EXPECT_TRUE(w->Command(c.fine ? kCmdFineMode : kCmdNormalMode));
  EXPECT_TRUE(rig->UiHas("Status Send Image data"));
  ASSERT_TRUE(CameraRig::WaitFor([&] { return !rig->UploadRunning(); }, 60000));
  EXPECT_TRUE(rig->Messages().empty());
  ASSERT_EQ(rig->CameraPictures(), stored + 1);
  EXPECT_EQ(Decoded(rig->CameraPictureJpeg(stored)), std::make_pair(c.width, c.height));
  ASSERT_EQ(rig->ReceivedEntries(), entries + 1);
  EXPECT_EQ(rig->EntryLabel(entries), "  3" + std::string(c.labelTail));
  EXPECT_EQ(rig->PictureCount(), entries + 1);
}

INSTANTIATE_TEST_SUITE_P(Modes, SendTest,
                         ::testing::Values(SendCase{true, 640, 480, "F: 01/6/15 10:30"},
                                           SendCase{false, 320, 240, "N: 01/6/15 10:30"}));

TEST_F(CameraWindowTest, FullMemoryDiscardsThePreparedEntry) {
  Start({2, false, 0});
  const int entries = rig->ReceivedEntries();
  FileWindow* w = OpenFileWindow();
  w->Command(kCmdFineMode);
  ASSERT_TRUE(CameraRig::WaitFor([&] { return !rig->UploadRunning(); }, 60000));
  EXPECT_EQ(rig->Messages(), std::vector<std::string>{"The Vidmarelle's memory is full."});
  EXPECT_EQ(rig->ReceivedEntries(), entries);
  EXPECT_EQ(rig->EntryLabel(entries), "");
  EXPECT_EQ(rig->CameraPictures(), 2u);
}

TEST_F(CameraWindowTest, WriteProtectedCardRefusesBeforeAnythingIsSent) {
  Start({2, true, -1});
  const std::size_t written = rig->WrittenBytes().size();
  FileWindow* w = OpenFileWindow();
  w->Command(kCmdNormalMode);
  ASSERT_EQ(host.notifier.shown.size(), 1u);
  EXPECT_EQ(host.notifier.shown[0].caption, "WARNING");
  EXPECT_EQ(host.notifier.shown[0].text.substr(0, 28), "The card is write protected.");
  EXPECT_EQ(rig->WrittenBytes().size(), written);
  EXPECT_FALSE(rig->UploadRunning());
}

TEST_F(CameraWindowTest, FailedPreparationSendsNothing) {
  Start({});
  context.tempPathA = (dir / "missing" / "tmpA").string();
  const std::size_t written = rig->WrittenBytes().size();
  const int entries = rig->ReceivedEntries();
  FileWindow* w = OpenFileWindow();
  w->Command(kCmdFineMode);
  EXPECT_FALSE(rig->UploadRunning());
  EXPECT_EQ(rig->WrittenBytes().size(), written);
  EXPECT_EQ(rig->ReceivedEntries(), entries);
  EXPECT_FALSE(rig->UiHas("Status Send Image data"));
}

}  // namespace
}  // namespace lumarel::testing
