#include "imagefile/FileUtil.h"

#include <algorithm>
#include <vector>

namespace lumarel::fileutil {

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

bool CopyFile(const std::string& from, const std::string& to) {
  File in = Open(from, "rb");
  if (!in) return false;
  File out = Open(to, "wb");
  if (!out) return false;
  std::vector<std::uint8_t> buffer(65536);
  for (;;) {
    std::size_t n = std::fread(buffer.data(), 1, buffer.size(), in.get());
    if (n > 0 && std::fwrite(buffer.data(), 1, n, out.get()) != n) return false;
    if (n < buffer.size()) break;
  }
  if (std::ferror(in.get())) return false;
  return std::fclose(out.release()) == 0;
}

}  // namespace lumarel::fileutil
