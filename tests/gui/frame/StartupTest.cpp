// SPDX-License-Identifier: MIT
// Start-up preparation: the settings file (the user's, or beside the
// executable, or named), the scratch files in the private scratch folder, the
// shared buffers and the palette mode.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <fstream>
#include <sstream>

#include "GuiTestSupport.h"
#include "PlatformFakes.h"
#include "imagefile/DibImage.h"
#include "shell/Startup.h"

namespace lumarel {
namespace {

using testing::RecordingNotifier;
using testing::ScratchEnvironment;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteAll(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

class StartupTest : public ::testing::Test {
 protected:
  void TearDown() override { state.DeleteTempFiles(); }
  ScratchEnvironment scratch;
  RecordingNotifier notifier;
  AppState state;
};

TEST_F(StartupTest, FirstRunUsesDefaultsAndWritesBothKeysAtExit) {
  state.Prepare(scratch.env, notifier);
  EXPECT_EQ(state.SettingsPath, scratch.SettingsPath());
  EXPECT_EQ(state.StartDirectory, scratch.env.currentDirectory);
  EXPECT_EQ(state.InitialDirectory, scratch.env.currentDirectory);
  EXPECT_FALSE(state.FilePreview);
  EXPECT_FALSE(QFile::exists(QString::fromStdString(scratch.SettingsPath())));
  ASSERT_TRUE(state.WriteSettings());
  EXPECT_EQ(ReadAll(scratch.SettingsPath()),
            "[Mode]\nFILEPREV=0\nFILEINITPATH=" + scratch.env.currentDirectory + "\n");
  EXPECT_TRUE(notifier.shown.empty());
}

TEST_F(StartupTest, SettingsRoundTripKeepsOtherLines) {
  WriteAll(scratch.SettingsPath(),
           "; Lumarel settings\n[Ports]\nCOM1=/dev/ttyUSB0\n\n[Mode]\nFILEPREV=yes\n"
           "FILEINITPATH=/home/pictures\nOTHER=kept\n");
  state.Prepare(scratch.env, notifier);
  EXPECT_TRUE(state.FilePreview);  // any first character but '0' is on
  EXPECT_EQ(state.InitialDirectory, "/home/pictures");
  state.InitialDirectory = "/media/card";
  ASSERT_TRUE(state.WriteSettings());
  EXPECT_EQ(ReadAll(scratch.SettingsPath()),
            "; Lumarel settings\n[Ports]\nCOM1=/dev/ttyUSB0\n\n[Mode]\nFILEPREV=1\n"
            "FILEINITPATH=/media/card\nOTHER=kept\n");
}

TEST_F(StartupTest, FilePreviewZeroIsOff) {
  WriteAll(scratch.SettingsPath(), "[Mode]\nFILEPREV=0something\n");
  state.Prepare(scratch.env, notifier);
  EXPECT_FALSE(state.FilePreview);
}

TEST_F(StartupTest, ScratchFilesLiveInTheScratchFolderNeverInTheStartDirectory) {
  state.Prepare(scratch.env, notifier);
  for (const std::string& path : {state.TempPathA, state.TempPathB}) {
    QFileInfo info(QString::fromStdString(path));
    EXPECT_TRUE(info.exists());
    EXPECT_EQ(info.size(), 0);
    EXPECT_EQ(info.absolutePath().toStdString(), scratch.env.userTempDirectory);
    EXPECT_TRUE(info.fileName().startsWith("tmp"));
  }
  EXPECT_NE(state.TempPathA, state.TempPathB);
  EXPECT_TRUE(QDir(QString::fromStdString(scratch.env.currentDirectory))
                  .entryList(QDir::AllEntries | QDir::NoDotAndDotDot)
                  .isEmpty());
  state.DeleteTempFiles();
  EXPECT_FALSE(QFile::exists(QString::fromStdString(state.TempPathA)));
  EXPECT_FALSE(QFile::exists(QString::fromStdString(state.TempPathB)));
}

TEST_F(StartupTest, UsersConfigFolderHoldsTheSettingsUnlessAFileBesideTheProgramExists) {
  const std::string config = scratch.dir / "home/.config/lumarel";
  scratch.env.configDirectory = config;
  state.Prepare(scratch.env, notifier);
  EXPECT_EQ(state.SettingsPath, config + "/zelcam.ini");
  ASSERT_TRUE(state.WriteSettings());  // makes the folder
  EXPECT_EQ(ReadAll(config + "/zelcam.ini"),
            "[Mode]\nFILEPREV=0\nFILEINITPATH=" + scratch.env.currentDirectory + "\n");
  EXPECT_FALSE(QFile::exists(QString::fromStdString(scratch.SettingsPath())));

  WriteAll(scratch.SettingsPath(), "[Mode]\nFILEPREV=1\n");  // portable use
  AppState portable;
  portable.Prepare(scratch.env, notifier);
  EXPECT_EQ(portable.SettingsPath, scratch.SettingsPath());
  EXPECT_TRUE(portable.FilePreview);
  portable.DeleteTempFiles();

  scratch.env.settingsFile = scratch.dir / "named.ini";  // --settings
  AppState named;
  named.Prepare(scratch.env, notifier);
  EXPECT_EQ(named.SettingsPath, scratch.env.settingsFile);
  named.DeleteTempFiles();
}

TEST_F(StartupTest, AFailedSettingsWriteGivesTheReason) {
  // A folder where the file should be: no rename can replace it, even as root.
  scratch.env.settingsFile = scratch.dir / "zelcam.ini";
  std::filesystem::create_directory(scratch.dir / "zelcam.ini");
  WriteAll(scratch.env.settingsFile + "/keep", "kept");
  state.Prepare(scratch.env, notifier);
  std::string reason;
  EXPECT_FALSE(state.WriteSettings(&reason));
  EXPECT_FALSE(reason.empty());
  EXPECT_EQ(ReadAll(scratch.env.settingsFile + "/keep"), "kept");
  EXPECT_EQ(SettingsNotWritten("/x/zelcam.ini", "Is a directory"),
            "The settings could not be written to /x/zelcam.ini: Is a directory.");
}

TEST_F(StartupTest, SharedBuffersHaveTheirSizesAndGreyPictures) {
  state.Prepare(scratch.env, notifier);
  EXPECT_EQ(state.Buffers.Picture.size(), 925696u);
  EXPECT_EQ(state.Buffers.Preview.size(), 59392u);
  EXPECT_EQ(state.Buffers.PictureWorkspace.size(), 925696u);
  ASSERT_EQ(state.Buffers.LiveFrame.size(), 59392u);
  ASSERT_EQ(state.Buffers.LivePhoto.size(), 925696u);
  EXPECT_EQ(DibWidth(state.Buffers.LiveFrame), 160);
  EXPECT_EQ(DibHeight(state.Buffers.LiveFrame), 120);
  EXPECT_EQ(DibBitCount(state.Buffers.LiveFrame), 24);
  EXPECT_EQ(DibWidth(state.Buffers.LivePhoto), 640);
  EXPECT_EQ(DibHeight(state.Buffers.LivePhoto), 480);
  EXPECT_EQ(state.Buffers.LivePhoto.data()[40], 128);
  EXPECT_EQ(state.Buffers.LivePhoto.data()[40 + 640 * 480 * 3 - 1], 128);
  EXPECT_EQ(state.Buffers.LivePhoto.data()[40 + 640 * 480 * 3], 0);
  EXPECT_EQ(state.Buffers.Picture.data()[0], 0);
  EXPECT_FALSE(state.PaletteDisplay);
  EXPECT_FALSE(state.CurrentPalette);
}

TEST_F(StartupTest, FailedAllocationsAreReportedAndStartUpGoesOn) {
  {
    ScopedAllocationFailure failAfter(2);
    state.Prepare(scratch.env, notifier);
  }
  EXPECT_TRUE(state.Buffers.Picture);
  EXPECT_TRUE(state.Buffers.Preview);
  EXPECT_FALSE(state.Buffers.LivePhoto);
  ASSERT_EQ(notifier.shown.size(), 3u);
  EXPECT_EQ(notifier.shown[0].text, "Not enough memory.");
  EXPECT_EQ(notifier.shown[0].caption, "Global Memory");
  EXPECT_EQ(notifier.shown[0].icon, MessageIcon::Exclamation);
}

class PaletteModeTest : public StartupTest, public ::testing::WithParamInterface<int> {};

TEST_P(PaletteModeTest, OnlyAnEightBitScreenUsesPalettes) {
  scratch.env.screenDepth = GetParam();
  state.Prepare(scratch.env, notifier);
  EXPECT_EQ(state.PaletteDisplay, GetParam() == 8);
  EXPECT_EQ(static_cast<bool>(state.CurrentPalette), GetParam() == 8);
}

INSTANTIATE_TEST_SUITE_P(Depths, PaletteModeTest, ::testing::Values(4, 8, 16, 24, 32));

TEST_F(StartupTest, ForcedPaletteModeBuildsDefaultPaletteAndItsCopy) {
  scratch.env.forcePaletteDisplay = true;
  state.Prepare(scratch.env, notifier);
  ASSERT_TRUE(state.PaletteDisplay);
  ASSERT_EQ(state.CurrentPalette.size(), 1032u);
  ASSERT_EQ(state.DefaultPaletteCopy.size(), 1032u);
  EXPECT_EQ(state.CurrentPalette.data()[0] | (state.CurrentPalette.data()[1] << 8), 0x300);
  EXPECT_EQ(state.CurrentPalette.data()[2] | (state.CurrentPalette.data()[3] << 8), 256);
  EXPECT_TRUE(std::equal(state.CurrentPalette.data(), state.CurrentPalette.data() + 1028,
                         state.DefaultPaletteCopy.data()));
}

}  // namespace
}  // namespace lumarel
