// SPDX-License-Identifier: MIT
// Helpers for the image-file tests: a scratch directory, file bytes, synthetic
// pictures, BMP builders and external tools.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "TempDir.h"
#include "imagefile/ByteOrder.h"

namespace lumarel::testing {

using Bytes = std::vector<std::uint8_t>;

inline Bytes ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFileBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline bool HaveTool(const std::string& name) {
  return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

inline int Run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()); }

// Output of a shell command (stdout only).
std::string Capture(const std::string& command);

// A fresh directory under the system temporary directory, removed afterwards.
class ScratchDir : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  TempDir temp_;
  std::filesystem::path dir_{temp_.Path()};
};

// A smooth, colourful test picture: pixel (x, y), y from the top, as R, G, B.
inline void TestColour(int x, int y, std::uint8_t rgb[3]) {
  rgb[0] = static_cast<std::uint8_t>((x * 7 + y) & 0xFF);
  rgb[1] = static_cast<std::uint8_t>((y * 5 + 40) & 0xFF);
  rgb[2] = static_cast<std::uint8_t>((x + y * 3 + 90) & 0xFF);
}

struct BmpSpec {
  int width = 16;
  int height = 8;
  int bitCount = 24;          // 8 or 24
  std::uint32_t headerSize = 40;  // 12, 40, 64 ...
  std::uint32_t compression = 0;
  std::uint32_t coloursUsed = 0;  // 8-bit: entries in the table (0 means 256)
  std::int32_t xPels = 0;
  std::int32_t yPels = 0;
  std::uint32_t gap = 0;       // bytes between colour table and pixels
  bool topDown = false;        // negative height
  std::uint16_t planes = 1;
};

// A BMP file built field by field; 8-bit pictures use a grey ramp table and
// pixel index (x + y) mod entries.
Bytes MakeBmp(const BmpSpec& shape);

// A 24-bit DIB block of `blockSize` bytes (0: exactly the content) with the test picture.
Bytes MakeDib24(int width, int height, std::size_t blockSize = 0);

// Offsets of every marker segment (FF xx) of a JPEG stream up to SOS, and SOS.
struct Segment {
  std::uint8_t marker;
  std::size_t offset;
  std::size_t length;  // the 16-bit length field (0 for SOI)
};
std::vector<Segment> Segments(const Bytes& jpeg);

}  // namespace lumarel::testing
