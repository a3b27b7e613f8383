// SPDX-License-Identifier: MIT
#include "platform/Files.h"

#include "platform/ScratchFolder.h"

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <random>

namespace lumarel {
namespace {

namespace fs = std::filesystem;

// Candidate numbers start at a random point per process and advance per attempt,
// so two processes rarely probe the same names and one process never repeats.
std::uint32_t NextCandidate() {
  static std::atomic<std::uint32_t> counter{std::random_device{}()};
  std::uint32_t n = counter.fetch_add(1, std::memory_order_relaxed);
  return n == 0 ? counter.fetch_add(1, std::memory_order_relaxed) : n;
}

constexpr int kTempAttempts = 10000;

}  // namespace

std::string JoinPath(const std::string& directory, const std::string& name) {
  if (directory.empty()) return name;
  if (directory.back() == '/') return directory + name;
  return directory + "/" + name;
}

std::optional<std::string> CreateTempFile(const std::string& directory,
                                          const std::string& prefix) {
  if (directory.empty()) return std::nullopt;
  for (int attempt = 0; attempt < kTempAttempts; ++attempt) {
    char number[16];
    std::snprintf(number, sizeof number, "%X", static_cast<unsigned>(NextCandidate()));
    std::string path = JoinPath(directory, prefix + number + ".tmp");
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
      ::close(fd);
      return path;
    }
    if (errno != EEXIST) return std::nullopt;  // no permission, no directory, disk full
  }
  return std::nullopt;
}

std::string UserTempDirectory() { return ProcessScratchDirectory(); }

std::optional<std::string> CreateUserTempFile(const std::string& prefix) {
  return CreateTempFile(UserTempDirectory(), prefix);
}

std::uint64_t AvailableBytes(std::uint64_t blocksAvailable, std::uint64_t fragmentSize) {
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  if (fragmentSize != 0 && blocksAvailable > kMax / fragmentSize) return kMax;
  return blocksAvailable * fragmentSize;
}

std::optional<std::uint64_t> FreeDiskSpace(const std::string& path) {
  std::error_code ec;
  fs::path probe = fs::absolute(fs::path(path.empty() ? "." : path), ec);
  if (ec) return std::nullopt;
  for (;;) {
    struct statvfs st {};
    if (::statvfs(probe.c_str(), &st) == 0) return AvailableBytes(st.f_bavail, st.f_frsize);
    if (errno != ENOENT && errno != ENOTDIR) return std::nullopt;
    if (!probe.has_relative_path()) return std::nullopt;  // the root itself failed
    probe = probe.parent_path();
  }
}

std::string ExecutableDirectory() {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  return exe.parent_path().string();
}

std::string CurrentDirectory() {
  std::error_code ec;
  fs::path cwd = fs::current_path(ec);
  return ec ? std::string() : cwd.string();
}

}  // namespace lumarel
