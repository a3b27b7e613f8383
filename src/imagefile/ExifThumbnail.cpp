// SPDX-License-Identifier: MIT
// The Exif thumbnail: decode, fit into 160 x 120, scale bilinearly in double
// precision, centre on a black canvas and encode at quality 10.
#include "imagefile/ExifThumbnail.h"

#include <algorithm>
#include <cstdio>

#include "imagefile/BitmapFile.h"
#include "imagefile/ExifMessages.h"
#include "imagefile/JpegDecode.h"
#include "imagefile/JpegEncode.h"
#include "imagefile/JpegStream.h"
#include "imagefile/TempFile.h"

namespace lumarel {

namespace {

constexpr int kThumbnailQuality = 10;
constexpr const char* kThumbnailSampling = "2x1,1x1,1x1";

// Reads pixels of an 8- or 24-bit DIB as blue, green, red; 8-bit pictures (a
// decoded greyscale JPEG) go through their colour table.
class PixelSource {
 public:
  explicit PixelSource(std::span<const std::uint8_t> dib) {
    width_ = DibWidth(dib);
    height_ = DibHeight(dib);
    bitCount_ = DibBitCount(dib);
    if (width_ <= 0 || height_ <= 0 || (bitCount_ != 24 && bitCount_ != 8)) return;
    if (bitCount_ == 8 && (DibColourCount(dib) == 0 || DibColourCount(dib) > 256)) return;
    if (DibContentSize(dib) > dib.size()) return;
    table_ = dib.data() + 40;
    tableEntries_ = DibColourCount(dib);
    pixels_ = DibPixels(dib);
    stride_ = DibStride(static_cast<std::size_t>(width_), bitCount_);
  }
  bool ok() const { return pixels_ != nullptr; }
  int width() const { return width_; }
  int height() const { return height_; }
  // Component c (0 blue, 1 green, 2 red) of pixel (x, y), y counted from the bottom.
  int At(int x, int y, int c) const {
    const std::uint8_t* row = pixels_ + static_cast<std::size_t>(y) * stride_;
    if (bitCount_ == 24) return row[static_cast<std::size_t>(x) * 3 + c];
    unsigned index = row[x];
    return index < tableEntries_ ? table_[index * 4 + c] : 0;
  }

 private:
  int width_ = 0;
  int height_ = 0;
  int bitCount_ = 0;
  const std::uint8_t* table_ = nullptr;
  unsigned tableEntries_ = 0;
  const std::uint8_t* pixels_ = nullptr;
  std::size_t stride_ = 0;
};

}  // namespace

ThumbSize FitThumbnail(std::uint32_t width, std::uint32_t height) {
  const std::uint64_t W = width;
  const std::uint64_t H = height;
  if (W == 0 || H == 0) return {};
  std::uint64_t w;
  std::uint64_t h;
  if (W > H) {
    w = ExifThumbWidth;
    h = H * ExifThumbWidth / W;
    if (h > ExifThumbHeight) {
      h = ExifThumbHeight;
      w = W * ExifThumbHeight / H;
    }
  } else {
    h = ExifThumbHeight;
    w = W * ExifThumbHeight / H;
    if (w > ExifThumbWidth) {
      w = ExifThumbWidth;
      h = H * ExifThumbWidth / W;
    }
  }
  return {static_cast<int>(w), static_cast<int>(h)};
}

DibImage ScaleDib24(std::span<const std::uint8_t> source, int w, int h) {
  PixelSource src(source);
  if (!src.ok() || w < 0 || h < 0 || w > ExifThumbWidth || h > ExifThumbHeight) return {};
  DibImage out = AllocateBlock(static_cast<std::size_t>(3 * w + 4) * h + 44);
  if (!out || !WriteDibHeader(out.bytes(), w, h, 24)) return {};
  const int W = src.width();
  const int H = src.height();
  const double sy = static_cast<double>(h) / H;
  const double sx = static_cast<double>(w) / W;
  const std::size_t stride = DibStride(static_cast<std::size_t>(w), 24);
  std::uint8_t* pixels = out.data() + 40;
  for (int i = 0; i < h; ++i) {
    const double y = i / sy;
    const int y0 = std::min(static_cast<int>(y), H - 1);
    const int y1 = std::min(y0 + 1, H - 1);
    const double fy = y - y0;
    for (int j = 0; j < w; ++j) {
      const double x = j / sx;
      const int x0 = std::min(static_cast<int>(x), W - 1);
      const int x1 = std::min(x0 + 1, W - 1);
      const double fx = x - x0;
      for (int c = 0; c < 3; ++c) {
        double v = fy * ((1 - fx) * src.At(x0, y1, c) + fx * src.At(x1, y1, c)) +
                   (1 - fy) * (fx * src.At(x1, y0, c) + (1 - fx) * src.At(x0, y0, c));
        pixels[i * stride + j * 3 + c] = static_cast<std::uint8_t>(std::clamp(static_cast<int>(v), 0, 255));
      }
    }
  }
  return out;
}

DibImage PlaceOnCanvas(std::span<const std::uint8_t> scaled) {
  const int w = DibWidth(scaled);
  const int h = DibHeight(scaled);
  if (w < 0 || h < 0 || w > ExifThumbWidth || h > ExifThumbHeight || DibBitCount(scaled) != 24 ||
      40 + DibStride(static_cast<std::size_t>(w), 24) * static_cast<std::size_t>(h) > scaled.size()) {
    return {};
  }
  DibImage canvas = AllocateBlock(static_cast<std::size_t>(3 * ExifThumbWidth + 4) * ExifThumbHeight + 44);
  if (!canvas || !WriteDibHeader(canvas.bytes(), ExifThumbWidth, ExifThumbHeight, 24)) return {};
  const int F = ExifThumbWidth - w;
  const int G = ExifThumbHeight - h;
  const int left = F > 0 ? F / 2 + 1 : 0;
  const int bottom = G > 0 ? G / 2 + 1 : 0;
  const std::size_t canvasStride = DibStride(ExifThumbWidth, 24);
  const std::size_t scaledStride = DibStride(static_cast<std::size_t>(w), 24);
  for (int i = 0; i < h; ++i) {
    std::copy_n(scaled.data() + 40 + i * scaledStride, static_cast<std::size_t>(w) * 3,
                canvas.data() + 40 + (bottom + i) * canvasStride + left * 3);
  }
  return canvas;
}

ExifThumbnail MakeExifThumbnail(const std::string& sourcePath, const std::string& decodedPath,
                                Notifier& notifier) {
  ExifThumbnail result;
  if (const ImageResult decoded = DecodeJpegFile(sourcePath, decodedPath); !decoded) {
    ShowExifMessage(notifier, kMsgCannotConvert);
    result.result = decoded.InputAtFault() ? ImageStatus::WrongType : decoded;
    return result;
  }
  DibImage picture = ReadBitmapFile(decodedPath);
  ThumbSize size;
  if (picture) {
    result.pictureWidth = DibWidth(picture);
    result.pictureHeight = DibHeight(picture);
    size = FitThumbnail(static_cast<std::uint32_t>(result.pictureWidth),
                        static_cast<std::uint32_t>(result.pictureHeight));
  }
  DibImage scaled;
  if (size.width != 0 || size.height != 0) scaled = ScaleDib24(picture, size.width, size.height);
  if (!scaled) {
    ShowExifMessage(notifier, kMsgCannotConvert);
    result.result = picture ? ImageStatus::NoMemory : ImageStatus::WrongType;
    return result;
  }
  picture.Reset();
  DibImage canvas = PlaceOnCanvas(scaled);
  if (!canvas) {
    ShowExifMessage(notifier, kMsgCannotThumbnail);
    result.result = ImageStatus::NoMemory;
    return result;
  }
  TempFileGuard bmp(MakeTempFile());
  TempFileGuard jpeg(MakeTempFile());
  if (bmp.path().empty() || jpeg.path().empty() || !WriteBitmapFile(bmp.path(), canvas) ||
      !EncodeJpegFile(bmp.path(), jpeg.path(), kThumbnailSampling, kThumbnailQuality)) {
    result.result = ImageStatus::WriteFailed;
    return result;
  }
  bmp.Remove();
  result.jpeg = ReadWholeFile(jpeg.path());
  if (!result.jpeg) result.result = ImageStatus::NoMemory;
  return result;
}

}  // namespace lumarel
