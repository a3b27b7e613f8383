#include "cli/OutputFile.h"

#include <sys/stat.h>

#include <cstdio>

#include "platform/Files.h"

namespace lumarel::cli {

std::string DirectoryOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

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
  committed_ = std::rename(tempPath_.c_str(), finalPath_.c_str()) == 0;
  return committed_;
}

}  // namespace lumarel::cli
