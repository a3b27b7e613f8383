// SPDX-License-Identifier: MIT
// The one way the programs put a file in place. The bytes go to a temporary
// file in the destination's folder; Commit() syncs it, gives it the mode and
// owner of the file it replaces (a new file gets 0666 less the umask), puts it
// under its name in one step and syncs the folder. Until then the name shows
// the old file or nothing; an AtomicFile destroyed without a commit removes
// its temporary file.
//
// Create mode never replaces anything: the name must still be free when the
// file is committed (renameat2 RENAME_NOREPLACE, or link + unlink where the
// file system lacks it). Replace mode replaces a regular file. Neither ever
// replaces a device, FIFO, socket or directory; a symbolic link is refused
// unless the caller asks to write through it to the file it names.
#pragma once

#include <string>
#include <string_view>

namespace lumarel {

enum class WriteMode { Create, Replace };
enum class SymlinkPolicy { Refuse, Follow };

// Why a write did not happen.
struct WriteFailure {
  enum class Kind {
    None,
    Exists,      // create mode, and the name is taken
    NotRegular,  // the name is a device, FIFO, socket or directory
    Symlink,     // the name is a symbolic link and links are refused
    System,      // errno-style reason in `error`
  };
  Kind kind = Kind::None;
  int error = 0;

  explicit operator bool() const { return kind != Kind::None; }
};

// "PATH already exists", "PATH is not a regular file", "PATH is a symbolic
// link", or "PATH: <the system's reason>".
std::string DescribeWriteFailure(const std::string& path, const WriteFailure& failure);

class AtomicFile {
 public:
  // Checks the destination (replace mode; create mode checks when committing)
  // and makes the temporary file (named tempPrefix + hex + ".tmp" in the
  // destination's folder). Failure() tells why when Ok() is false.
  AtomicFile(std::string path, WriteMode mode, SymlinkPolicy links = SymlinkPolicy::Refuse,
             const std::string& tempPrefix = ".lumarel-partial-");
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  bool Ok() const { return !temp_.empty(); }
  // Where the bytes are written (by path, by whatever writer the caller uses).
  const std::string& TempPath() const { return temp_; }
  // The name the file will have: the path, or the file a followed link names.
  const std::string& Target() const { return target_; }
  // The path asked for.
  const std::string& Path() const { return path_; }

  // Puts the temporary file in place; false with Failure() set when it could
  // not be done. The name is then untouched; the temporary file is removed,
  // except when the name was taken (Exists), so that CommitAs can try another.
  bool Commit();
  // Commit() under another name in the same folder (the create mode's next free name).
  bool CommitAs(const std::string& path);

  const WriteFailure& Failure() const { return failure_; }

 private:
  bool CheckTarget();
  void Fail(WriteFailure::Kind kind, int error = 0);

  std::string path_;
  std::string target_;
  std::string temp_;
  WriteMode mode_;
  SymlinkPolicy links_;
  WriteFailure failure_;
};

// Writes `bytes` as the whole file at path through an AtomicFile.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, WriteMode mode,
                         SymlinkPolicy links = SymlinkPolicy::Refuse,
                         WriteFailure* failure = nullptr);

}  // namespace lumarel
