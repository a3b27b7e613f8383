// SPDX-License-Identifier: MIT
#include "platform/UserPaths.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <unistd.h>

#include "platform/Files.h"

namespace lumarel {
namespace {

namespace fs = std::filesystem;

// An environment variable that names an absolute path; empty otherwise (the
// XDG base directory rules ignore relative values).
std::string AbsoluteVariable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] == '/' ? std::string(value) : std::string();
}

// The program's folder under the XDG base folder `variable` names, else under
// `fallback` in the home folder; empty when neither is known.
std::string XdgProgramDirectory(const char* variable, const char* fallback) {
  std::string base = AbsoluteVariable(variable);
  if (base.empty()) {
    const std::string home = AbsoluteVariable("HOME");
    if (home.empty()) return {};
    base = JoinPath(home, fallback);
  }
  return JoinPath(base, "lumarel");
}

}  // namespace

std::string UserConfigDirectory() { return XdgProgramDirectory("XDG_CONFIG_HOME", ".config"); }

std::string UserCacheDirectory() { return XdgProgramDirectory("XDG_CACHE_HOME", ".cache"); }

std::string ChooseSettingsFile(const std::string& explicitFile,
                               const std::string& executableDirectory,
                               const std::string& configDirectory) {
  if (!explicitFile.empty()) return explicitFile;
  const std::string beside = JoinPath(executableDirectory, kSettingsFileName);
  std::error_code ec;
  if (!executableDirectory.empty() && fs::is_regular_file(beside, ec) &&
      ::access(beside.c_str(), W_OK) == 0) {
    return beside;
  }
  if (!configDirectory.empty()) return JoinPath(configDirectory, kSettingsFileName);
  return beside;
}

std::string DefaultSettingsFile() {
  return ChooseSettingsFile({}, ExecutableDirectory(), UserConfigDirectory());
}

bool MakeParentFolder(const std::string& file, std::string& error) {
  const fs::path parent = fs::path(file).parent_path();
  if (parent.empty()) return true;
  std::error_code ec;
  if (fs::is_directory(parent, ec)) return true;
  fs::create_directories(parent, ec);
  if (ec) {
    error = ec.message();
    return false;
  }
  fs::permissions(parent, fs::perms::owner_all, fs::perm_options::replace, ec);
  return true;
}

}  // namespace lumarel
