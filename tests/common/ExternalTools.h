// SPDX-License-Identifier: MIT
// Outside programs the tests use as oracles or to make input pictures. A test
// that needs one skips, saying which, when it is not installed.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <initializer_list>
#include <string>

namespace lumarel::testing {

inline bool ToolInstalled(const std::string& name) {
  return std::system(("command -v '" + name + "' > /dev/null 2>&1").c_str()) == 0;
}

// The Debian package that provides a tool, for the skip message.
inline std::string ToolPackage(const std::string& name) {
  if (name == "exiftool") return "libimage-exiftool-perl";
  if (name == "djpeg" || name == "cjpeg") return "libjpeg-turbo-progs";
  if (name == "convert" || name == "identify") return "imagemagick";
  if (name == "exiv2") return "exiv2";
  return name;
}

// "convert (imagemagick), djpeg (libjpeg-turbo-progs)" for the tools missing; empty when none is.
inline std::string MissingTools(std::initializer_list<const char*> names) {
  std::string missing;
  for (const char* name : names) {
    if (ToolInstalled(name)) continue;
    if (!missing.empty()) missing += ", ";
    missing += std::string(name) + " (" + ToolPackage(name) + ")";
  }
  return missing;
}

}  // namespace lumarel::testing

// Skips the current test (or fixture set-up) when a named tool is missing.
#define LUMAREL_SKIP_WITHOUT(...)                                                      \
  do {                                                                                 \
    const std::string lumarelMissing = ::lumarel::testing::MissingTools({__VA_ARGS__}); \
    if (!lumarelMissing.empty()) GTEST_SKIP() << "not installed: " << lumarelMissing;   \
  } while (0)
