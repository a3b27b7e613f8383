// SPDX-License-Identifier: MIT
#include "platform/ScratchFolder.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace lumarel {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kPrefix = "lumarel-";

// The process id in "lumarel-<pid>-<anything>", or -1 for any other name.
long OwnerPid(const std::string& name) {
  if (name.compare(0, kPrefix.size(), kPrefix) != 0) return -1;
  long pid = 0;
  std::size_t i = kPrefix.size();
  const std::size_t start = i;
  for (; i < name.size() && name[i] >= '0' && name[i] <= '9' && i - start < 10; ++i)
    pid = pid * 10 + (name[i] - '0');
  if (i == start || i >= name.size() || name[i] != '-' || pid <= 0) return -1;
  return pid;
}

}  // namespace

std::vector<std::string> ScratchBaseDirectories() {
  std::vector<std::string> bases;
  for (const char* name : {"XDG_RUNTIME_DIR", "TMPDIR"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] == '/') bases.emplace_back(value);
  }
  bases.emplace_back("/tmp");
  return bases;
}

bool ProcessAlive(long pid) {
  if (pid <= 0) return false;
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

int RemoveStaleScratchFolders(const std::string& base, const std::function<bool(long)>& alive) {
  int removed = 0;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(base, ec)) {
    const long pid = OwnerPid(entry.path().filename().string());
    // A folder named after a process still running here is left alone even
    // unlocked: a program from before the lock may be using it.
    if (pid < 0 || alive(pid)) continue;
    // Only real folders of this user: never a link, never someone else's files.
    const int fd = ::open(entry.path().c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st {};
    // A folder whose lock is held belongs to a running process, wherever that
    // process runs: another PID namespace has numbers this one cannot see.
    if (::fstat(fd, &st) == 0 && st.st_uid == ::geteuid() && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      std::error_code removeError;
      if (fs::remove_all(entry.path(), removeError) > 0 && !removeError) ++removed;
    }
    ::close(fd);
  }
  return removed;
}

std::unique_ptr<ScratchFolder> ScratchFolder::Create(const std::vector<std::string>& bases) {
  const long pid = static_cast<long>(::getpid());
  for (const std::string& base : bases) {
    struct stat st {};
    if (::stat(base.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) continue;
    RemoveStaleScratchFolders(base);
    // Made under a name the clean-up ignores, locked, and only then given its
    // real name: no other process ever sees it unlocked. mkdtemp makes it 0700.
    std::string made = (fs::path(base) / ".lumarel-new-XXXXXX").string();
    if (::mkdtemp(made.data()) == nullptr) continue;
    const int lock = ::open(made.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const std::string path = (fs::path(base) / (std::string(kPrefix) + std::to_string(pid) + "-" +
                                                made.substr(made.size() - 6)))
                                 .string();
    if (lock >= 0 && ::flock(lock, LOCK_EX) == 0 &&
        ::renameat2(AT_FDCWD, made.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0) {
      return std::unique_ptr<ScratchFolder>(new ScratchFolder(path, pid, lock));
    }
    if (lock >= 0) ::close(lock);
    ::rmdir(made.c_str());
  }
  return nullptr;
}

ScratchFolder::~ScratchFolder() {
  if (static_cast<long>(::getpid()) == owner_) {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  ::close(lock_);
}

const std::string& ProcessScratchDirectory() {
  static const std::unique_ptr<ScratchFolder> folder = ScratchFolder::Create(ScratchBaseDirectories());
  static const std::string none;
  return folder ? folder->Path() : none;
}

}  // namespace lumarel
