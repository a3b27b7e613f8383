// SPDX-License-Identifier: MIT
// The command line of lumarel-cli:
//   lumarel-cli [--port DEVICE] [--settings FILE] [--max-speed BPS] [-q] COMMAND [ARGS]
// parsed into one request; anything malformed is a usage error. The global
// options may also follow the command.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/FileNames.h"
#include "cli/PictureNumbers.h"

namespace lumarel::cli {

enum class Command {
  None,
  Info, List, Thumbs, Get, Put, Delete, Erase, Live, Still, Ports,  // camera
  Convert, Adjust, Exif,                                      // offline
};

// Output file types, as the Save As dialogs offer them.
enum class FileFormat { Jpeg, Bmp24, Bmp8 };

struct GlobalOptions {
  std::string port;                    // empty: scan COM1..COM4 through the settings file
  std::string settings;                // empty: the user's zelcam.ini (platform/UserPaths.h)
  std::optional<std::uint32_t> maxSpeed;  // 115200, 57600 or 19200
  bool quiet = false;
  bool debug = false;                  // --debug: the trace on standard error
  std::string debugLogFile;            // --debug-logfile FILE: the trace into FILE
  bool noCache = false;                // --no-cache: every preview read from the camera
};

struct AdjustOptions {
  bool automatic = false;
  std::optional<int> brightness, contrast, saturation, sharpness;
};

struct Request {
  GlobalOptions global;
  Command command = Command::None;
  std::vector<NumberRange> ranges;     // get, delete: as given ("1-5", "7", "10-")
  std::vector<int> numbers;            // the closed ranges' numbers, ascending, no duplicates
  bool all = false;
  std::optional<FileFormat> format;
  std::string outDir = ".";
  bool skipExisting = false;
  bool onlyNew = false;                // get --new: pictures never imported into outDir
  std::string filePattern = kDefaultFilePattern;  // get --filename
  bool forceOverwrite = false;         // get --force-overwrite
  int retries = 2;                     // get --retries: further tries after a lost or silent line
  bool original = false;               // get --original: the camera's JPEG bytes as received
  bool processed = false;              // get --processed: with --original, also the processed one
  std::string hook;                    // get --hook CMD (cli/Hook.h)
  bool nullSeparated = false;          // get -0, --null: paths end in NUL, not a newline
  std::vector<std::string> files;      // positional file arguments
  bool fine = false;                   // put: --fine (else --normal)
  bool yes = false;
  AdjustOptions adjust;
};

struct ParseResult {
  bool ok = false;
  bool help = false;     // --help: print the usage (of request.command when set) and succeed
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

// The whole usage, and one command's (the whole one for Command::None).
extern const char* const kUsage;
std::string UsageOf(Command command);

// "lumarel-cli " and the project's version.
std::string VersionLine();
// The line after a usage error's own.
inline constexpr char kTryHelp[] = "Try 'lumarel-cli --help'.";

}  // namespace lumarel::cli
