// SPDX-License-Identifier: MIT
#include "cli/Hook.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ostream>

#include "cli/OfflineCommands.h"

extern char** environ;

namespace lumarel::cli {

bool Hook::Run(const HookVariables& variables) {
  if (command_.empty()) return true;
  std::vector<std::string> entries;
  for (char** e = environ; *e != nullptr; ++e) {
    bool replaced = false;
    for (const auto& [name, value] : variables)
      replaced = replaced || std::strncmp(*e, (name + "=").c_str(), name.size() + 1) == 0;
    if (!replaced) entries.emplace_back(*e);
  }
  for (const auto& [name, value] : variables) entries.push_back(name + "=" + value);
  std::vector<char*> envp;
  for (std::string& e : entries) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string shell = "/bin/sh", dashC = "-c";
  char* argv[] = {shell.data(), dashC.data(), command_.data(), nullptr};

  err_.flush();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, STDERR_FILENO, STDOUT_FILENO);
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    ReportError(err_, "cannot run the hook: " + std::string(std::strerror(spawned)));
    return false;
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) return false;
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
  ReportError(err_, "the hook failed (" +
                        (WIFEXITED(status) ? "status " + std::to_string(WEXITSTATUS(status))
                                           : "signal " + std::to_string(WTERMSIG(status))) +
                        "): " + command_);
  return false;
}

}  // namespace lumarel::cli
