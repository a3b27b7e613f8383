// Free space of the filesystem holding a path, in 64 bits.
#include "imagefile/FreeSpace.h"

#include <sys/statvfs.h>

#include <filesystem>
#include <system_error>

namespace lumarel {

std::optional<std::uint64_t> FreeBytesForPath(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path dir = fs::absolute(fs::path(path), ec);
  if (ec) return std::nullopt;
  // The file itself may not exist yet: climb to the nearest existing directory.
  while (!fs::is_directory(dir, ec)) {
    if (!dir.has_relative_path()) return std::nullopt;
    dir = dir.parent_path();
  }
  struct statvfs info {};
  if (::statvfs(dir.c_str(), &info) != 0) return std::nullopt;
  return static_cast<std::uint64_t>(info.f_bavail) * static_cast<std::uint64_t>(info.f_frsize);
}

}  // namespace lumarel
