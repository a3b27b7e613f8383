// SPDX-License-Identifier: MIT
#include "windows/DibQImage.h"

#include <cstring>

#include "imagefile/BitmapFile.h"
#include "imagefile/ByteOrder.h"
#include "imagefile/DibImage.h"

namespace lumarel {
namespace {

QImage Rows24(std::span<const std::uint8_t> dib, int w, int h, const std::uint8_t* rows) {
  QImage image(w, h, QImage::Format_RGB888);
  const std::size_t stride = DibStride(static_cast<std::size_t>(w), 24);
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* src = rows + stride * static_cast<std::size_t>(h - 1 - y);
    std::uint8_t* dst = image.scanLine(y);
    for (int x = 0; x < w; ++x) {  // stored blue, green, red
      dst[3 * x] = src[3 * x + 2];
      dst[3 * x + 1] = src[3 * x + 1];
      dst[3 * x + 2] = src[3 * x];
    }
  }
  return image;
}

QImage Rows8(std::span<const std::uint8_t> dib, int w, int h, const std::uint8_t* rows) {
  QImage image(w, h, QImage::Format_Indexed8);
  const std::size_t tableOffset = kDibInfoHeaderSize;
  const std::size_t colours = DibColourCount(dib);
  QList<QRgb> table(256, qRgb(0, 0, 0));
  for (std::size_t i = 0; i < colours && i < 256; ++i) {
    const std::uint8_t* e = dib.data() + tableOffset + 4 * i;
    table[static_cast<int>(i)] = qRgb(e[2], e[1], e[0]);
  }
  image.setColorTable(table);
  const std::size_t stride = DibStride(static_cast<std::size_t>(w), 8);
  for (int y = 0; y < h; ++y) {
    std::memcpy(image.scanLine(y), rows + stride * static_cast<std::size_t>(h - 1 - y),
                static_cast<std::size_t>(w));
  }
  return image;
}

}  // namespace

QByteArray DibToBmpFile(std::span<const std::uint8_t> dib) {
  constexpr std::size_t kFileHeaderSize = kBitmapFileHeaderSize;
  if (dib.size() < kDibInfoHeaderSize || DibWidth(dib) <= 0 || DibHeight(dib) <= 0) return {};
  const std::size_t content = DibContentSize(dib);
  const std::size_t pixels = DibPixelOffset(dib);
  if (content == 0 || content > dib.size() || pixels > content ||
      content + kFileHeaderSize > 0xFFFFFFFFu) {
    return {};
  }
  QByteArray file(static_cast<qsizetype>(kFileHeaderSize + content), '\0');
  auto* out = reinterpret_cast<std::uint8_t*>(file.data());
  out[0] = 'B';
  out[1] = 'M';
  bytes::PutLe32(out + 2, static_cast<std::uint32_t>(kFileHeaderSize + content));
  bytes::PutLe32(out + 10, static_cast<std::uint32_t>(kFileHeaderSize + pixels));
  std::memcpy(out + kFileHeaderSize, dib.data(), content);
  return file;
}

QImage DibToImage(std::span<const std::uint8_t> dib) {
  if (dib.size() < kDibInfoHeaderSize) return {};
  const std::int32_t w = DibWidth(dib);
  const std::int32_t h = DibHeight(dib);
  const std::uint16_t bits = DibBitCount(dib);
  const std::size_t content = DibContentSize(dib);
  if (w <= 0 || h <= 0 || content == 0 || content > dib.size()) return {};
  if (bits != 24 && bits != 8) return {};
  const std::uint8_t* rows = DibPixels(dib);
  if (rows == nullptr) return {};
  return bits == 24 ? Rows24(dib, w, h, rows) : Rows8(dib, w, h, rows);
}

}  // namespace lumarel
