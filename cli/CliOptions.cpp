#include "cli/CliOptions.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <map>

namespace lumarel::cli {

const char* const kUsage =
    "usage: lumarel-cli [--port DEVICE] [--settings FILE] [--max-speed BPS] [-q] COMMAND [ARGS]\n"
    "\n"
    "Camera commands (picture numbers N are 1-based, as the labels show them):\n"
    "  info                          model, variant, write protection, capacity, pictures, speed\n"
    "  list                          one line per picture: number, label, file name, F/N, WxH\n"
    "  thumbs DIR                    every preview as a 24-bit BMP in DIR\n"
    "  get (N... | --all) [--format jpg|bmp|bmp8] [--out DIR] [--skip-existing]\n"
    "                                download and save pictures under their default names\n"
    "  put FILE (--fine | --normal)  send a JPEG or BMP file to the camera\n"
    "  delete (N... | --all) [--yes] delete pictures\n"
    "  erase [--yes]                 erase the camera's flash memory\n"
    "  live OUT.bmp                  one live frame as a 160 x 120 24-bit BMP\n"
    "  still OUT [--format jpg|bmp|bmp8]  a zoom still\n"
    "Offline commands:\n"
    "  convert IN OUT [--format jpg|bmp|bmp8]\n"
    "  adjust IN OUT (--auto | [--brightness B] [--contrast C] [--saturation S]\n"
    "                 [--sharpness H]) [--format jpg|bmp|bmp8]\n"
    "  exif IN OUT                   rewrite a JPEG file as an Exif file\n"
    "\n"
    "Options:\n"
    "  --port DEVICE     use only this serial device (default: COM1..COM4 as mapped in\n"
    "                    the [Ports] section of the settings file)\n"
    "  --settings FILE   settings file (default: ~/.config/lumarel/zelcam.ini, or\n"
    "                    zelcam.ini beside the executable when that exists)\n"
    "  --version         print the version and exit\n"
    "  --max-speed BPS   fastest line speed to negotiate: 115200, 57600 or 19200\n"
    "  -q                no progress output\n"
    "\n"
    "Messages of the program appear on standard error as 'CAPTION: text'.\n"
    "Exit status: 0 success; 1 camera or link failure; 2 usage error; 3 file error.\n";

namespace {

const std::map<std::string, Command>& CommandNames() {
  static const std::map<std::string, Command> names{
      {"info", Command::Info},       {"list", Command::List},   {"thumbs", Command::Thumbs},
      {"get", Command::Get},         {"put", Command::Put},     {"delete", Command::Delete},
      {"erase", Command::Erase},     {"live", Command::Live},   {"still", Command::Still},
      {"convert", Command::Convert}, {"adjust", Command::Adjust}, {"exif", Command::Exif}};
  return names;
}

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

  bool ParseGlobal() {
    while (!words.Done() && words.Peek().size() > 1 && words.Peek()[0] == '-') {
      std::string word = words.Take();
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
        return Fail("unknown option " + word);
      }
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
    else return Fail("unknown option " + word + " for this command");
    return true;
  }

  bool ParsePictureNumber(const std::string& word) {
    long n = 0;
    if (!ToInt(word, n) || n < 1 || n > 800) return Fail("not a picture number: " + word);
    req.numbers.push_back(static_cast<int>(n));
    return true;
  }

  bool ParseArguments() {
    while (!words.Done()) {
      std::string word = words.Take();
      const bool negativeNumber = word.size() > 1 && word[0] == '-' &&
                                  std::isdigit(static_cast<unsigned char>(word[1]));
      if (word.size() > 1 && word[0] == '-' && !negativeNumber) {
        if (word == "-h" || word == "--help") {
          result.help = true;
          continue;
        }
        if (!ParseCommandOption(word)) return false;
      } else if (req.command == Command::Get || req.command == Command::Delete) {
        if (!ParsePictureNumber(word)) return false;
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
      case Command::Erase: return files(0, "no arguments");
      case Command::Thumbs: return files(1, "DIR");
      case Command::Live:
      case Command::Still: return files(1, "OUT");
      case Command::Put:
        if (fineGiven == normalGiven) return Fail("put needs exactly one of --fine, --normal");
        return files(1, "FILE");
      case Command::Get:
      case Command::Delete:
        if (req.all == !req.numbers.empty()) return Fail("give picture numbers or --all");
        std::sort(req.numbers.begin(), req.numbers.end());
        req.numbers.erase(std::unique(req.numbers.begin(), req.numbers.end()),
                          req.numbers.end());
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
    if (result.help) {
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
