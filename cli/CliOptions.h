// The command line of lumarel-cli:
//   lumarel-cli [--port DEVICE] [--settings FILE] [--max-speed BPS] [-q] COMMAND [ARGS]
// parsed into one request; anything malformed is a usage error.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lumarel::cli {

enum class Command {
  None,
  Info, List, Thumbs, Get, Put, Delete, Erase, Live, Still,  // camera
  Convert, Adjust, Exif,                                      // offline
};

// Output file types, as the Save As dialogs offer them.
enum class FileFormat { Jpeg, Bmp24, Bmp8 };

struct GlobalOptions {
  std::string port;                    // empty: scan COM1..COM4 through the settings file
  std::string settings;                // empty: the user's zelcam.ini (platform/UserPaths.h)
  std::optional<std::uint32_t> maxSpeed;  // 115200, 57600 or 19200
  bool quiet = false;
};

struct AdjustOptions {
  bool automatic = false;
  std::optional<int> brightness, contrast, saturation, sharpness;
};

struct Request {
  GlobalOptions global;
  Command command = Command::None;
  std::vector<int> numbers;            // 1-based picture numbers, ascending, no duplicates
  bool all = false;
  std::optional<FileFormat> format;
  std::string outDir = ".";
  bool skipExisting = false;
  std::vector<std::string> files;      // positional file arguments
  bool fine = false;                   // put: --fine (else --normal)
  bool yes = false;
  AdjustOptions adjust;
};

struct ParseResult {
  bool ok = false;
  bool help = false;  // --help: print the usage and succeed
  bool version = false;  // --version: print the version and succeed
  std::string error;  // why the line is malformed
  Request request;
};

ParseResult ParseCommandLine(const std::vector<std::string>& args);

// True for the commands that talk to a camera.
bool NeedsCamera(Command command);

// The format to save OUT in: the one given, else by OUT's extension (".bmp"
// gives a 24-bit BMP), else JPEG.
FileFormat FormatFor(const Request& request, const std::string& outPath);
// ".jpg" or ".bmp".
const char* ExtensionOf(FileFormat format);

extern const char* const kUsage;

}  // namespace lumarel::cli
