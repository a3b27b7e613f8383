// SPDX-License-Identifier: MIT
// File-system services: uniquely named temporary files, free disk space, the
// executable's directory and the current directory.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace lumarel {

// Creates a new, empty file named prefix + an uppercase hexadecimal number +
// ".tmp" in directory and returns its full path; nothing when no file could be
// created (also when directory is empty: a scratch file never lands in the
// current folder by accident). The file is created exclusively, so concurrent
// callers never share one.
std::optional<std::string> CreateTempFile(const std::string& directory, const std::string& prefix);

// This process's private scratch folder (mode 0700, under $XDG_RUNTIME_DIR, else
// $TMPDIR, else /tmp; see ScratchFolder.h), made on first use and removed at exit.
// Empty when no such folder could be made.
std::string UserTempDirectory();

// CreateTempFile in UserTempDirectory().
std::optional<std::string> CreateUserTempFile(const std::string& prefix);

// Bytes available to an unprivileged user on the file system holding path.
// A path that does not exist yet is measured at its nearest existing parent.
// Nothing when no such directory can be examined.
std::optional<std::uint64_t> FreeDiskSpace(const std::string& path);

// f_bavail * f_frsize without wrapping: saturates at the largest uint64.
std::uint64_t AvailableBytes(std::uint64_t blocksAvailable, std::uint64_t fragmentSize);

// The directory of the running executable, without a trailing separator; empty when unknown.
std::string ExecutableDirectory();

// The process's current directory; empty when it cannot be determined (e.g. it was removed).
std::string CurrentDirectory();

// Joins a directory and a file name with one '/'.
std::string JoinPath(const std::string& directory, const std::string& name);

}  // namespace lumarel
