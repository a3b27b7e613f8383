// SPDX-License-Identifier: MIT
#include "imagefile/FileUtil.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace lumarel {

ImageResult WriteError(int error) {
  return {error == ENOSPC || error == EDQUOT ? ImageStatus::DiskFull : ImageStatus::WriteFailed,
          error};
}

}  // namespace lumarel

namespace lumarel::fileutil {

InputFile OpenInput(const std::string& path) {
  InputFile input;
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    input.error = errno;
    input.status = errno == EISDIR ? ImageStatus::NotAFile : ImageStatus::NotFound;
    return input;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    input.status = ImageStatus::NotAFile;
    return input;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags == -1 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == -1) {
    ::close(fd);
    return input;
  }
  input.file.reset(::fdopen(fd, "rb"));
  if (!input.file) {
    ::close(fd);
    return input;
  }
  input.size = static_cast<std::uint64_t>(st.st_size);
  input.status = ImageStatus::Done;
  return input;
}

std::optional<std::uint64_t> SizeOf(std::FILE* f) {
  if (std::fseek(f, 0, SEEK_END) != 0) return std::nullopt;
  long end = std::ftell(f);
  if (end < 0 || std::fseek(f, 0, SEEK_SET) != 0) return std::nullopt;
  return static_cast<std::uint64_t>(end);
}

bool WriteAll(std::FILE* f, std::span<const std::uint8_t> data, std::size_t piece) {
  while (!data.empty()) {
    std::size_t n = std::min(piece, data.size());
    if (std::fwrite(data.data(), 1, n, f) != n) return false;
    data = data.subspan(n);
  }
  return true;
}

bool ReadExact(std::FILE* f, std::span<std::uint8_t> data, std::size_t piece) {
  while (!data.empty()) {
    std::size_t n = std::min(piece, data.size());
    if (std::fread(data.data(), 1, n, f) != n) return false;
    data = data.subspan(n);
  }
  return true;
}

}  // namespace lumarel::fileutil
