// SPDX-License-Identifier: MIT
// Running the built lumarel-cli and vidmarelle-sim as child processes for the
// end-to-end tests: arguments, captured output, exit status, time-outs.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "TempDir.h"

extern char** environ;

namespace lumarel::testing {

// lumarel-cli keeps a preview cache under $XDG_CACHE_HOME. Runs of the tests
// share none, with each other or with the user: /dev/null/lumarel can never
// be made, so every preview is read unless a test names a cache folder of
// its own (CacheHome).
inline const bool kNoSharedPreviewCache = [] { return ::setenv("XDG_CACHE_HOME", "/dev/null", 1) == 0; }();

// $XDG_CACHE_HOME for the runs while it lives; no cache again after.
class CacheHome {
 public:
  explicit CacheHome(const std::string& dir) { ::setenv("XDG_CACHE_HOME", dir.c_str(), 1); }
  ~CacheHome() { ::setenv("XDG_CACHE_HOME", "/dev/null", 1); }
  CacheHome(const CacheHome&) = delete;
  CacheHome& operator=(const CacheHome&) = delete;
};

inline std::string CliPath() { return std::string(LUMAREL_BINARY_DIR) + "/cli/lumarel-cli"; }
inline std::string SimPath() { return std::string(LUMAREL_BINARY_DIR) + "/sim/vidmarelle-sim"; }

inline std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

inline long FileSize(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : -1;
}

// Spawns argv with stdin from /dev/null and stdout/stderr to files.
inline pid_t Spawn(const std::vector<std::string>& argv, const std::string& outPath,
                   const std::string& errPath) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

// Waits for pid; kills it after the time-out. Returns the exit status, or -1.
inline int WaitFor(pid_t pid, std::chrono::seconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  int status = 0;
  while (::waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct RunResult {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs a command line in dir and collects its output.
inline RunResult RunProgram(const std::vector<std::string>& argv, const std::string& dir,
                     std::chrono::seconds timeout = std::chrono::seconds(120)) {
  const std::string out = dir + "/run.out", err = dir + "/run.err";
  RunResult r;
  const pid_t pid = Spawn(argv, out, err);
  if (pid < 0) return r;
  r.status = WaitFor(pid, timeout);
  r.out = ReadText(out);
  r.err = ReadText(err);
  std::remove(out.c_str());
  std::remove(err.c_str());
  return r;
}

// A temporary directory removed with its contents.
using ScratchDir = TempDir;

// The simulator on a pseudo-terminal linked at dir/cam, logging to dir/sim.log.
class Simulator {
 public:
  Simulator(const ScratchDir& dir, std::vector<std::string> options) : dir_(dir) {
    std::vector<std::string> argv{SimPath(), "--link", Link(), "--log", Log()};
    argv.insert(argv.end(), options.begin(), options.end());
    pid_ = Spawn(argv, dir / "sim.out", dir / "sim.err");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (pid_ > 0 && !FileExists(Link()) && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ~Simulator() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      WaitFor(pid_, std::chrono::seconds(10));
    }
  }
  bool Ready() const { return pid_ > 0 && FileExists(Link()); }
  std::string Link() const { return dir_ / "cam"; }
  std::string Log() const { return dir_ / "sim.log"; }
  pid_t Pid() const { return pid_; }
  std::string LogText() const { return ReadText(Log()); }

 private:
  const ScratchDir& dir_;
  pid_t pid_ = -1;
};

inline int CountOccurrences(const std::string& text, const std::string& what) {
  int n = 0;
  for (auto pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + 1)) ++n;
  return n;
}

}  // namespace lumarel::testing
