// SPDX-License-Identifier: MIT
#include "cli/CliOptions.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <map>

#include "cli/FileNames.h"
#include "lumarel/Version.h"

namespace lumarel::cli {

const char* const kUsage =
    "usage: lumarel-cli [--port DEVICE] [--settings FILE] [--max-speed BPS] [-q] [--debug]\n"
    "                  [--debug-logfile FILE] [--no-cache] COMMAND [ARGS]\n"
    "\n"
    "Camera commands (picture numbers N are 1-based, as the labels show them;\n"
    "ranges 1-5 and 10- (to the last picture) are accepted too):\n"
    "  info                          model, variant, write protection, capacity, pictures, speed\n"
    "  list                          one line per picture: number, label, file name, F/N, WxH\n"
    "  thumbs DIR                    every preview as a 24-bit BMP in DIR\n"
    "  get (N... | --all) [--new] [--out DIR] [--filename PATTERN] [--format jpg|bmp|bmp8]\n"
    "      [--skip-existing | --force-overwrite] [--retries N]\n"
    "                                download pictures, named by date (%Y%m%d-%H%M-%q)\n"
    "  put FILE (--fine | --normal)  send a JPEG or BMP file to the camera\n"
    "  delete (N... | --all) [--yes] delete pictures\n"
    "  erase [--yes]                 erase the camera's flash memory\n"
    "  live OUT.bmp                  one live frame as a 160 x 120 24-bit BMP\n"
    "  still OUT [--format jpg|bmp|bmp8]  a zoom still\n"
    "  ports                         COM1..COM4: device, access, adapter, camera\n"
    "Offline commands:\n"
    "  convert IN OUT [--format jpg|bmp|bmp8]\n"
    "                                the picture as Open makes it: 640 x 480, larger ones\n"
    "                                cut to their centre, smaller ones centred on black\n"
    "  adjust IN OUT (--auto | [--brightness B] [--contrast C] [--saturation S]\n"
    "                 [--sharpness H]) [--format jpg|bmp|bmp8]\n"
    "  exif IN OUT                   rewrite a JPEG file as an Exif file\n"
    "\n"
    "Options (before or after the command):\n"
    "  --port DEVICE     use only this serial device (default: COM1..COM4 as mapped in\n"
    "                    the [Ports] section of the settings file)\n"
    "  --settings FILE   settings file (default: ~/.config/lumarel/zelcam.ini, or\n"
    "                    zelcam.ini beside the executable when that exists)\n"
    "  --max-speed BPS   fastest line speed to negotiate: 115200, 57600 or 19200\n"
    "  -q, --quiet       no progress, no list of written files, no summary\n"
    "  --debug           trace the line and each step on standard error\n"
    "  --debug-logfile FILE  the same trace into FILE (see the manual for its format)\n"
    "  --no-cache        read every preview of the list; none is taken from the preview\n"
    "                    cache (see the manual)\n"
    "  --version         print the version\n"
    "  COMMAND --help    that command's usage\n"
    "  --                every word after it is an argument (a file named -x)\n"
    "\n"
    "Messages of the program appear on standard error as 'CAPTION: text'.\n"
    "Exit status: 0 success; 1 camera or link failure, or a file not replaced; 2 usage\n"
    "error; 3 file error (also a list of saved files or an import record that could\n"
    "not be written); 130 interrupted.\n";

namespace {

struct CommandUsage {
  Command command;
  const char* text;
};

// One command's usage: its synopsis and what each of its options does.
constexpr CommandUsage kCommandUsages[] = {
    {Command::Info, "usage: lumarel-cli [OPTIONS] info\n"
                    "Model, variant, write protection, capacity, picture count and line speed.\n"},
    {Command::List, "usage: lumarel-cli [OPTIONS] list\n"
                    "One tab-separated line per picture: number, label, default file name, F or N,\n"
                    "WIDTHxHEIGHT; then the free capacity and the count.\n"},
    {Command::Thumbs, "usage: lumarel-cli [OPTIONS] thumbs DIR\n"
                      "Every preview as a 24-bit BMP in DIR (created when missing).\n"},
    {Command::Get,
     "usage: lumarel-cli [OPTIONS] get (N... | --all) [--new] [--out DIR] [--filename PATTERN]\n"
     "       [--format jpg|bmp|bmp8] [--skip-existing | --force-overwrite] [--retries N]\n"
     "       [--original [--processed]] [--hook CMD] [-0]\n"
     "Download pictures (N: 7, 1-5, 10- to the last, 1-3,5) and print each file written.\n"
     "  --new               only pictures never imported into DIR (its .lumarel-imports)\n"
     "  --out DIR           where to save (default: the current folder; created when missing)\n"
     "  --filename PATTERN  %Y %y %m %d %H %M %S (the picture's date), %n (its number, as wide\n"
     "                      as the count), %N (its number, 3 digits), %q (F or N), %C (the\n"
     "                      extension), %%; '/' makes folders; default %Y%m%d-%H%M-%q;\n"
     "                      -2, -3 ... when two would share a name\n"
     "  --format FORMAT     jpg (Exif JPEG, default), bmp (24-bit), bmp8 (256 colours)\n"
     "  --skip-existing     leave out pictures whose file exists\n"
     "  --force-overwrite   replace existing files (else asked, or kept without a terminal)\n"
     "  --retries N         further tries after a lost or silent line (default 2)\n"
     "  --original          save the camera's JPEG bytes untouched (date in the file time)\n"
     "  --processed         with --original, also the processed picture as NAME-processed\n"
     "  --hook CMD          run CMD (sh -c) after each file and at the end; see the manual\n"
     "  -0, --null          end each printed path with NUL instead of a newline\n"},
    {Command::Put, "usage: lumarel-cli [OPTIONS] put FILE (--fine | --normal)\n"
                   "Send a JPEG or BMP file to the camera in Fine or Normal quality.\n"},
    {Command::Delete, "usage: lumarel-cli [OPTIONS] delete (N... | --all) [--yes]\n"
                      "Delete pictures (N: 7, 1-5, 10-). Without --yes the question is asked on\n"
                      "the terminal; declined, nothing is deleted and the status is 0.\n"},
    {Command::Erase, "usage: lumarel-cli [OPTIONS] erase [--yes]\n"
                     "Erase the camera's flash memory, after the question unless --yes.\n"},
    {Command::Live, "usage: lumarel-cli [OPTIONS] live OUT.bmp\n"
                    "One live frame as a 160 x 120 24-bit BMP.\n"},
    {Command::Still, "usage: lumarel-cli [OPTIONS] still OUT [--format jpg|bmp|bmp8]\n"
                     "A zoom still, saved as the Live window's Save As does.\n"},
    {Command::Ports, "usage: lumarel-cli [OPTIONS] ports\n"
                     "COM1..COM4: the device behind each, whether it exists and can be opened,\n"
                     "the adapter's driver and latency timer, and whether a camera answers.\n"},
    {Command::Convert, "usage: lumarel-cli convert IN OUT [--format jpg|bmp|bmp8]\n"
                       "Open IN as the Open command does and save it as the file window does:\n"
                       "always 640 x 480, a larger picture cut to its centre, a smaller one\n"
                       "centred on black.\n"},
    {Command::Adjust,
     "usage: lumarel-cli adjust IN OUT (--auto | [--brightness B] [--contrast C]\n"
     "       [--saturation S] [--sharpness H]) [--format jpg|bmp|bmp8]\n"
     "Apply the picture adjustment (levels -100..100, sharpness 0..100).\n"},
    {Command::Exif, "usage: lumarel-cli exif IN OUT\n"
                    "Rewrite a JPEG file as the program's Exif file; a picture stored\n"
                    "turned (Exif orientation) is written upright.\n"},
};

}  // namespace

std::string UsageOf(Command command) {
  for (const CommandUsage& u : kCommandUsages)
    if (u.command == command) return u.text;
  return kUsage;
}

std::string VersionLine() { return std::string("lumarel-cli ") + kVersion; }

namespace {

const std::map<std::string, Command>& CommandNames() {
  static const std::map<std::string, Command> names{
      {"info", Command::Info},       {"list", Command::List},   {"thumbs", Command::Thumbs},
      {"get", Command::Get},         {"put", Command::Put},     {"delete", Command::Delete},
      {"erase", Command::Erase},     {"live", Command::Live},   {"still", Command::Still},
      {"ports", Command::Ports},
      {"convert", Command::Convert}, {"adjust", Command::Adjust}, {"exif", Command::Exif}};
  return names;
}

constexpr long kMaxRetries = 20;

bool ToInt(const std::string& text, long& value) {
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return !text.empty() && ec == std::errc() && ptr == end;
}

// Walks the words of the command line; options take their value from the
// next word or after '='.
class Words {
 public:
  explicit Words(const std::vector<std::string>& args) : args_(args) {}
  bool Done() const { return next_ >= args_.size(); }
  const std::string& Peek() const { return args_[next_]; }
  std::string Take() { return args_[next_++]; }

 private:
  const std::vector<std::string>& args_;
  std::size_t next_ = 0;
};

struct Parser {
  Words words;
  ParseResult result;
  Request& req = result.request;

  bool Fail(std::string message) {
    if (result.error.empty()) result.error = std::move(message);
    return false;
  }

  // Splits "--name=value"; value comes from the next word otherwise.
  bool OptionValue(std::string& word, std::string& value) {
    const auto eq = word.find('=');
    if (word.rfind("--", 0) == 0 && eq != std::string::npos) {
      value = word.substr(eq + 1);
      word.resize(eq);
      return true;
    }
    if (words.Done()) return Fail("option " + word + " needs a value");
    value = words.Take();
    return true;
  }
  bool HasInlineValue(const std::string& word) const {
    return word.rfind("--", 0) == 0 && word.find('=') != std::string::npos;
  }

  // One global option; false when word is none (nothing consumed then) or
  // its value is bad (error set).
  bool ParseGlobalWord(std::string word, bool& known) {
    known = true;
    std::string value;
    if (word == "-q" || word == "--quiet") {
      req.global.quiet = true;
    } else if (word == "-h" || word == "--help") {
      result.help = true;
    } else if (word == "--version") {
      result.version = true;
    } else if (word.rfind("--port", 0) == 0 && (word == "--port" || HasInlineValue(word))) {
      if (!OptionValue(word, value)) return false;
      if (value.empty()) return Fail("--port needs a device");
      req.global.port = value;
    } else if (word == "--debug") {
      req.global.debug = true;
    } else if (word == "--no-cache") {
      req.global.noCache = true;
    } else if (word.rfind("--debug-logfile", 0) == 0 &&
               (word == "--debug-logfile" || HasInlineValue(word))) {
      if (!OptionValue(word, value)) return false;
      if (value.empty()) return Fail("--debug-logfile needs a file");
      req.global.debugLogFile = value;
    } else if (word.rfind("--settings", 0) == 0 &&
               (word == "--settings" || HasInlineValue(word))) {
      if (!OptionValue(word, value)) return false;
      req.global.settings = value;
    } else if (word.rfind("--max-speed", 0) == 0 &&
               (word == "--max-speed" || HasInlineValue(word))) {
      if (!OptionValue(word, value)) return false;
      long speed = 0;
      if (!ToInt(value, speed) || (speed != 115200 && speed != 57600 && speed != 19200))
        return Fail("--max-speed must be 115200, 57600 or 19200");
      req.global.maxSpeed = static_cast<std::uint32_t>(speed);
    } else {
      known = false;
      return false;
    }
    return true;
  }

  bool ParseGlobal() {
    while (!words.Done() && words.Peek().size() > 1 && words.Peek()[0] == '-') {
      std::string word = words.Take();
      bool known = false;
      if (!ParseGlobalWord(word, known)) return known ? false : Fail("unknown option " + word);
    }
    return true;
  }

  bool ParseFormat(std::string& word) {
    std::string value;
    if (!OptionValue(word, value)) return false;
    if (value == "jpg" || value == "jpeg") req.format = FileFormat::Jpeg;
    else if (value == "bmp") req.format = FileFormat::Bmp24;
    else if (value == "bmp8") req.format = FileFormat::Bmp8;
    else return Fail("--format must be jpg, bmp or bmp8");
    return true;
  }

  bool ParseLevel(std::string& word, std::optional<int>& level, int minimum) {
    std::string value;
    if (!OptionValue(word, value)) return false;
    long v = 0;
    if (!ToInt(value, v) || v < minimum || v > 100)
      return Fail(word + " must be a number from " + std::to_string(minimum) + " to 100");
    level = static_cast<int>(v);
    return true;
  }

  // One option of the command's own set; false (with an error) for any other.
  bool ParseCommandOption(std::string word) {
    const std::string name = word.substr(0, word.find('='));
    const Command c = req.command;
    const bool picks = c == Command::Get || c == Command::Delete;
    const bool saves = c == Command::Get || c == Command::Still || c == Command::Convert ||
                       c == Command::Adjust;
    if (name == "--all" && picks) req.all = true;
    else if (name == "--yes" && (c == Command::Delete || c == Command::Erase)) req.yes = true;
    else if (name == "--skip-existing" && c == Command::Get) req.skipExisting = true;
    else if (name == "--new" && c == Command::Get) req.onlyNew = true;
    else if (name == "--force-overwrite" && c == Command::Get) req.forceOverwrite = true;
    else if (name == "--original" && c == Command::Get) req.original = true;
    else if (name == "--processed" && c == Command::Get) req.processed = true;
    else if ((name == "-0" || name == "--null") && c == Command::Get) req.nullSeparated = true;
    else if (name == "--hook" && c == Command::Get) {
      if (!OptionValue(word, req.hook)) return false;
      if (req.hook.empty()) return Fail("--hook needs a command");
    }
    else if (name == "--filename" && c == Command::Get) {
      if (!OptionValue(word, req.filePattern)) return false;
      if (std::string why = CheckFilePattern(req.filePattern); !why.empty()) return Fail(why);
    } else if (name == "--retries" && c == Command::Get) {
      std::string value;
      if (!OptionValue(word, value)) return false;
      long n = 0;
      if (!ToInt(value, n) || n < 0 || n > kMaxRetries)
        return Fail("--retries must be a number from 0 to " + std::to_string(kMaxRetries));
      req.retries = static_cast<int>(n);
    }
    else if (name == "--fine" && c == Command::Put) req.fine = true, fineGiven = true;
    else if (name == "--normal" && c == Command::Put) normalGiven = true;
    else if (name == "--format" && saves) return ParseFormat(word);
    else if (name == "--out" && c == Command::Get) {
      if (!OptionValue(word, req.outDir)) return false;
      if (req.outDir.empty()) return Fail("--out needs a directory");
    } else if (c == Command::Adjust && name == "--auto") req.adjust.automatic = true;
    else if (c == Command::Adjust && name == "--brightness")
      return ParseLevel(word, req.adjust.brightness, -100);
    else if (c == Command::Adjust && name == "--contrast")
      return ParseLevel(word, req.adjust.contrast, -100);
    else if (c == Command::Adjust && name == "--saturation")
      return ParseLevel(word, req.adjust.saturation, -100);
    else if (c == Command::Adjust && name == "--sharpness")
      return ParseLevel(word, req.adjust.sharpness, 0);
    else {
      bool known = false;
      if (ParseGlobalWord(word, known)) return true;
      return known ? false : Fail("unknown option " + word + " for this command");
    }
    return true;
  }

  // "1-3,5 7": ranges separated by commas and blanks, in one word or several.
  bool ParsePictureNumbers(const std::string& word) {
    std::size_t start = 0;
    for (std::size_t i = 0; i <= word.size(); ++i) {
      if (i < word.size() && word[i] != ',' && word[i] != ' ' && word[i] != '\t') continue;
      const std::string part = word.substr(start, i - start);
      start = i + 1;
      if (part.empty()) continue;
      std::string why;
      const std::optional<NumberRange> range = ParseNumberRange(part, why);
      if (!range) return Fail(why);
      req.ranges.push_back(*range);
    }
    return true;
  }

  bool ParseArguments() {
    bool optionsEnded = false;  // after "--" every word is an argument (a file named "-x")
    while (!words.Done()) {
      std::string word = words.Take();
      if (word == "--" && !optionsEnded) {
        optionsEnded = true;
        continue;
      }
      const bool negativeNumber = word.size() > 1 && word[0] == '-' && word != "-0" &&
                                  std::isdigit(static_cast<unsigned char>(word[1]));
      if (!optionsEnded && word.size() > 1 && word[0] == '-' && !negativeNumber) {
        if (!ParseCommandOption(word)) return false;
      } else if (req.command == Command::Get || req.command == Command::Delete) {
        if (!ParsePictureNumbers(word)) return false;
      } else {
        req.files.push_back(word);
      }
    }
    return true;
  }

  bool CheckShape() {
    const Command c = req.command;
    auto files = [&](std::size_t n, const char* what) {
      return req.files.size() == n || Fail(std::string("expected ") + what);
    };
    switch (c) {
      case Command::Info:
      case Command::List:
      case Command::Ports:
      case Command::Erase: return files(0, "no arguments");
      case Command::Thumbs: return files(1, "DIR");
      case Command::Live:
      case Command::Still: return files(1, "OUT");
      case Command::Put:
        if (fineGiven == normalGiven) return Fail("put needs exactly one of --fine, --normal");
        return files(1, "FILE");
      case Command::Get:
      case Command::Delete:
        if (req.all && !req.ranges.empty())
          return Fail("give picture numbers or --all, not both");
        if (!req.all && req.ranges.empty()) return Fail("give picture numbers or --all");
        if (req.processed && !req.original)
          return Fail("--processed goes with --original (without it the picture is processed)");
        if (req.original && !req.processed && req.format && *req.format != FileFormat::Jpeg)
          return Fail("--original keeps the camera's JPEG; --format needs --processed");
        if (req.skipExisting && req.forceOverwrite)
          return Fail("--skip-existing and --force-overwrite exclude each other");
        req.numbers = ClosedNumbers(req.ranges);
        return true;
      case Command::Convert:
      case Command::Exif: return files(2, "IN OUT");
      case Command::Adjust: {
        const AdjustOptions& a = req.adjust;
        if (a.automatic && (a.brightness || a.contrast || a.saturation || a.sharpness))
          return Fail("--auto cannot be combined with manual values");
        return files(2, "IN OUT");
      }
      case Command::None: return Fail("no command");
    }
    return true;
  }

  void Run() {
    if (!ParseGlobal()) return;
    if (result.version) {
      result.ok = true;
      return;
    }
    if (words.Done()) {
      if (!result.help && !result.version) Fail("no command");
      result.ok = result.help || result.version;
      return;
    }
    const std::string name = words.Take();
    const auto it = CommandNames().find(name);
    if (it == CommandNames().end()) {
      Fail("unknown command " + name);
      return;
    }
    req.command = it->second;
    if (!ParseArguments()) return;
    if (result.help || result.version) {
      result.ok = true;
      return;
    }
    result.ok = CheckShape();
  }

  bool fineGiven = false;
  bool normalGiven = false;
};

}  // namespace

ParseResult ParseCommandLine(const std::vector<std::string>& args) {
  Parser parser{Words(args), {}};
  parser.Run();
  return std::move(parser.result);
}

bool NeedsCamera(Command command) {
  switch (command) {
    case Command::Convert:
    case Command::Adjust:
    case Command::Exif:
    case Command::None: return false;
    default: return true;
  }
}

FileFormat FormatFor(const Request& request, const std::string& outPath) {
  if (request.format) return *request.format;
  const auto dot = outPath.rfind('.');
  if (dot != std::string::npos) {
    std::string ext = outPath.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    if (ext == "bmp") return FileFormat::Bmp24;
  }
  return FileFormat::Jpeg;
}

const char* ExtensionOf(FileFormat format) { return format == FileFormat::Jpeg ? ".jpg" : ".bmp"; }

}  // namespace lumarel::cli
