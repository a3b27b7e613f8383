// SPDX-License-Identifier: MIT
#include "ImageTestSupport.h"

#include <cstdio>
#include <random>

#include "imagefile/DibImage.h"

namespace lumarel::testing {

std::string Capture(const std::string& command) {
  std::string out;
  FILE* p = ::popen((command + " 2>/dev/null").c_str(), "r");
  if (!p) return out;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
  ::pclose(p);
  return out;
}

Bytes MakeBmp(const BmpSpec& s) {
  const bool core = s.headerSize == 12;
  const std::uint32_t entries = s.bitCount == 8 ? (s.coloursUsed == 0 ? 256 : s.coloursUsed) : 0;
  const std::uint32_t entrySize = core ? 3 : 4;
  const std::uint32_t offBits = 14 + s.headerSize + entries * entrySize + s.gap;
  const std::size_t stride = DibStride(static_cast<std::size_t>(s.width), static_cast<std::size_t>(s.bitCount));
  Bytes b(offBits + stride * static_cast<std::size_t>(s.height), 0);
  b[0] = 'B';
  b[1] = 'M';
  bytes::PutLe32(&b[2], static_cast<std::uint32_t>(b.size()));
  bytes::PutLe32(&b[10], offBits);
  std::uint8_t* h = &b[14];
  bytes::PutLe32(h, s.headerSize);
  const std::int32_t height = s.topDown ? -s.height : s.height;
  if (core) {
    bytes::PutLe16(h + 4, static_cast<std::uint32_t>(s.width));
    bytes::PutLe16(h + 6, static_cast<std::uint32_t>(height));
    bytes::PutLe16(h + 8, s.planes);
    bytes::PutLe16(h + 10, static_cast<std::uint32_t>(s.bitCount));
  } else {
    bytes::PutLe32(h + 4, static_cast<std::uint32_t>(s.width));
    bytes::PutLe32(h + 8, static_cast<std::uint32_t>(height));
    bytes::PutLe16(h + 12, s.planes);
    bytes::PutLe16(h + 14, static_cast<std::uint32_t>(s.bitCount));
    bytes::PutLe32(h + 16, s.compression);
    bytes::PutLe32(h + 24, static_cast<std::uint32_t>(s.xPels));
    bytes::PutLe32(h + 28, static_cast<std::uint32_t>(s.yPels));
    bytes::PutLe32(h + 32, s.coloursUsed);
  }
  std::uint8_t* table = h + s.headerSize;
  for (std::uint32_t i = 0; i < entries; ++i) {
    const std::uint8_t v = static_cast<std::uint8_t>(i * 255 / (entries > 1 ? entries - 1 : 1));
    table[i * entrySize + 0] = v;                                   // blue
    table[i * entrySize + 1] = static_cast<std::uint8_t>(255 - v);  // green
    table[i * entrySize + 2] = static_cast<std::uint8_t>(v / 2);    // red
  }
  for (int row = 0; row < s.height; ++row) {
    const int y = s.topDown ? row : s.height - 1 - row;  // picture row from the top
    std::uint8_t* p = &b[offBits + static_cast<std::size_t>(row) * stride];
    for (int x = 0; x < s.width; ++x) {
      if (s.bitCount == 8) {
        p[x] = static_cast<std::uint8_t>((x + y) % entries);
      } else if (s.bitCount == 24) {
        std::uint8_t rgb[3];
        TestColour(x, y, rgb);
        p[x * 3 + 0] = rgb[2];
        p[x * 3 + 1] = rgb[1];
        p[x * 3 + 2] = rgb[0];
      }
    }
  }
  return b;
}

Bytes MakeDib24(int width, int height, std::size_t blockSize) {
  const std::size_t stride = DibStride(static_cast<std::size_t>(width), 24);
  const std::size_t content = 40 + stride * static_cast<std::size_t>(height);
  Bytes b(blockSize == 0 ? content : blockSize, 0);
  WriteDibHeader(b, width, height, 24);
  for (int row = 0; row < height; ++row) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t rgb[3];
      TestColour(x, height - 1 - row, rgb);
      std::uint8_t* p = &b[40 + row * stride + x * 3];
      p[0] = rgb[2];
      p[1] = rgb[1];
      p[2] = rgb[0];
    }
  }
  return b;
}

std::vector<Segment> Segments(const Bytes& jpeg) {
  std::vector<Segment> out;
  std::size_t pos = 0;
  while (pos + 2 <= jpeg.size() && jpeg[pos] == 0xFF) {
    const std::uint8_t marker = jpeg[pos + 1];
    if (marker == 0xD8) {
      out.push_back({marker, pos, 0});
      pos += 2;
      continue;
    }
    if (pos + 4 > jpeg.size()) break;
    const std::size_t length = bytes::Be16(&jpeg[pos + 2]);
    out.push_back({marker, pos, length});
    if (marker == 0xDA) break;
    pos += 2 + length;
  }
  return out;
}

}  // namespace lumarel::testing
