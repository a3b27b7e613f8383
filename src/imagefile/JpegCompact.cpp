// SPDX-License-Identifier: MIT
// CompactJpegStream: drops APPn and COM segments and gathers the quantisation
// and Huffman tables before the scan into one DQT and one DHT segment.
#include <cstring>

#include "imagefile/ByteOrder.h"
#include "imagefile/JpegStream.h"

namespace lumarel {

namespace {

constexpr std::uint8_t kMarkerDHT = 0xC4;
constexpr std::uint8_t kMarkerSOI = 0xD8;
constexpr std::uint8_t kMarkerEOI = 0xD9;
constexpr std::uint8_t kMarkerSOS = 0xDA;
constexpr std::uint8_t kMarkerDQT = 0xDB;
constexpr std::uint8_t kMarkerCOM = 0xFE;

// Bounds-checked writer into the output block.
class Output {
 public:
  explicit Output(std::span<std::uint8_t> out) : out_(out) {}
  bool Put(const std::uint8_t* data, std::size_t n) {
    if (n > out_.size() - pos_) return false;
    std::memcpy(out_.data() + pos_, data, n);
    pos_ += n;
    return true;
  }
  bool PutMarker(std::uint8_t marker) {
    const std::uint8_t m[2] = {0xFF, marker};
    return Put(m, 2);
  }

 private:
  std::span<std::uint8_t> out_;
  std::size_t pos_ = 0;
};

// Length of the segment at `pos` including its marker, or 0 when malformed.
std::size_t SegmentSize(std::span<const std::uint8_t> in, std::size_t pos) {
  if (pos + 4 > in.size()) return 0;
  std::size_t length = bytes::Be16(in.data() + pos + 2);
  if (length < 2 || pos + 2 + length > in.size()) return 0;
  return 2 + length;
}

// Writes one segment holding the payloads of every `marker` segment from `pos`
// up to SOS, in file order.
bool WriteGathered(std::span<const std::uint8_t> in, std::size_t pos, std::uint8_t marker,
                   Output& out) {
  std::size_t total = 2;
  for (std::size_t p = pos; p + 2 <= in.size() && in[p] == 0xFF && in[p + 1] != kMarkerSOS;) {
    std::size_t size = in[p + 1] == kMarkerSOI ? 2 : SegmentSize(in, p);
    if (size == 0) return false;
    if (in[p + 1] == marker) total += size - 4;
    p += size;
  }
  if (total > 0xFFFF) return false;
  std::uint8_t length[2];
  bytes::PutBe16(length, static_cast<std::uint32_t>(total));
  if (!out.PutMarker(marker) || !out.Put(length, 2)) return false;
  for (std::size_t p = pos; p + 2 <= in.size() && in[p] == 0xFF && in[p + 1] != kMarkerSOS;) {
    std::size_t size = in[p + 1] == kMarkerSOI ? 2 : SegmentSize(in, p);
    if (in[p + 1] == marker && !out.Put(in.data() + p + 4, size - 4)) return false;
    p += size;
  }
  return true;
}

// Copies from the SOS marker through the first FF D9 pair.
bool CopyScan(std::span<const std::uint8_t> in, std::size_t pos, Output& out) {
  for (std::size_t i = pos; i + 1 < in.size(); ++i) {
    if (in[i] == 0xFF && in[i + 1] == kMarkerEOI) return out.Put(in.data() + pos, i + 2 - pos);
  }
  return false;
}

}  // namespace

MemoryBlock CompactJpegStream(std::span<const std::uint8_t> in) {
  MemoryBlock block = AllocateBlock(in.size());
  if (!block) return {};
  Output out(block.bytes());
  bool dqtWritten = false;
  bool dhtWritten = false;
  std::size_t pos = 0;
  while (pos + 2 <= in.size()) {
    if (in[pos] != 0xFF) return {};
    const std::uint8_t marker = in[pos + 1];
    if (marker == kMarkerSOI) {
      if (!out.PutMarker(marker)) return {};
      pos += 2;
      continue;
    }
    if (marker == kMarkerEOI) return out.PutMarker(marker) ? std::move(block) : MemoryBlock{};
    if (marker == kMarkerSOS) return CopyScan(in, pos, out) ? std::move(block) : MemoryBlock{};
    const std::size_t size = SegmentSize(in, pos);
    if (size == 0) return {};
    if (marker == kMarkerDQT || marker == kMarkerDHT) {
      bool& written = marker == kMarkerDQT ? dqtWritten : dhtWritten;
      if (!written && !WriteGathered(in, pos, marker, out)) return {};
      written = true;
    } else if (!((marker >= 0xE0 && marker <= 0xEF) || marker == kMarkerCOM)) {
      if (!out.Put(in.data() + pos, size)) return {};
    }
    pos += size;
  }
  return {};
}

}  // namespace lumarel
