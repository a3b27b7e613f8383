// SPDX-License-Identifier: MIT
#include "cli/OutputFile.h"

namespace lumarel::cli {
namespace {

constexpr int kMaxNumberedName = 9999;

}  // namespace

std::string DirectoryOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string NumberedName(const std::string& path, int n) {
  const auto slash = path.rfind('/');
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  auto dot = path.rfind('.');
  if (dot == std::string::npos || dot <= nameStart) dot = path.size();
  return path.substr(0, dot) + "-" + std::to_string(n) + path.substr(dot);
}

OutputFile::OutputFile(std::string finalPath, WriteMode mode)
    : file_(std::move(finalPath), mode, SymlinkPolicy::Refuse, kPartialPrefix) {}

bool OutputFile::CommitToFreeName() {
  const std::string wanted = file_.Path();
  if (file_.Commit()) return true;
  for (int n = 2; n <= kMaxNumberedName; ++n) {
    if (file_.Failure().kind != WriteFailure::Kind::Exists) return false;
    if (file_.CommitAs(NumberedName(wanted, n))) return true;
  }
  return false;
}

}  // namespace lumarel::cli
