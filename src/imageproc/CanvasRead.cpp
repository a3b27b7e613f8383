// SPDX-License-Identifier: MIT
#include "imageproc/CanvasRead.h"

#include <algorithm>
#include <cstring>

#include "imagefile/ByteOrder.h"
#include "imagefile/DibImage.h"
#include "imagefile/FileUtil.h"
#include "imagefile/OpenMessages.h"

namespace lumarel {
namespace {

constexpr std::size_t kCanvasStride = 3 * kCanvasWidth;
constexpr std::size_t kCanvasContent = kDibInfoHeaderSize + kCanvasStride * kCanvasHeight;

struct Placement {
  int firstRow = 0;      // picture rows (from the bottom) skipped before the first one placed
  int rows = 0;          // picture rows placed
  int canvasRow = 0;     // canvas row (stored order) of the first row placed
  int canvasColumn = 0;  // canvas pixel of the first pixel placed
  int skipPixels = 0;    // picture pixels skipped at the start of each row
  int pixels = 0;        // picture pixels placed per row
};

// Where the picture's rows go; `exactHalf` is the paletted pictures' centring.
Placement Place(int w, int h, bool exactHalf) {
  Placement p;
  const bool cutRows = h > kCanvasHeight;
  const bool cutColumns = w > kCanvasWidth;
  p.firstRow = cutRows ? (h - kCanvasHeight) / 2 : 0;
  p.rows = cutRows ? kCanvasHeight : h;
  p.canvasRow = cutRows ? 0 : (kCanvasHeight - h) / 2;
  if (cutColumns) {
    p.skipPixels = ((w - kCanvasWidth) / 8) * 4;
    p.pixels = kCanvasWidth;
  } else {
    p.pixels = w;
    const bool centred = !cutRows;
    p.canvasColumn = exactHalf && centred ? (kCanvasWidth - w) / 2 : ((kCanvasWidth - w) / 8) * 4;
  }
  return p;
}

// The file's own header is kept only where it describes the canvas exactly:
// a bottom-up 640 x 480 24-bit picture with a 40-byte header and no colour count.
bool KeepsOwnHeader(const BmpLayout& l) {
  return l.depth == BmpDepth::TrueColour24 && l.width == kCanvasWidth &&
         l.height == kCanvasHeight && !l.topDown && l.headerSize == kDibInfoHeaderSize &&
         bytes::Le32(l.infoHeader.data() + 32) == 0;
}

}  // namespace

ImageResult ReadBitmapIntoCanvas(BmpSource& source, std::span<std::uint8_t> canvas,
                                 Notifier& notifier) {
  if (canvas.size() < kCanvasContent) return ImageStatus::NoMemory;
  BmpLayout layout;
  ImageResult result = ReadBmpLayout(source, layout);
  if (!result) {
    ShowOpenFailure(notifier, result, static_cast<unsigned>(layout.width),
                    static_cast<unsigned>(layout.height));
    return result;
  }
  WriteDibHeader(canvas, kCanvasWidth, kCanvasHeight, 24);
  if (KeepsOwnHeader(layout)) std::memcpy(canvas.data(), layout.infoHeader.data(), kDibInfoHeaderSize);
  std::uint8_t* rows = canvas.data() + kDibInfoHeaderSize;
  std::memset(rows, 0, kCanvasStride * kCanvasHeight);
  const Placement p = Place(layout.width, layout.height, layout.depth == BmpDepth::Paletted);
  BmpRowsRead read;
  result = ReadBmpRows(source, layout, [&](int row, const std::uint8_t* bgr) {
    if (row < p.firstRow || row >= p.firstRow + p.rows) return;
    std::uint8_t* out = rows + static_cast<std::size_t>(p.canvasRow + row - p.firstRow) * kCanvasStride;
    std::memcpy(out + 3 * p.canvasColumn, bgr + 3 * static_cast<std::size_t>(p.skipPixels),
                3 * static_cast<std::size_t>(p.pixels));
  }, &read);
  // A file without a single row of pixels is no picture; a file cut inside
  // its rows opens with the rest black, and says so.
  if (result && read.rowsPresent == 0) result = ImageStatus::NoPixels;
  if (!result) {
    ShowOpenFailure(notifier, result);
    return result;
  }
  if (read.shortData) notifier.Note(MissingRowsText(read.rowsPresent, layout.height), "Lumarel");
  if (layout.width > kCanvasWidth || layout.height > kCanvasHeight)
    notifier.Note("Part of the image will be cut off.", "ERROR");
  return result;
}

ImageResult ReadBitmapFileIntoCanvas(const std::string& path, std::span<std::uint8_t> canvas,
                                     Notifier& notifier) {
  fileutil::InputFile input = fileutil::OpenInput(path);
  if (input.status != ImageStatus::Done) {
    ShowOpenFailure(notifier, input.result());
    return input.result();
  }
  FileBmpSource source(input.file.get());
  return ReadBitmapIntoCanvas(source, canvas, notifier);
}

ImageResult ReadBitmapIntoCanvas(std::span<const std::uint8_t> file,
                                 std::span<std::uint8_t> canvas, Notifier& notifier) {
  SpanBmpSource source(file);
  return ReadBitmapIntoCanvas(source, canvas, notifier);
}

}  // namespace lumarel
