// SPDX-License-Identifier: MIT
// A small tmpfs mounted on a fresh directory for one test: filled to a chosen
// free space, or remounted read-only. Mounting needs root; elsewhere Mounted()
// is false and the test skips. The destructor unmounts and removes the
// directory, so a test that fails half-way leaves nothing mounted.
#pragma once

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "TempDir.h"

namespace lumarel::testing {

class SmallFilesystem {
 public:
  explicit SmallFilesystem(std::uint64_t bytes) {
    // Under /tmp itself, not $TMPDIR: the tests point $TMPDIR at the scratch
    // space they watch, and the mount point must not show up there.
    char name[] = "/tmp/lumarel-smallfs-XXXXXX";
    if (::mkdtemp(name) == nullptr) {
      why_ = "no directory";
      return;
    }
    dir_ = name;
    if (::geteuid() != 0) {
      why_ = "mounting a tmpfs needs root";
      return;
    }
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0777";
    if (::mount("tmpfs", dir_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0) {
      why_ = std::string("mount: ") + std::strerror(errno);
      return;
    }
    mounted_ = true;
  }
  ~SmallFilesystem() {
    if (mounted_) ::umount2(dir_.c_str(), MNT_DETACH);
    if (!dir_.empty()) ::rmdir(dir_.c_str());
  }
  SmallFilesystem(const SmallFilesystem&) = delete;
  SmallFilesystem& operator=(const SmallFilesystem&) = delete;

  bool Mounted() const { return mounted_; }
  const std::string& WhyNot() const { return why_; }
  const std::string& Dir() const { return dir_; }
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }

  std::uint64_t Free() const {
    struct statvfs st {};
    if (::statvfs(dir_.c_str(), &st) != 0) return 0;
    return static_cast<std::uint64_t>(st.f_bavail) * st.f_frsize;
  }

  // Writes a filler file until the file system is full, then gives back
  // enough of it that about `leave` bytes are free (whole pages).
  bool FillLeaving(std::uint64_t leave) {
    const std::string filler = Path(".filler");
    const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0) return false;
    std::vector<char> block(4096, 'f');
    off_t written = 0;
    for (;;) {
      const ssize_t n = ::write(fd, block.data(), block.size());
      if (n <= 0) break;
      written += n;
    }
    const off_t page = 4096;
    const off_t giveBack = static_cast<off_t>((leave + page - 1) / page * page);
    const bool ok = ::ftruncate(fd, written > giveBack ? written - giveBack : 0) == 0;
    ::close(fd);
    return ok;
  }

  // No file can be made or changed from now on.
  bool MakeReadOnly() {
    return ::mount("tmpfs", dir_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV,
                   nullptr) == 0;
  }

  // The names in the directory other than the filler.
  std::vector<std::string> Names() const;

 private:
  std::string dir_;
  std::string why_;
  bool mounted_ = false;
};

inline std::vector<std::string> SmallFilesystem::Names() const {
  std::vector<std::string> names = DirectoryNames(dir_);
  names.erase(std::remove(names.begin(), names.end(), ".filler"), names.end());
  return names;
}

inline std::vector<std::uint8_t> FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

inline bool WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out.flush());
}

inline bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

// Bytes that no earlier content can be mistaken for.
inline std::vector<std::uint8_t> Pattern(std::size_t size, std::uint8_t seed) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<std::uint8_t>(seed + i * 13 + (i >> 9));
  return bytes;
}

}  // namespace lumarel::testing
