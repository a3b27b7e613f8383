// SPDX-License-Identifier: MIT
// The process-wide paths, settings and buffers prepared once while the frame is
// created: the user's settings file (platform/UserPaths.h), the start-up
// directory, the two scratch files in the private scratch folder, the five shared
// picture buffers and, on 8-bit screens, the palette blocks. Settings (with the
// recent files and the frame's geometry) are written back at exit.
#pragma once

#include <string>
#include <vector>

#include "imagefile/DibImage.h"
#include "platform/Notifier.h"
#include "platform/UserPaths.h"

namespace lumarel {

inline constexpr const char* kSettingsSection = "Mode";
inline constexpr const char* kKeyFilePreview = "FILEPREV";
inline constexpr const char* kKeyInitialPath = "FILEINITPATH";
inline constexpr std::size_t kMaxPathLength = 260;
// The desktop's own settings: recent files and the frame's place.
inline constexpr const char* kDesktopSection = "Desktop";
inline constexpr const char* kKeyRecentFile = "RECENT";  // RECENT1 .. RECENT5
inline constexpr const char* kKeyFrameGeometry = "FRAME";  // "x y width height"
inline constexpr const char* kKeyFrameMaximized = "FRAMEMAXIMIZED";
inline constexpr std::size_t kMaxRecentFiles = 5;
// "1" in this environment variable runs the program as on an 8-bit screen.
inline constexpr const char* kPaletteDisplayVariable = "LUMAREL_PALETTE_DISPLAY";

// Where the program runs; filled from the process by default, by tests at will.
struct StartupEnvironment {
  std::string executableDirectory;  // a zelcam.ini here wins (portable use)
  std::string configDirectory;      // the user's settings folder; empty: none
  std::string settingsFile;         // --settings FILE; empty: chosen as above
  std::string currentDirectory;     // becomes StartDirectory; nothing is written there
  std::string userTempDirectory;    // the private scratch folder of the two scratch files
  int screenDepth = 24;             // bits per pixel
  bool forcePaletteDisplay = false; // test switch: behave as on an 8-bit screen

  // The process's directories; forcePaletteDisplay from kPaletteDisplayVariable.
  static StartupEnvironment FromProcess(int screenDepth);
};

// The shared buffers, allocated in this order.
struct SharedBuffers {
  MemoryBlock Picture;           // JPEG data of a picture received or to send
  MemoryBlock Preview;           // one preview's data received or to send
  MemoryBlock PictureWorkspace;  // 640 x 480 picture opened from a file or the live photo
  MemoryBlock LiveFrame;         // 160 x 120 live picture, mid grey at start
  MemoryBlock LivePhoto;         // 640 x 480 live zoom picture, mid grey at start
};

// The frame's normal (not maximised) place and size, and whether it was maximised.
struct FrameGeometry {
  bool known = false;
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool maximized = false;
};

class AppState {
 public:
  // Runs the start-up preparation; failed allocations are reported and skipped.
  void Prepare(const StartupEnvironment& env, Notifier& notifier);
  // Writes FILEPREV and FILEINITPATH into SettingsPath, making its folder when
  // needed; false with the system's reason in `error` when that failed.
  bool WriteSettings(std::string* error = nullptr) const;
  void ReleaseBuffers();
  void DeleteTempFiles();
  // Puts `path` first in RecentFiles (once), keeping the newest kMaxRecentFiles.
  void NoteRecentFile(const std::string& path);

  std::string StartDirectory;
  std::string SettingsPath;
  std::string InitialDirectory;
  std::string TempPathA;
  std::string TempPathB;
  bool FilePreview = false;
  bool PaletteDisplay = false;
  std::vector<std::string> RecentFiles;  // newest first
  FrameGeometry Frame;
  SharedBuffers Buffers;
  MemoryBlock CurrentPalette;       // the shared palette buffer (palette displays only)
  MemoryBlock DefaultPaletteCopy;   // unchanging copy for the Preview and Live windows

 private:
  void PreparePalettes(Notifier& notifier);
  void MakeTempFiles(const StartupEnvironment& env);
  void AllocateBuffers(Notifier& notifier);
  void ReadSettings();
};

// The message shown when the settings could not be written at exit.
std::string SettingsNotWritten(const std::string& path, const std::string& reason);

// A picture block holding a 24-bit width x height DIB with every pixel byte 128.
void FillGreyPicture(MemoryBlock& block, int width, int height);

}  // namespace lumarel
