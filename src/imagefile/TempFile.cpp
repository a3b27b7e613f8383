// SPDX-License-Identifier: MIT
// MakeTempFile: a new empty "QZV<hex>.tmp" file in the user's scratch folder,
// made by the platform layer's one implementation of temporary files.
#include "imagefile/TempFile.h"

#include <cstdio>

#include "platform/Files.h"

namespace lumarel {

std::string MakeTempFile() { return CreateUserTempFile("QZV").value_or(std::string()); }

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
