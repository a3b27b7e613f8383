// SPDX-License-Identifier: MIT
#include "shell/GuiOptions.h"

namespace lumarel {

const char* const kGuiUsage =
    "usage: lumarel [--settings FILE] [FILE...]\n"
    "  FILE...          JPEG or BMP pictures to open, each in its own window\n"
    "  --settings FILE  settings file (default: ~/.config/lumarel/zelcam.ini, or\n"
    "                   zelcam.ini beside the executable when that exists)\n"
    "  --version        print the version and exit\n"
    "  --help           print this text and exit\n";

GuiOptions ParseGuiOptions(const std::vector<std::string>& args) {
  GuiOptions o;
  bool options = true;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& word = args[i];
    if (!options || word.empty() || word[0] != '-' || word == "-") {
      o.files.push_back(word);
    } else if (word == "--") {
      options = false;
    } else if (word == "--help" || word == "-h") {
      o.help = true;
    } else if (word == "--version") {
      o.version = true;
    } else if (word == "--settings" && i + 1 < args.size()) {
      o.settingsFile = args[++i];
    } else if (word.rfind("--settings=", 0) == 0 && word.size() > 11) {
      o.settingsFile = word.substr(11);
    } else {
      o.ok = false;
      o.error = word == "--settings" ? "--settings needs a file" : "unknown option " + word;
      return o;
    }
  }
  return o;
}

}  // namespace lumarel
