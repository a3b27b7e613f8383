#include "imageproc/CanvasRead.h"

#include <algorithm>
#include <cstring>

#include "imagefile/ByteOrder.h"
#include "imagefile/DibImage.h"

namespace lumarel {
namespace {

constexpr std::size_t kFileHeader = 14;
constexpr std::size_t kCanvasStride = 3 * kCanvasWidth;
constexpr std::size_t kCanvasContent = kDibInfoHeaderSize + kCanvasStride * kCanvasHeight;

// Sequential reader over the file's bytes; bytes past the end read as 0.
class ByteCursor {
 public:
  explicit ByteCursor(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  void Read(std::uint8_t* out, std::size_t n) {
    const std::size_t available = pos_ < bytes_.size() ? std::min(n, bytes_.size() - pos_) : 0;
    if (available) std::memcpy(out, bytes_.data() + pos_, available);
    std::memset(out + available, 0, n - available);
    Skip(n);
  }
  std::uint8_t ReadByte() {
    std::uint8_t b;
    Read(&b, 1);
    return b;
  }
  void Skip(std::uint64_t n) { pos_ = n > bytes_.size() - std::min(pos_, bytes_.size()) ? bytes_.size() : pos_ + n; }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t pos_ = 0;
};

struct Placement {
  int firstFileRow = 0;   // file rows skipped before the first one read
  int rows = 0;           // file rows read
  int canvasRow = 0;      // canvas row (stored order) of the first row read
  int canvasColumn = 0;   // canvas pixel of the first pixel read
  int skipPixels = 0;     // file pixels skipped at the start of each row
  int pixels = 0;         // file pixels read per row
};

// Where the file's rows go; `exactHalf` is the 8-bit files' centring.
Placement Place(std::int64_t w, std::int64_t h, bool exactHalf) {
  Placement p;
  const bool cutRows = h > kCanvasHeight;
  const bool cutColumns = w > kCanvasWidth;
  p.firstFileRow = cutRows ? static_cast<int>(std::min<std::int64_t>((h - kCanvasHeight) / 2, INT32_MAX)) : 0;
  p.rows = cutRows ? kCanvasHeight : static_cast<int>(h);
  p.canvasRow = cutRows ? 0 : static_cast<int>((kCanvasHeight - h) / 2);
  if (cutColumns) {
    p.skipPixels = static_cast<int>(std::min<std::int64_t>(((w - kCanvasWidth) / 8) * 4, INT32_MAX));
    p.pixels = kCanvasWidth;
  } else {
    p.pixels = static_cast<int>(w);
    const bool centred = !cutRows;
    p.canvasColumn = static_cast<int>(exactHalf && centred ? (kCanvasWidth - w) / 2
                                                           : ((kCanvasWidth - w) / 8) * 4);
  }
  return p;
}

void ReadRows(ByteCursor& in, const Placement& p, std::uint64_t fileRowBytes, int bytesPerPixel,
              const std::uint8_t* table, std::uint8_t* rows) {
  in.Skip(fileRowBytes * static_cast<std::uint64_t>(p.firstFileRow));
  const std::uint64_t readBytes = static_cast<std::uint64_t>(p.pixels) * bytesPerPixel;
  const std::uint64_t skipBytes = static_cast<std::uint64_t>(p.skipPixels) * bytesPerPixel;
  std::uint8_t indices[kCanvasWidth];
  for (int i = 0; i < p.rows; ++i) {
    std::uint8_t* out = rows + (p.canvasRow + i) * kCanvasStride + 3 * p.canvasColumn;
    in.Skip(skipBytes);
    if (bytesPerPixel == 3) {
      in.Read(out, readBytes);
    } else {
      in.Read(indices, readBytes);
      for (int x = 0; x < p.pixels; ++x) std::memcpy(out + 3 * x, table + 4 * indices[x], 3);
    }
    in.Skip(fileRowBytes - skipBytes - readBytes);
  }
}

bool PlainHeader(const std::uint8_t* info) {
  return bytes::Le32(info) == kDibInfoHeaderSize && bytes::Le32(info + 32) == 0;
}

void WrongType(Notifier& notifier) {
  notifier.Show("This file type is wrong.", "ERROR", MessageButtons::Ok, MessageIcon::Exclamation);
}

}  // namespace

int ReadBitmapIntoCanvas(std::span<const std::uint8_t> file, std::span<std::uint8_t> canvas,
                         Notifier& notifier) {
  if (canvas.size() < kCanvasContent) return 0;
  const std::size_t headers = kFileHeader + kDibInfoHeaderSize;
  if (file.size() < headers || file[0] != 'B' || file[1] != 'M') {
    WrongType(notifier);
    return 0;
  }
  const std::uint8_t* info = file.data() + kFileHeader;
  const std::int64_t w = static_cast<std::int32_t>(bytes::Le32(info + 4));
  const std::int64_t h = static_cast<std::int32_t>(bytes::Le32(info + 8));
  const int bitCount = bytes::Le16(info + 14);
  if (w <= 0 || h <= 0 || bytes::Le32(info + 16) != 0) {
    WrongType(notifier);
    return 0;
  }
  const bool trueColour = bitCount == 24;
  const bool exact = w == kCanvasWidth && h == kCanvasHeight;
  WriteDibHeader(canvas, kCanvasWidth, kCanvasHeight, 24);
  if (exact && trueColour && PlainHeader(info)) std::memcpy(canvas.data(), info, kDibInfoHeaderSize);
  std::uint8_t* rows = canvas.data() + kDibInfoHeaderSize;
  std::memset(rows, 0, kCanvasStride * kCanvasHeight);
  if (w > kCanvasWidth || h > kCanvasHeight) {
    notifier.Show("Part of the image will be cut off.", "ERROR", MessageButtons::Ok,
                  MessageIcon::Exclamation);
  }

  ByteCursor in(file);
  in.Skip(headers);
  std::uint8_t table[4 * 256];
  if (!trueColour) in.Read(table, sizeof table);
  const int bytesPerPixel = trueColour ? 3 : 1;
  const std::uint64_t fileRowBytes =
      (static_cast<std::uint64_t>(w) * bytesPerPixel + 3) / 4 * 4;
  ReadRows(in, Place(w, h, !trueColour), fileRowBytes, bytesPerPixel, table, rows);
  return 1;
}

}  // namespace lumarel
