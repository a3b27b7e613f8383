// SPDX-License-Identifier: MIT
// The private folder that holds a process's scratch files: "lumarel-<pid>-<random>",
// mode 0700, under $XDG_RUNTIME_DIR, else $TMPDIR, else /tmp. The process
// holds an flock on it while it runs; it is removed with its contents when the
// process ends normally, and a folder whose lock nobody holds (its process
// died) is removed by the next process that makes one in the same place.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace lumarel {

// The directories a scratch folder may go in, in order of preference:
// $XDG_RUNTIME_DIR, $TMPDIR (each only when absolute), then /tmp.
std::vector<std::string> ScratchBaseDirectories();

// True while a process with this id exists here (also one of another user).
bool ProcessAlive(long pid);

// Removes this user's folders "lumarel-<pid>-*" in base whose lock can be
// taken (no running process holds it, in whatever PID namespace it runs) and
// whose pid names no process here (one from before the lock may use it);
// returns how many were removed.
int RemoveStaleScratchFolders(const std::string& base,
                              const std::function<bool(long)>& alive = ProcessAlive);

class ScratchFolder {
 public:
  // Makes a new folder in the first base that takes one, after cleaning the
  // stale folders there; null when no base does.
  static std::unique_ptr<ScratchFolder> Create(const std::vector<std::string>& bases);
  // Removes the folder and everything in it, but only in the process that made it
  // (a forked child that exits leaves its parent's folder alone).
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& Path() const { return path_; }

 private:
  ScratchFolder(std::string path, long owner, int lock)
      : path_(std::move(path)), owner_(owner), lock_(lock) {}
  std::string path_;
  long owner_;
  int lock_;  // the folder, flock'ed while this process runs
};

// This process's scratch folder, made on first use and removed at exit; empty
// when none could be made.
const std::string& ProcessScratchDirectory();

}  // namespace lumarel
