// SPDX-License-Identifier: MIT
// Small RAII helpers for stdio files used by the image-file layer.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "imagefile/ImageResult.h"

namespace lumarel::fileutil {

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f) std::fclose(f);
  }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

inline File Open(const std::string& path, const char* mode) {
  return File(std::fopen(path.c_str(), mode));
}

// An input file opened for reading, or why it was not.
struct InputFile {
  File file;                                // open when status is Done
  ImageStatus status = ImageStatus::NotFound;
  std::uint64_t size = 0;                   // bytes, from fstat
  int error = 0;                            // why the open failed (errno)
  ImageResult result() const { return {status, error}; }
};

// Opens `path` for reading only when it is a regular file. The open does not
// block (a FIFO or device is refused, not waited on) and the type is checked on
// the opened descriptor, so a path swapped after a check cannot slip through.
// Every reader of a user's file goes through here.
InputFile OpenInput(const std::string& path);

// Size of an open file in bytes (seeks to the end and back to the start).
std::optional<std::uint64_t> SizeOf(std::FILE* f);

// Writes all bytes in pieces of at most `piece` bytes; false on any short write.
bool WriteAll(std::FILE* f, std::span<const std::uint8_t> data, std::size_t piece = 32767);

// Reads exactly data.size() bytes in pieces; false when fewer arrive.
bool ReadExact(std::FILE* f, std::span<std::uint8_t> data, std::size_t piece = 32767);

}  // namespace lumarel::fileutil
