// SPDX-License-Identifier: MIT
// An output file of lumarel-cli: the platform's atomic writer under a
// ".lumarel-partial-" temporary name, so an interrupted run never leaves a
// half file under a real name. The CLI never writes through a symbolic link
// and never replaces a device, FIFO or folder.
#pragma once

#include <string>

#include "platform/AtomicFile.h"

namespace lumarel::cli {

class OutputFile {
 public:
  // Replace mode replaces a regular file; create mode never replaces anything.
  explicit OutputFile(std::string finalPath, WriteMode mode = WriteMode::Replace);

  bool Ok() const { return file_.Ok(); }
  const std::string& TempPath() const { return file_.TempPath(); }
  // The name the file has (after CommitToFreeName, the one it got).
  const std::string& FinalPath() const { return file_.Path(); }
  // Puts the file under its name; false when that fails.
  bool Commit() { return file_.Commit(); }
  // Create mode: when the name was taken while the file was written, the
  // next free "NAME-2.EXT", "NAME-3.EXT"... is used instead.
  bool CommitToFreeName();
  // Why the file could not be made or committed: "PATH is not a regular
  // file", "PATH: No space left on device"...
  std::string Why() const { return DescribeWriteFailure(FinalPath(), file_.Failure()); }
  AtomicFile& File() { return file_; }

 private:
  AtomicFile file_;
};

// "dir/name-N.ext" for "dir/name.ext" (the extension is what follows the last
// dot of the file name, if any).
std::string NumberedName(const std::string& path, int n);

// The directory part of a path ("." when it has none).
std::string DirectoryOf(const std::string& path);
// The prefix of the temporary names, so that they are easy to recognise.
inline constexpr char kPartialPrefix[] = ".lumarel-partial-";

}  // namespace lumarel::cli
