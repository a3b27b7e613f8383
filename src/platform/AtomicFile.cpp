// SPDX-License-Identifier: MIT
#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "platform/Files.h"
#include "platform/Descriptor.h"

namespace lumarel {
namespace {

constexpr int kMaxLinks = 40;  // as the kernel's own limit on followed links

std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// The process's umask, read without changing it (umask(2) would race with
// other threads creating files); the usual 022 when /proc does not say.
mode_t CurrentUmask() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("Umask:", 0) == 0) return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
  }
  return 022;
}

// Gives the finished file the owner and mode of the file it replaces (a new
// file: 0666 less the umask). Changing the owner needs privilege; a user
// replacing a file of their own loses nothing when it is refused.
bool TakeOverAttributes(int fd, const struct stat* old) {
  if (old == nullptr) return ::fchmod(fd, 0666 & ~CurrentUmask()) == 0;
  struct stat now {};
  if (::fstat(fd, &now) == 0 && (now.st_uid != old->st_uid || now.st_gid != old->st_gid)) {
    if (::fchown(fd, old->st_uid, old->st_gid) != 0) (void)!::fchown(fd, static_cast<uid_t>(-1), old->st_gid);
  }
  return ::fchmod(fd, old->st_mode & 07777) == 0;
}

// Puts `from` at `to` only when `to` is free.
int RenameNoReplace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  // The file system lacks the flag: a hard link fails on a taken name too.
  if (::link(from.c_str(), to.c_str()) != 0) return errno;
  ::unlink(from.c_str());
  return 0;
}

}  // namespace

std::string DescribeWriteFailure(const std::string& path, const WriteFailure& f) {
  switch (f.kind) {
    case WriteFailure::Kind::None: return "";
    case WriteFailure::Kind::Exists: return path + " already exists";
    case WriteFailure::Kind::NotRegular: return path + " is not a regular file";
    case WriteFailure::Kind::Symlink: return path + " is a symbolic link";
    case WriteFailure::Kind::System: break;
  }
  return path + ": " + std::strerror(f.error != 0 ? f.error : EIO);
}

AtomicFile::AtomicFile(std::string path, WriteMode mode, SymlinkPolicy links,
                       const std::string& tempPrefix)
    : path_(std::move(path)), target_(path_), mode_(mode), links_(links) {
  if (path_.empty() || path_.back() == '/') {
    Fail(WriteFailure::Kind::NotRegular);
    return;
  }
  // In create mode the name is looked at when committing: it may be free
  // again by then, and a taken name can be exchanged for another (CommitAs).
  if (mode_ == WriteMode::Replace && !CheckTarget()) return;
  errno = 0;
  if (auto temp = CreateTempFile(FolderOf(target_), tempPrefix)) temp_ = *temp;
  else Fail(WriteFailure::Kind::System, errno != 0 ? errno : EIO);
}

AtomicFile::~AtomicFile() {
  if (!temp_.empty()) ::unlink(temp_.c_str());
}

void AtomicFile::Fail(WriteFailure::Kind kind, int error) {
  failure_.kind = kind;
  failure_.error = error;
  if (kind == WriteFailure::Kind::Exists) return;  // kept for CommitAs under another name
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
}

// True when the name may be written: free, or (replace mode) a regular file,
// or a link followed to one. target_ becomes the name that will be written.
bool AtomicFile::CheckTarget() {
  target_ = path_;
  for (int hops = 0;; ++hops) {
    struct stat st {};
    if (::lstat(target_.c_str(), &st) != 0) {
      if (errno == ENOENT) return true;
      Fail(WriteFailure::Kind::System, errno);
      return false;
    }
    // Create mode takes no name that is there, a link included.
    const bool follow = links_ == SymlinkPolicy::Follow && mode_ == WriteMode::Replace;
    if (S_ISLNK(st.st_mode) && follow && hops < kMaxLinks) {
      std::string link(4096, '\0');
      const ssize_t n = ::readlink(target_.c_str(), link.data(), link.size());
      if (n < 0) {
        Fail(WriteFailure::Kind::System, errno);
        return false;
      }
      link.resize(static_cast<std::size_t>(n));
      target_ = link.front() == '/' ? link : JoinPath(FolderOf(target_), link);
      continue;
    }
    if (S_ISLNK(st.st_mode) && follow) {
      Fail(WriteFailure::Kind::System, ELOOP);
      return false;
    }
    if (mode_ == WriteMode::Create) {
      Fail(WriteFailure::Kind::Exists);
      return false;
    }
    if (S_ISREG(st.st_mode)) return true;
    Fail(S_ISLNK(st.st_mode) ? WriteFailure::Kind::Symlink : WriteFailure::Kind::NotRegular);
    return false;
  }
}

bool AtomicFile::CommitAs(const std::string& path) {
  if (temp_.empty()) return false;
  if (FolderOf(path) != FolderOf(path_)) {
    Fail(WriteFailure::Kind::System, EXDEV);
    return false;
  }
  path_ = path;
  return Commit();
}

bool AtomicFile::Commit() {
  if (temp_.empty()) return false;
  Descriptor fd(::open(temp_.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
  struct stat mine {};
  if (fd.get() < 0 || ::fstat(fd.get(), &mine) != 0) {
    Fail(WriteFailure::Kind::System, errno);
    return false;
  }
  // The data reaches the disk before the name does: after a crash the name
  // holds the old file or the whole new one, never an empty file.
  if (::fsync(fd.get()) != 0) {
    Fail(WriteFailure::Kind::System, errno);
    return false;
  }
  // The destination is looked at again: something may have appeared meanwhile.
  if (!CheckTarget()) return false;
  struct stat old {};
  const bool replacing = ::stat(target_.c_str(), &old) == 0;
  if (!TakeOverAttributes(fd.get(), replacing ? &old : nullptr)) {
    Fail(WriteFailure::Kind::System, errno);
    return false;
  }
  fd.Close();
  const int error = mode_ == WriteMode::Create ? RenameNoReplace(temp_, target_)
                    : ::rename(temp_.c_str(), target_.c_str()) == 0 ? 0
                                                                    : errno;
  if (error != 0) {
    Fail(error == EEXIST ? WriteFailure::Kind::Exists
         : error == EISDIR ? WriteFailure::Kind::NotRegular
                           : WriteFailure::Kind::System,
         error);
    return false;
  }
  temp_.clear();
  failure_ = {};
  // The new name reaches the disk too. The file is in place whatever this
  // says, so a folder that cannot be synced (some file systems refuse) is no failure.
  Descriptor folder(::open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.get() >= 0) ::fsync(folder.get());
  return true;
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, WriteMode mode,
                         SymlinkPolicy links, WriteFailure* failure) {
  AtomicFile file(path, mode, links);
  auto fail = [&](int error) {
    if (failure != nullptr) *failure = file.Failure() ? file.Failure() : WriteFailure{WriteFailure::Kind::System, error};
    return false;
  };
  if (!file.Ok()) return fail(0);
  {
    Descriptor fd(::open(file.TempPath().c_str(), O_WRONLY | O_TRUNC | O_NOFOLLOW | O_CLOEXEC));
    if (fd.get() < 0) return fail(errno);
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::write(fd.get(), bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return fail(n < 0 ? errno : ENOSPC);
      done += static_cast<std::size_t>(n);
    }
    if (fd.Close() != 0) return fail(errno);
  }
  if (!file.Commit()) return fail(0);
  return true;
}

}  // namespace lumarel
