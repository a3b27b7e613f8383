// SPDX-License-Identifier: MIT
// The one BMP reader: every part of the program that reads a BMP file (the
// Open command's canvas, the JPEG encoder, the Open dialog's preview) goes
// through here.
//
// Accepted: information headers of 12 (OS/2, colour triples), 40, 52, 56, 64,
// 108 and 124 bytes; 1, 4 and 8 bits with a colour table of up to 2^bits
// entries (fewer from biClrUsed, or where the pixels begin); 16 bits (5-5-5, or
// bit-field masks such as 5-6-5) and 32 bits (8-8-8, or bit-field masks; alpha
// ignored); 24 bits; RLE8 and RLE4 with their escapes; rows bottom-up or
// top-down (negative height, uncompressed only). Pixels are taken from the
// file's own pixel offset.
//
// Refused as WrongType: no "BM", any other header size, plane count, bit count
// or compression (JPEG and PNG in a BMP among them), a non-positive width, a
// zero height, pixels that begin inside the headers, or headers and colour
// table cut short. Refused as TooLarge: pictures beyond the limits below. Both
// before anything is allocated from the header's numbers.
//
// A file whose pixel data is cut short reads the missing pixels as black (the
// caller learns how much was there: BmpRowsRead);
// palette indices beyond the colour table read as black, as do the pixels an
// RLE delta skips. Only the bytes the headers say are needed are read.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <span>
#include <vector>

#include "imagefile/ImageResult.h"

namespace lumarel {

// Limits, as for decoded JPEG files: no part of the program uses more, and
// they bound every allocation the reader makes.
inline constexpr std::int64_t kMaxBmpDimension = 16384;
inline constexpr std::uint64_t kMaxBmpPixels = 50'000'000;

// Where a BMP file's bytes come from. The reader asks for ranges by offset.
class BmpSource {
 public:
  virtual ~BmpSource() = default;
  // Copies up to out.size() bytes starting at `offset`; returns how many there were.
  virtual std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) = 0;
};

class SpanBmpSource : public BmpSource {
 public:
  explicit SpanBmpSource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override;

 private:
  std::span<const std::uint8_t> bytes_;
};

// An open file (not owned); see fileutil::OpenInput.
class FileBmpSource : public BmpSource {
 public:
  explicit FileBmpSource(std::FILE* file) : file_(file) {}
  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override;

 private:
  std::FILE* file_;
  std::uint64_t position_ = ~std::uint64_t{0};  // unknown until the first read
};

// How the picture's colours were stored, which decides its canvas placement.
enum class BmpDepth { Paletted, TrueColour24, TrueColourOther };

struct BmpLayout {
  std::int32_t width = 0;   // pixels, positive
  std::int32_t height = 0;  // rows, positive
  bool topDown = false;     // first stored row is the top one
  std::uint32_t headerSize = 0;
  std::uint16_t bitCount = 0;
  std::uint32_t compression = 0;
  std::uint32_t offBits = 0;        // file offset of the pixel data
  std::int32_t xPelsPerMeter = 0;   // 0 for a 12-byte header
  std::int32_t yPelsPerMeter = 0;
  std::array<std::uint32_t, 3> masks{};  // red, green, blue for 16 and 32 bits
  std::array<std::uint8_t, 256 * 3> colours{};  // blue, green, red; missing entries black
  BmpDepth depth = BmpDepth::TrueColour24;
  // The 40-byte information header exactly as the file has it (12-byte headers: empty).
  std::array<std::uint8_t, 40> infoHeader{};
};

// Reads and checks the file header, the information header, the masks and the
// colour table.
ImageResult ReadBmpLayout(BmpSource& source, BmpLayout& layout);

// Receives each picture row once, width x 3 bytes of blue, green, red; `row`
// counts from the bottom (0 is the bottom row) whatever the file's order.
using BmpRowSink = std::function<void(int row, const std::uint8_t* bgr)>;

// How much of the pixel data a file held.
struct BmpRowsRead {
  std::int32_t rowsPresent = 0;  // rows that got at least one pixel from the file
  bool shortData = false;        // the data ended before the picture did
};

// Decodes the pixel rows described by `layout` into `sink`; `read`, when
// given, says how much of the data was there.
ImageResult ReadBmpRows(BmpSource& source, const BmpLayout& layout, const BmpRowSink& sink,
                        BmpRowsRead* read = nullptr);

// A whole picture in memory.
struct BmpImage {
  BmpLayout layout;
  std::vector<std::uint8_t> bgr;  // rows from the bottom up, width x 3 bytes each, no padding
};

// ReadBmpLayout and ReadBmpRows into memory (NoMemory when that fails).
ImageResult ReadBmpImage(BmpSource& source, BmpImage& image);

}  // namespace lumarel
