// SPDX-License-Identifier: MIT
#include "FuzzSupport.h"

#include "FuzzEntries.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace lumarel::fuzz {

namespace {

struct RunDir {
  std::string path;
  RunDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") +
                          "/lumarel-fuzz-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
      std::perror("mkdtemp");
      std::abort();
    }
    path = pattern;
    ::setenv("TMPDIR", path.c_str(), 1);
  }
  ~RunDir() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
};

}  // namespace

const std::string& RunDirectory() {
  static RunDir dir;
  return dir.path;
}

std::string RunPath(const std::string& name) { return RunDirectory() + "/" + name; }

bool WriteFileBytes(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && ok;
}

void Fail(const char* file, int line) {
  std::fprintf(stderr, "fuzz: invariant broken at %s:%d\n", file, line);
  std::abort();
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace lumarel::fuzz
