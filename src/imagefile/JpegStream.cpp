// SPDX-License-Identifier: MIT
// Reading JPEG headers up to the scan and walking their marker segments. Every
// length read from the bytes is checked against what is left before use.
#include "imagefile/JpegStream.h"

#include <array>
#include <cstring>

#include "imagefile/ByteOrder.h"
#include "imagefile/ExifMessages.h"
#include "imagefile/FileUtil.h"

namespace lumarel {

namespace {

constexpr std::uint8_t kMarkerSOF0 = 0xC0;
constexpr std::uint8_t kMarkerDHT = 0xC4;
constexpr std::uint8_t kMarkerSOI = 0xD8;
constexpr std::uint8_t kMarkerSOS = 0xDA;
constexpr std::uint8_t kMarkerJPGLS = 0xF9;
constexpr std::size_t kNotFound = static_cast<std::size_t>(-1);

// Offset of the segment after the one at `pos` (marker, 16-bit length and
// payload), or 0 when its length is malformed or runs past the end.
std::size_t NextSegment(std::span<const std::uint8_t> b, std::size_t pos) {
  if (pos + 4 > b.size()) return 0;
  std::size_t length = bytes::Be16(b.data() + pos + 2);
  if (length < 2 || pos + 2 + length > b.size()) return 0;
  return pos + 2 + length;
}

// Walks the header block from its start and returns the offset of the first
// segment with `wanted` marker, or npos when the walk ends first (at SOS, FF F9,
// a byte other than FF, or a malformed length).
std::size_t FindSegment(std::span<const std::uint8_t> b, std::uint8_t wanted) {
  std::size_t pos = 0;
  while (pos + 2 <= b.size() && b[pos] == 0xFF) {
    std::uint8_t marker = b[pos + 1];
    if (marker == wanted) return pos;
    if (marker == kMarkerSOS || marker == kMarkerJPGLS) break;
    if (marker == kMarkerSOI) {
      pos += 2;
      continue;
    }
    pos = NextSegment(b, pos);
    if (pos == 0) break;
  }
  return kNotFound;
}

constexpr std::array<std::uint8_t, 16> kStdDcLuminance = {0, 1, 5, 1, 1, 1, 1, 1,
                                                          1, 0, 0, 0, 0, 0, 0, 0};
constexpr std::array<std::uint8_t, 16> kStdDcChrominance = {0, 3, 1, 1, 1, 1, 1, 1,
                                                            1, 1, 1, 0, 0, 0, 0, 0};
constexpr std::array<std::uint8_t, 16> kStdAcLuminance = {0, 2, 1, 3, 3, 2, 4, 3,
                                                          5, 5, 4, 4, 0, 0, 1, 125};
constexpr std::array<std::uint8_t, 16> kStdAcChrominance = {0, 2, 1, 2, 4, 4, 3, 4,
                                                            7, 5, 4, 4, 0, 1, 2, 119};

}  // namespace

MemoryBlock ReadWholeFile(const std::string& path) {
  fileutil::File f = fileutil::Open(path, "rb");
  if (!f) return {};
  std::optional<std::uint64_t> size = fileutil::SizeOf(f.get());
  if (!size || *size == 0 || *size > 512ull * 1024 * 1024) return {};
  MemoryBlock block = AllocateBlock(static_cast<std::size_t>(*size));
  if (!block || !fileutil::ReadExact(f.get(), block.bytes())) return {};
  return block;
}

MemoryBlock ReadJpegHeaders(const std::string& path) {
  fileutil::File f = fileutil::Open(path, "rb");
  if (!f) return {};
  std::uint8_t start[2];
  if (std::fread(start, 1, 2, f.get()) != 2) return {};
  if (start[0] == 'B' && start[1] == 'M') return {};
  if (start[0] != 0xFF && start[1] != kMarkerSOI) return {};
  long pos = 2;
  for (;;) {
    std::uint8_t head[4];
    if (std::fseek(f.get(), pos, SEEK_SET) != 0 || std::fread(head, 1, 4, f.get()) != 4) return {};
    pos += 4;
    if (head[0] == 0xFF && head[1] == kMarkerSOS) break;
    long length = bytes::Be16(head + 2);
    if (length < 2) return {};  // a length below 2 would walk backwards forever
    pos += length - 2;
  }
  MemoryBlock block = AllocateBlock(static_cast<std::size_t>(pos));
  if (!block || std::fseek(f.get(), 0, SEEK_SET) != 0 ||
      !fileutil::ReadExact(f.get(), block.bytes())) {
    return {};
  }
  return block;
}

JpegFrame ParseJpegFrame(std::span<const std::uint8_t> b) {
  JpegFrame frame;
  std::size_t pos = FindSegment(b, kMarkerSOF0);
  if (pos == kNotFound) return frame;
  std::size_t end = NextSegment(b, pos);
  if (end == 0 || pos + 10 > end) return frame;
  const std::uint8_t* s = b.data() + pos;
  frame.height = bytes::Be16(s + 5);
  frame.width = bytes::Be16(s + 7);
  frame.componentCount = s[9];
  for (int i = 0; i < frame.componentCount && pos + 12 + 3 * i <= end; ++i) {
    std::uint8_t factors = s[11 + 3 * i];
    frame.sampling.push_back({factors >> 4, factors & 0x0F});
  }
  return frame;
}

bool JpegFrameInfo(const std::string& path, JpegFrame& frame) {
  MemoryBlock headers = ReadJpegHeaders(path);
  if (!headers) return false;
  frame = ParseJpegFrame(headers.bytes());
  return true;
}

int HasStandardHuffmanCountsIn(std::span<const std::uint8_t> b) {
  std::size_t pos = FindSegment(b, kMarkerDHT);
  if (pos == kNotFound) return 0;
  std::size_t end = NextSegment(b, pos);
  if (end == 0) return 0;
  // Found tables by class-and-identifier: DC 0, DC 1, AC 0, AC 1.
  std::array<const std::uint8_t*, 4> counts{};
  for (std::size_t p = pos + 4; p + 17 <= end;) {
    std::uint8_t id = b[p];
    std::size_t symbols = 0;
    for (int k = 0; k < 16; ++k) symbols += b[p + 1 + k];
    if (id == 0x00 || id == 0x01) counts[id] = b.data() + p + 1;
    if (id == 0x10 || id == 0x11) counts[2 + (id & 1)] = b.data() + p + 1;
    p += 17 + symbols;
  }
  auto same = [](const std::uint8_t* found, const std::array<std::uint8_t, 16>& standard) {
    return found && std::memcmp(found, standard.data(), 16) == 0;
  };
  return same(counts[0], kStdDcLuminance) && same(counts[1], kStdDcChrominance) &&
                 same(counts[2], kStdAcLuminance) && same(counts[3], kStdAcChrominance)
             ? 1
             : 0;
}

int HasStandardHuffmanCounts(const std::string& path, Notifier& notifier) {
  MemoryBlock headers = ReadJpegHeaders(path);
  if (!headers) {
    ShowExifMessage(notifier, kMsgNotJpeg);
    return 0;
  }
  return HasStandardHuffmanCountsIn(headers.bytes());
}

std::size_t JpegStreamLength(std::span<const std::uint8_t> stream) {
  for (std::size_t i = 0; i + 1 < stream.size(); ++i) {
    if (stream[i] == 0xFF && stream[i + 1] == 0xD9) return i + 2;
  }
  return stream.size();
}

std::size_t JpegStreamEnd(std::span<const std::uint8_t> stream) {
  const std::size_t n = stream.size();
  if (n < 2 || stream[0] != 0xFF || stream[1] != 0xD8) return 0;
  std::size_t i = 2;
  bool inScan = false;
  while (i + 1 < n) {
    if (stream[i] != 0xFF) {
      if (!inScan) return 0;  // headers must be back to back
      ++i;
      continue;
    }
    const std::uint8_t marker = stream[i + 1];
    if (marker == 0xFF) {  // fill byte
      ++i;
      continue;
    }
    if (marker == 0xD9) return i + 2;
    const bool standalone =
        marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7);
    if (standalone) {
      if (!inScan && marker != 0x01) return 0;
      i += 2;
      continue;
    }
    if (i + 3 >= n) return 0;
    const std::size_t length = (std::size_t{stream[i + 2]} << 8) | stream[i + 3];
    if (length < 2 || length > n - i - 2) return 0;
    i += 2 + length;
    inScan = marker == 0xDA;
  }
  return 0;
}

}  // namespace lumarel
