// SPDX-License-Identifier: MIT
// An output file that appears under its real name only when complete: it is
// written under a temporary name in the same directory and renamed into place
// by Commit(). Destroyed without a commit, it removes the temporary file, so
// an interrupted run never leaves a half file under a real name.
#pragma once

#include <string>

namespace lumarel::cli {

class OutputFile {
 public:
  // Reserves a temporary name beside finalPath; Ok() is false when none could be created.
  explicit OutputFile(std::string finalPath);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  bool Ok() const { return !tempPath_.empty(); }
  const std::string& TempPath() const { return tempPath_; }
  const std::string& FinalPath() const { return finalPath_; }
  // Renames the temporary file to the final name; false when that fails.
  bool Commit();

 private:
  std::string finalPath_;
  std::string tempPath_;
  bool committed_ = false;
};

// The directory part of a path ("." when it has none).
std::string DirectoryOf(const std::string& path);
// The prefix of the temporary names, so that they are easy to recognise.
inline constexpr char kPartialPrefix[] = ".lumarel-partial-";

}  // namespace lumarel::cli
