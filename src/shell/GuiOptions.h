// SPDX-License-Identifier: MIT
// The command line of the lumarel program:
//   lumarel [--settings FILE] [FILE...]      (--version, --help)
// Each FILE opens in a file window, read as its content says. The line is
// parsed before QApplication exists (a wrong option must not need a display),
// so Qt's own options (-platform NAME, -style=NAME, -reverse ...) are passed over.
#pragma once

#include <string>
#include <vector>

namespace lumarel {

struct GuiOptions {
  bool ok = true;
  bool help = false;
  bool version = false;
  std::string settingsFile;        // --settings FILE; empty: the user's settings file
  std::vector<std::string> files;  // pictures to open at start
  std::string error;               // why the line is malformed
};

// Parses the arguments after the program name. "--" ends the options.
// A Qt option's value missing at the end is left to QApplication to refuse.
GuiOptions ParseGuiOptions(const std::vector<std::string>& args);

extern const char* const kGuiUsage;

}  // namespace lumarel
