// SPDX-License-Identifier: MIT
#include "SimProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>
#include <vector>

extern char** environ;

namespace lumarel::bench {

using namespace std::chrono_literals;

SimProcess::SimProcess(const std::string& link, int pictures, bool realtime,
                       const std::vector<std::string>& extra) {
  std::vector<std::string> argv = {LUMAREL_SIM_PATH, "--generate", std::to_string(pictures),
                                   "--link", link};
  if (realtime) argv.push_back("--realtime");
  argv.insert(argv.end(), extra.begin(), extra.end());
  std::vector<char*> args;
  for (std::string& a : argv) args.push_back(a.data());
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  const int rc = posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    pid_ = -1;
    return;
  }
  // Generating many pictures takes the simulator a while before it links its line.
  struct stat st {};
  for (int i = 0; i < 1200 && !ready_; ++i) {
    ready_ = ::lstat(link.c_str(), &st) == 0;
    if (!ready_) std::this_thread::sleep_for(50ms);
  }
}

SimProcess::~SimProcess() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  int status = 0;
  ::waitpid(pid_, &status, 0);
}

}  // namespace lumarel::bench
