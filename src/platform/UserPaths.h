// SPDX-License-Identifier: MIT
// Where the programs keep a user's settings: $XDG_CONFIG_HOME/lumarel/zelcam.ini
// (~/.config/lumarel/zelcam.ini when the variable is unset or not absolute),
// unless a zelcam.ini beside the executable exists (portable use) or the user
// names a file with --settings.
#pragma once

#include <string>

namespace lumarel {

inline constexpr const char* kSettingsFileName = "zelcam.ini";

// $XDG_CONFIG_HOME/lumarel, else $HOME/.config/lumarel; empty when neither variable helps.
std::string UserConfigDirectory();

// $XDG_CACHE_HOME/lumarel, else $HOME/.cache/lumarel; empty when neither variable helps.
std::string UserCacheDirectory();

// The settings file to use: `explicitFile` when not empty; else executableDirectory's
// zelcam.ini when that file exists and this user may write it (portable use; a file
// an administrator put beside an installed program would otherwise override every
// user's settings and fail each exit's write); else configDirectory's zelcam.ini;
// else (no configuration directory known) executableDirectory's zelcam.ini.
std::string ChooseSettingsFile(const std::string& explicitFile,
                               const std::string& executableDirectory,
                               const std::string& configDirectory);

// ChooseSettingsFile for this process, with no explicit file.
std::string DefaultSettingsFile();

// Creates the folder that will hold `file` (and its parents, mode 0700) when it
// is missing. False with the system's reason in `error` when that fails.
bool MakeParentFolder(const std::string& file, std::string& error);

}  // namespace lumarel
