#include "imagefile/BmpCodec.h"

#include <array>
#include <cstring>

#include "imagefile/ByteOrder.h"
#include "imagefile/DibImage.h"
#include "imagefile/FileUtil.h"

namespace lumarel {

namespace {

constexpr std::uint32_t kFileHeader = 14;

struct BmpHeader {
  std::uint32_t headerSize = 0;
  std::int64_t width = 0;
  std::int64_t height = 0;
  std::uint16_t planes = 0;
  std::uint16_t bitCount = 0;
  std::uint32_t compression = 0;
  std::int32_t xPels = 0;
  std::int32_t yPels = 0;
  std::uint32_t coloursUsed = 0;
  std::uint32_t offBits = 0;
};

bool ParseHeader(std::span<const std::uint8_t> file, BmpHeader& h) {
  if (file.size() < kFileHeader + 4 || file[0] != 'B' || file[1] != 'M') return false;
  const std::uint8_t* p = file.data() + kFileHeader;
  h.offBits = bytes::Le32(file.data() + 10);
  h.headerSize = bytes::Le32(p);
  if (h.headerSize != 12 && h.headerSize != 40 && h.headerSize != 64) return false;
  if (file.size() < kFileHeader + h.headerSize) return false;
  if (h.headerSize == 12) {
    h.width = bytes::Le16(p + 4);
    h.height = bytes::Le16(p + 6);
    h.planes = bytes::Le16(p + 8);
    h.bitCount = bytes::Le16(p + 10);
    return true;
  }
  h.width = static_cast<std::int32_t>(bytes::Le32(p + 4));
  h.height = static_cast<std::int32_t>(bytes::Le32(p + 8));
  h.planes = bytes::Le16(p + 12);
  h.bitCount = bytes::Le16(p + 14);
  h.compression = bytes::Le32(p + 16);
  h.xPels = static_cast<std::int32_t>(bytes::Le32(p + 24));
  h.yPels = static_cast<std::int32_t>(bytes::Le32(p + 28));
  h.coloursUsed = bytes::Le32(p + 32);
  return true;
}

// Reads the colour table into `table` (red, green, blue per entry; unused
// entries stay black). Returns the file offset just past the table, 0 on failure.
std::uint64_t ReadColourTable(std::span<const std::uint8_t> file, const BmpHeader& h,
                              std::array<std::uint8_t, 256 * 3>& table) {
  std::uint64_t start = kFileHeader + static_cast<std::uint64_t>(h.headerSize);
  if (h.bitCount != 8) return start;
  std::uint32_t count = h.coloursUsed == 0 ? 256 : h.coloursUsed;
  if (count > 256) return 0;
  std::uint32_t entry = h.headerSize == 12 ? 3 : 4;
  std::uint64_t end = start + static_cast<std::uint64_t>(count) * entry;
  if (end > file.size()) return 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint8_t* e = file.data() + start + i * entry;
    table[i * 3 + 0] = e[2];
    table[i * 3 + 1] = e[1];
    table[i * 3 + 2] = e[0];
  }
  return end;
}

}  // namespace

bool WriteDecodedBitmap(std::FILE* f, std::uint32_t width, std::uint32_t height, int components,
                        std::int32_t xPelsPerMeter, std::int32_t yPelsPerMeter,
                        const std::uint8_t* rows) {
  if (components != 1 && components != 3) return false;
  const bool grey = components == 1;
  const std::uint32_t bitCount = grey ? 8 : 24;
  const std::uint32_t offBits = grey ? 1078 : 54;
  const std::size_t stride = DibStride(width, bitCount);
  const std::uint64_t fileSize = offBits + static_cast<std::uint64_t>(stride) * height;
  if (fileSize > 0xFFFFFFFFull) return false;

  std::uint8_t header[54] = {};
  header[0] = 'B';
  header[1] = 'M';
  bytes::PutLe32(header + 2, static_cast<std::uint32_t>(fileSize));
  bytes::PutLe32(header + 10, offBits);
  WriteDibHeader(std::span<std::uint8_t>(header + 14, 40), static_cast<std::int32_t>(width),
                 static_cast<std::int32_t>(height), static_cast<std::uint16_t>(bitCount),
                 grey ? 256 : 0);
  bytes::PutLe32(header + 14 + 24, static_cast<std::uint32_t>(xPelsPerMeter));
  bytes::PutLe32(header + 14 + 28, static_cast<std::uint32_t>(yPelsPerMeter));
  if (!fileutil::WriteAll(f, header)) return false;
  if (grey) {
    std::uint8_t table[1024];
    for (int i = 0; i < 256; ++i) {
      std::uint8_t v = static_cast<std::uint8_t>(i);
      table[i * 4 + 0] = v;
      table[i * 4 + 1] = v;
      table[i * 4 + 2] = v;
      table[i * 4 + 3] = 0;
    }
    if (!fileutil::WriteAll(f, table)) return false;
  }
  std::vector<std::uint8_t> row(stride, 0);
  const std::size_t inRow = static_cast<std::size_t>(width) * components;
  for (std::uint32_t y = height; y-- > 0;) {
    const std::uint8_t* src = rows + static_cast<std::size_t>(y) * inRow;
    if (grey) {
      std::memcpy(row.data(), src, inRow);
    } else {
      for (std::uint32_t x = 0; x < width; ++x) {
        row[x * 3 + 0] = src[x * 3 + 2];
        row[x * 3 + 1] = src[x * 3 + 1];
        row[x * 3 + 2] = src[x * 3 + 0];
      }
    }
    if (!fileutil::WriteAll(f, row)) return false;
  }
  return std::fflush(f) == 0;
}

bool ReadBmpForEncoder(std::span<const std::uint8_t> file, BmpPicture& picture) {
  BmpHeader h;
  if (!ParseHeader(file, h)) return false;
  if (h.planes != 1 || h.compression != 0 || (h.bitCount != 8 && h.bitCount != 24)) return false;
  // Rows are stored bottom-up: a negative (top-down) height is refused.
  if (h.width <= 0 || h.height <= 0) return false;
  std::array<std::uint8_t, 256 * 3> table{};
  std::uint64_t tableEnd = ReadColourTable(file, h, table);
  if (tableEnd == 0 || h.offBits < tableEnd) return false;
  const std::uint64_t w = static_cast<std::uint64_t>(h.width);
  const std::uint64_t ht = static_cast<std::uint64_t>(h.height);
  const std::uint64_t stride = DibStride(w, h.bitCount);
  if (h.offBits > file.size() || (file.size() - h.offBits) / stride < ht) return false;

  picture.width = static_cast<std::uint32_t>(w);
  picture.height = static_cast<std::uint32_t>(ht);
  picture.rgb.assign(w * ht * 3, 0);
  for (std::uint64_t y = 0; y < ht; ++y) {
    const std::uint8_t* src = file.data() + h.offBits + (ht - 1 - y) * stride;
    std::uint8_t* dst = picture.rgb.data() + y * w * 3;
    for (std::uint64_t x = 0; x < w; ++x, dst += 3) {
      if (h.bitCount == 8) {
        std::memcpy(dst, &table[src[x] * 3], 3);
      } else {
        dst[0] = src[x * 3 + 2];
        dst[1] = src[x * 3 + 1];
        dst[2] = src[x * 3 + 0];
      }
    }
  }
  picture.hasDensity = h.headerSize != 12 && h.xPels > 0 && h.yPels > 0;
  if (picture.hasDensity) {
    picture.xDensity = static_cast<std::uint16_t>(h.xPels / 100);
    picture.yDensity = static_cast<std::uint16_t>(h.yPels / 100);
  }
  return true;
}

}  // namespace lumarel
