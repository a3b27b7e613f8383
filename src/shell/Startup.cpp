// SPDX-License-Identifier: MIT
#include "shell/Startup.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "imageproc/Palette.h"
#include "platform/Files.h"
#include "platform/ProfileFile.h"

namespace lumarel {
namespace {

void NotEnoughMemory(Notifier& notifier) {
  notifier.Show("Not enough memory.", "Global Memory", MessageButtons::Ok,
                MessageIcon::Exclamation);
}

MemoryBlock Allocate(std::size_t size, Notifier& notifier) {
  MemoryBlock block = AllocateBlock(size);
  if (!block) NotEnoughMemory(notifier);
  return block;
}

// A scratch file "tmp<hex>.tmp" in the private scratch folder; never in the
// start-up directory, which belongs to the user.
std::string MakeScratchFile(const StartupEnvironment& env) {
  if (auto path = CreateTempFile(env.userTempDirectory, "tmp")) return *path;
  return {};
}

std::string SystemReason() {
  return errno != 0 ? std::strerror(errno) : "the file could not be replaced";
}

std::string Truncated(std::string text, std::size_t capacity) {
  if (text.size() >= capacity) text.resize(capacity - 1);
  return text;
}

}  // namespace

StartupEnvironment StartupEnvironment::FromProcess(int screenDepth) {
  StartupEnvironment env;
  env.executableDirectory = ExecutableDirectory();
  env.configDirectory = UserConfigDirectory();
  env.currentDirectory = CurrentDirectory();
  env.userTempDirectory = UserTempDirectory();
  env.screenDepth = screenDepth;
  const char* force = std::getenv(kPaletteDisplayVariable);
  env.forcePaletteDisplay = force != nullptr && std::strcmp(force, "1") == 0;
  return env;
}

void FillGreyPicture(MemoryBlock& block, int width, int height) {
  if (!block) return;
  const std::size_t need =
      kDibInfoHeaderSize + DibStride(static_cast<std::size_t>(width), 24) * height;
  if (need > block.size()) return;
  WriteDibHeader(block.bytes(), width, height, 24);
  std::memset(block.data() + kDibInfoHeaderSize, 128, need - kDibInfoHeaderSize);
}

void AppState::Prepare(const StartupEnvironment& env, Notifier& notifier) {
  PaletteDisplay = env.forcePaletteDisplay || env.screenDepth == 8;
  if (PaletteDisplay) PreparePalettes(notifier);
  SettingsPath =
      ChooseSettingsFile(env.settingsFile, env.executableDirectory, env.configDirectory);
  StartDirectory = Truncated(env.currentDirectory, kMaxPathLength);
  MakeTempFiles(env);
  AllocateBuffers(notifier);
  ReadSettings();
}

void AppState::PreparePalettes(Notifier& notifier) {
  CurrentPalette = Allocate(kLogicalPaletteSize, notifier);
  if (CurrentPalette) {
    const LogicalPalette palette = DefaultPalette();
    std::copy(palette.begin(), palette.end(), CurrentPalette.data());
  }
  DefaultPaletteCopy = Allocate(kLogicalPaletteSize, notifier);
  if (DefaultPaletteCopy && CurrentPalette) {
    CopyLogicalPalette(CurrentPalette.bytes(), DefaultPaletteCopy.bytes());
  }
}

void AppState::MakeTempFiles(const StartupEnvironment& env) {
  TempPathA = MakeScratchFile(env);
  TempPathB = MakeScratchFile(env);
}

void AppState::AllocateBuffers(Notifier& notifier) {
  Buffers.Picture = Allocate(kPictureBlockSize, notifier);
  Buffers.Preview = Allocate(kPreviewSlotSize, notifier);
  Buffers.PictureWorkspace = Allocate(kPictureBlockSize, notifier);
  Buffers.LiveFrame = Allocate(kPreviewSlotSize, notifier);
  FillGreyPicture(Buffers.LiveFrame, 160, 120);
  Buffers.LivePhoto = Allocate(kPictureBlockSize, notifier);
  FillGreyPicture(Buffers.LivePhoto, 640, 480);
}

void AppState::ReadSettings() {
  const std::string preview =
      Truncated(GetProfileString(SettingsPath, kSettingsSection, kKeyFilePreview, "0"), 10);
  FilePreview = !preview.empty() && preview[0] != '0';
  InitialDirectory = StartDirectory;
  InitialDirectory = Truncated(
      GetProfileString(SettingsPath, kSettingsSection, kKeyInitialPath, StartDirectory),
      kMaxPathLength);
  RecentFiles.clear();
  for (std::size_t i = 1; i <= kMaxRecentFiles; ++i) {
    const std::string key = kKeyRecentFile + std::to_string(i);
    std::string path = GetProfileString(SettingsPath, kDesktopSection, key.c_str(), "");
    if (!path.empty()) RecentFiles.push_back(std::move(path));
  }
  const std::string geometry =
      GetProfileString(SettingsPath, kDesktopSection, kKeyFrameGeometry, "");
  FrameGeometry g;
  g.known = std::sscanf(geometry.c_str(), "%d %d %d %d", &g.x, &g.y, &g.width, &g.height) == 4 &&
            g.width > 0 && g.height > 0;
  g.maximized = GetProfileInt(SettingsPath, kDesktopSection, kKeyFrameMaximized, 0) != 0;
  Frame = g;
}

void AppState::NoteRecentFile(const std::string& path) {
  std::erase(RecentFiles, path);
  RecentFiles.insert(RecentFiles.begin(), path);
  if (RecentFiles.size() > kMaxRecentFiles) RecentFiles.resize(kMaxRecentFiles);
}

bool AppState::WriteSettings(std::string* error) const {
  std::string reason;
  if (!MakeParentFolder(SettingsPath, reason)) {
    if (error) *error = reason;
    return false;
  }
  const bool preview =
      WriteProfileString(SettingsPath, kSettingsSection, kKeyFilePreview, FilePreview ? "1" : "0");
  if (!preview) reason = SystemReason();
  const bool path =
      WriteProfileString(SettingsPath, kSettingsSection, kKeyInitialPath, InitialDirectory);
  if (!path && preview) reason = SystemReason();
  bool desktop = true;
  auto write = [&](const std::string& key, const std::string& value) {
    if (!desktop) return;
    desktop = WriteProfileString(SettingsPath, kDesktopSection, key.c_str(), value);
    if (!desktop && preview && path) reason = SystemReason();
  };
  // A key is written once there is a file for it, and then kept up to date.
  for (std::size_t i = 1; i <= kMaxRecentFiles; ++i) {
    const std::string key = kKeyRecentFile + std::to_string(i);
    const std::string value = i <= RecentFiles.size() ? RecentFiles[i - 1] : "";
    if (value.empty() && GetProfileString(SettingsPath, kDesktopSection, key.c_str(), "").empty()) {
      continue;
    }
    write(key, value);
  }
  if (Frame.known) {
    write(kKeyFrameGeometry, std::to_string(Frame.x) + " " + std::to_string(Frame.y) + " " +
                                 std::to_string(Frame.width) + " " + std::to_string(Frame.height));
    write(kKeyFrameMaximized, Frame.maximized ? "1" : "0");
  }
  if (error) *error = reason;
  return preview && path && desktop;
}

std::string SettingsNotWritten(const std::string& path, const std::string& reason) {
  return "The settings could not be written to " + path + ": " + reason + ".";
}

void AppState::ReleaseBuffers() {
  Buffers = SharedBuffers{};
  CurrentPalette.Reset();
  DefaultPaletteCopy.Reset();
}

void AppState::DeleteTempFiles() {
  for (std::string* path : {&TempPathA, &TempPathB}) {
    if (!path->empty()) std::remove(path->c_str());
  }
}

}  // namespace lumarel
