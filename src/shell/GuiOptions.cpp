// SPDX-License-Identifier: MIT
#include "shell/GuiOptions.h"

#include <set>
#include <string_view>

namespace lumarel {

const char* const kGuiUsage =
    "usage: lumarel [--settings FILE] [FILE...]\n"
    "  FILE...          JPEG or BMP pictures to open, each in its own window\n"
    "  --settings FILE  settings file (default: ~/.config/lumarel/zelcam.ini, or\n"
    "                   zelcam.ini beside the executable when you may write it)\n"
    "  --version        print the version and exit\n"
    "  --help           print this text and exit\n";

namespace {

// Qt's own options as QApplication takes them out (one or two dashes); the
// line is parsed before QApplication exists, so they are passed over here.
int QtOptionWords(const std::string& word) {
  static const std::set<std::string, std::less<>> withValue = {
      "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
      "qwindowicon", "qwindowtitle", "session", "display", "name", "title", "geometry",
      "style", "stylesheet", "qmljsdebugger"};
  static const std::set<std::string, std::less<>> alone = {"reverse", "widgetcount", "nograb",
                                                           "dograb", "sync"};
  std::string_view name(word);
  name.remove_prefix(name.starts_with("--") ? 2 : 1);
  const std::size_t equals = name.find('=');
  if (equals != std::string_view::npos) {
    return withValue.contains(name.substr(0, equals)) ? 1 : 0;
  }
  if (withValue.contains(name)) return 2;
  return alone.contains(name) ? 1 : 0;
}

}  // namespace

GuiOptions ParseGuiOptions(const std::vector<std::string>& args) {
  GuiOptions o;
  bool options = true;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& word = args[i];
    if (!options || word.empty() || word[0] != '-' || word == "-") {
      o.files.push_back(word);
    } else if (const int qtWords = QtOptionWords(word); qtWords > 0) {
      i += static_cast<std::size_t>(qtWords - 1);
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
