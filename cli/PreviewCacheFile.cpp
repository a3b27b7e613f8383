// SPDX-License-Identifier: MIT
#include "cli/PreviewCacheFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/AtomicFile.h"
#include "platform/Descriptor.h"
#include "platform/Files.h"
#include "platform/UserPaths.h"

namespace lumarel::cli {
namespace {

// Larger than any file RememberedPreviews writes: every entry with a
// 160 x 120 preview and its fields.
constexpr std::size_t kLargestFile =
    RememberedPreviews::kDefaultMaxEntries * (kPreviewSlotSize + 64) + 64;

}  // namespace

std::string PreviewCachePath() {
  const std::string dir = UserCacheDirectory();
  return dir.empty() ? std::string() : JoinPath(dir, "previews");
}

bool LoadPreviewCache(const std::string& path, RememberedPreviews& cache) {
  cache.Load({});
  if (path.empty()) return false;
  // O_NONBLOCK: a FIFO put there must not hang the command.
  Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  struct stat st {};
  if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) ||
      static_cast<std::size_t>(st.st_size) > kLargestFile)
    return false;
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(st.st_size));
  char buffer[65536];
  while (bytes.size() <= kLargestFile) {
    const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  return bytes.size() <= kLargestFile && cache.Load(bytes);
}

bool SavePreviewCache(const std::string& path, const RememberedPreviews& cache, std::string& why) {
  if (path.empty()) {
    why = "no cache folder ($XDG_CACHE_HOME and $HOME unset)";
    return false;
  }
  if (!MakeParentFolder(path, why)) return false;
  WriteFailure failure;
  if (WriteFileAtomically(path, cache.Serialise(), WriteMode::Replace, SymlinkPolicy::Refuse,
                          &failure))
    return true;
  why = DescribeWriteFailure(path, failure);
  return false;
}

}  // namespace lumarel::cli
