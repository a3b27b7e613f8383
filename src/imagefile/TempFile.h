// SPDX-License-Identifier: MIT
// Short-lived temporary files in the user's temporary directory.
#pragma once

#include <string>
#include <utility>

namespace lumarel {

// Creates a new, empty, uniquely named file whose name begins with "QZV"
// (then a hexadecimal number and ".tmp") where the platform layer keeps the
// user's temporary files (CreateUserTempFile) and returns its full path; an
// empty string on failure.
std::string MakeTempFile();

// Removes the file at `path` when it goes out of scope, unless released.
class TempFileGuard {
 public:
  explicit TempFileGuard(std::string path = {}) : path_(std::move(path)) {}
  ~TempFileGuard();
  TempFileGuard(const TempFileGuard&) = delete;
  TempFileGuard& operator=(const TempFileGuard&) = delete;
  TempFileGuard(TempFileGuard&& other) noexcept : path_(std::move(other.path_)) {
    other.path_.clear();
  }
  TempFileGuard& operator=(TempFileGuard&& other) noexcept;
  const std::string& path() const { return path_; }
  // Deletes the file now.
  void Remove();

 private:
  std::string path_;
};

}  // namespace lumarel
