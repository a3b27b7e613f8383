// SPDX-License-Identifier: MIT
#include "cli/OutputChecks.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "cli/OutputFile.h"

namespace lumarel::cli {
namespace {

bool IsDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string Reason(const std::string& path, int error) { return path + ": " + std::strerror(error); }

// Missing folders along path, outermost first; the first failure's reason.
std::string MakeDirectories(const std::string& path) {
  for (std::size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
    const std::string part = path.substr(0, end);
    if (!part.empty() && ::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST)
      return Reason(part, errno);
    if (end == std::string::npos) return "";
  }
}

std::string Writable(const std::string& dir) {
  if (!IsDirectory(dir)) return dir + ": not a directory";
  if (::access(dir.c_str(), W_OK | X_OK) != 0) return "cannot write into " + Reason(dir, errno);
  return "";
}

}  // namespace

std::string PrepareOutputDirectory(const std::string& dir) {
  if (dir.empty()) return "no output directory given";
  if (!IsDirectory(dir)) {
    if (std::string failed = MakeDirectories(dir); !failed.empty()) return failed;
  }
  return Writable(dir);
}

std::string PrepareFoldersOf(const std::string& dir, const std::string& name) {
  for (std::size_t end = name.find('/'); end != std::string::npos; end = name.find('/', end + 1)) {
    const std::string folder = dir + "/" + name.substr(0, end);
    if (::mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) return Reason(folder, errno);
    if (!IsDirectory(folder)) return folder + ": not a directory";
  }
  return "";
}

std::string CheckOutputFile(const std::string& path) {
  if (path.empty() || path.back() == '/' || IsDirectory(path))
    return path + ": is a directory, a file name is needed";
  // Found before any line time is spent: the writer would refuse it later.
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    const WriteFailure::Kind kind =
        S_ISLNK(st.st_mode) ? WriteFailure::Kind::Symlink : WriteFailure::Kind::NotRegular;
    return DescribeWriteFailure(path, {kind, 0});
  }
  const std::string dir = DirectoryOf(path);
  if (::stat(dir.c_str(), &st) != 0) return Reason(dir, errno);
  return Writable(dir);
}

}  // namespace lumarel::cli
