// SPDX-License-Identifier: MIT
#include "imagefile/BmpCodec.h"

#include <cstring>
#include <new>

#include "imagefile/ByteOrder.h"
#include "imagefile/DibImage.h"
#include "imagefile/FileUtil.h"

namespace lumarel {

bool WriteDecodedBitmap(std::FILE* f, std::uint32_t width, std::uint32_t height, int components,
                        std::int32_t xPelsPerMeter, std::int32_t yPelsPerMeter,
                        const DecodedRowOf& rowOf) {
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
    const std::uint8_t* src = rowOf(y);
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

ImageResult ReadBmpForEncoder(BmpSource& source, BmpPicture& picture) {
  BmpImage image;
  if (ImageResult r = ReadBmpImage(source, image); !r) return r;
  const BmpLayout& l = image.layout;
  const std::size_t w = static_cast<std::size_t>(l.width);
  const std::size_t h = static_cast<std::size_t>(l.height);
  picture.width = static_cast<std::uint32_t>(w);
  picture.height = static_cast<std::uint32_t>(h);
  try {
    picture.rgb.assign(w * h * 3, 0);
  } catch (const std::bad_alloc&) {
    return ImageStatus::NoMemory;
  }
  for (std::size_t y = 0; y < h; ++y) {
    const std::uint8_t* src = image.bgr.data() + (h - 1 - y) * w * 3;
    std::uint8_t* dst = picture.rgb.data() + y * w * 3;
    for (std::size_t x = 0; x < w; ++x) {
      dst[3 * x + 0] = src[3 * x + 2];
      dst[3 * x + 1] = src[3 * x + 1];
      dst[3 * x + 2] = src[3 * x + 0];
    }
  }
  picture.hasDensity = l.xPelsPerMeter > 0 && l.yPelsPerMeter > 0;
  if (picture.hasDensity) {
    picture.xDensity = static_cast<std::uint16_t>(l.xPelsPerMeter / 100);
    picture.yDensity = static_cast<std::uint16_t>(l.yPelsPerMeter / 100);
  }
  return ImageStatus::Done;
}

ImageResult ReadBmpForEncoder(std::span<const std::uint8_t> file, BmpPicture& picture) {
  SpanBmpSource source(file);
  return ReadBmpForEncoder(source, picture);
}

}  // namespace lumarel
