// SPDX-License-Identifier: MIT
#include "cli/OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "platform/Files.h"

namespace lumarel::cli {

std::string DirectoryOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

namespace {

bool SyncPath(const std::string& path, int flags) {
  const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

}  // namespace

OutputFile::OutputFile(std::string finalPath) : finalPath_(std::move(finalPath)) {
  if (auto temp = CreateTempFile(DirectoryOf(finalPath_), kPartialPrefix)) tempPath_ = *temp;
}

OutputFile::~OutputFile() {
  if (!committed_ && !tempPath_.empty()) std::remove(tempPath_.c_str());
}

bool OutputFile::Commit() {
  if (tempPath_.empty() || committed_) return committed_;
  // The temporary file was created private; the result gets the usual permissions.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::chmod(tempPath_.c_str(), 0666 & ~mask);
  // The data reaches the disk before the name does: after a crash the real
  // name holds the old file or the whole new one, never an empty file.
  if (!SyncPath(tempPath_, O_RDONLY)) return false;
  committed_ = std::rename(tempPath_.c_str(), finalPath_.c_str()) == 0;
  if (committed_) SyncPath(DirectoryOf(finalPath_), O_RDONLY | O_DIRECTORY);
  return committed_;
}

}  // namespace lumarel::cli
