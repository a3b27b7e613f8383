// SPDX-License-Identifier: MIT
#include "cli/OverwritePolicy.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <istream>
#include <ostream>

namespace lumarel::cli {
namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  const auto first = text.find_first_not_of(" \t\r");
  const auto last = text.find_last_not_of(" \t\r");
  return first == std::string::npos ? "" : text.substr(first, last - first + 1);
}

}  // namespace

OverwriteMode OverwritePolicy::ModeFor(bool forceOverwrite, bool inputIsTerminal,
                                       bool errIsTerminal) {
  if (forceOverwrite) return OverwriteMode::Replace;
  return inputIsTerminal && errIsTerminal ? OverwriteMode::Ask : OverwriteMode::Skip;
}

OverwriteDecision OverwritePolicy::For(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return quit_ ? OverwriteDecision::Quit
                                                    : OverwriteDecision::Write;
  return ForExisting(path);
}

OverwriteDecision OverwritePolicy::ForExisting(const std::string& path) {
  if (quit_) return OverwriteDecision::Quit;
  if (mode_ == OverwriteMode::Replace || replaceAll_) return OverwriteDecision::Write;
  if (mode_ == OverwriteMode::Skip) {
    err_ << "lumarel-cli: " << path << " exists, not replaced (--force-overwrite replaces it)"
         << std::endl;
    skippedUnasked_ = true;
    return OverwriteDecision::Skip;
  }
  while (true) {
    err_ << path << " exists. Replace it? [y]es, [n]o, [a]ll, [q]uit: " << std::flush;
    std::string line;
    if (!std::getline(in_, line)) {  // end of input: stop asking, keep everything
      err_ << std::endl;
      quit_ = true;
      return OverwriteDecision::Quit;
    }
    const std::string answer = Lower(line);
    if (answer == "y" || answer == "yes") return OverwriteDecision::Write;
    if (answer == "n" || answer == "no") return OverwriteDecision::Skip;
    if (answer == "a" || answer == "all") {
      replaceAll_ = true;
      return OverwriteDecision::Write;
    }
    if (answer == "q" || answer == "quit") {
      quit_ = true;
      return OverwriteDecision::Quit;
    }
  }
}

}  // namespace lumarel::cli
