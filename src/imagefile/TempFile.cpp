// MakeTempFile: a new empty "QZV<hex>.tmp" file in the user's temporary directory.
#include "imagefile/TempFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <random>

namespace lumarel {

namespace {

std::string TempDirectory() {
  const char* dir = std::getenv("TMPDIR");
  std::string path = (dir && *dir) ? dir : "/tmp";
  if (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace

std::string MakeTempFile() {
  static std::mt19937 generator{std::random_device{}()};
  const std::string dir = TempDirectory();
  for (int attempt = 0; attempt < 100; ++attempt) {
    char name[32];
    std::snprintf(name, sizeof name, "QZV%X.tmp", static_cast<unsigned>(generator() & 0xFFFFF));
    std::string path = dir + "/" + name;
    // O_EXCL makes the name ours alone; an existing file means try another.
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
      ::close(fd);
      return path;
    }
    if (errno != EEXIST) return {};
  }
  return {};
}

TempFileGuard::~TempFileGuard() { Remove(); }

TempFileGuard& TempFileGuard::operator=(TempFileGuard&& other) noexcept {
  if (this != &other) {
    Remove();
    path_ = std::move(other.path_);
    other.path_.clear();
  }
  return *this;
}

void TempFileGuard::Remove() {
  if (!path_.empty()) std::remove(path_.c_str());
  path_.clear();
}

}  // namespace lumarel
