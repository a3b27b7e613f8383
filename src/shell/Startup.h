// The process-wide paths, settings and buffers prepared once while the frame is
// created: the settings file beside the executable, the start-up directory, the
// two scratch files, the five shared picture buffers and, on 8-bit screens, the
// palette blocks. Settings are written back at exit.
#pragma once

#include <string>

#include "imagefile/DibImage.h"
#include "platform/Notifier.h"

namespace lumarel {

inline constexpr const char* kSettingsFileName = "zelcam.ini";
inline constexpr const char* kSettingsSection = "Mode";
inline constexpr const char* kKeyFilePreview = "FILEPREV";
inline constexpr const char* kKeyInitialPath = "FILEINITPATH";
inline constexpr std::size_t kMaxPathLength = 260;
// "1" in this environment variable runs the program as on an 8-bit screen.
inline constexpr const char* kPaletteDisplayVariable = "LUMAREL_PALETTE_DISPLAY";

// Where the program runs; filled from the process by default, by tests at will.
struct StartupEnvironment {
  std::string executableDirectory;  // holds the settings file
  std::string currentDirectory;     // becomes StartDirectory
  std::string userTempDirectory;    // scratch files when StartDirectory is not writable
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

class AppState {
 public:
  // Runs the start-up preparation; failed allocations are reported and skipped.
  void Prepare(const StartupEnvironment& env, Notifier& notifier);
  // Writes FILEPREV and FILEINITPATH into SettingsPath; false when the file could not be written.
  bool WriteSettings() const;
  void ReleaseBuffers();
  void DeleteTempFiles();

  std::string StartDirectory;
  std::string SettingsPath;
  std::string InitialDirectory;
  std::string TempPathA;
  std::string TempPathB;
  bool FilePreview = false;
  bool PaletteDisplay = false;
  SharedBuffers Buffers;
  MemoryBlock CurrentPalette;       // the shared palette buffer (palette displays only)
  MemoryBlock DefaultPaletteCopy;   // unchanging copy for the Preview and Live windows

 private:
  void PreparePalettes(Notifier& notifier);
  void MakeTempFiles(const StartupEnvironment& env);
  void AllocateBuffers(Notifier& notifier);
  void ReadSettings();
};

// A picture block holding a 24-bit width x height DIB with every pixel byte 128.
void FillGreyPicture(MemoryBlock& block, int width, int height);

}  // namespace lumarel
