// SPDX-License-Identifier: MIT
// The BMP reader's second half: pixel rows, uncompressed (palette indices,
// bit fields, plain 24 bits) and run-length coded (RLE8, RLE4).
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "imagefile/BmpRead.h"
#include "imagefile/ByteOrder.h"

namespace lumarel {
namespace {

constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;

// One colour channel of a bit-field pixel, widened to 8 bits by repeating its
// bits (5 bits v become v << 3 | v >> 2), as other readers do.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  int bits = 0;

  explicit Channel(std::uint32_t m) : mask(m) {
    if (mask == 0) return;
    while (((mask >> shift) & 1u) == 0) ++shift;
    for (std::uint32_t v = mask >> shift; v != 0; v >>= 1) ++bits;
  }
  std::uint8_t Of(std::uint32_t pixel) const {
    if (bits == 0) return 0;
    const std::uint32_t v = (pixel & mask) >> shift;
    if (bits >= 8) return static_cast<std::uint8_t>(v >> (bits - 8));
    std::uint32_t wide = 0;
    int filled = 0;
    for (; filled < 8; filled += bits) wide = (wide << bits) | v;
    return static_cast<std::uint8_t>(wide >> (filled - 8));
  }
};

// Uncompressed rows: each stored row is read once; pixels whose bytes are
// missing stay black.
ImageResult ReadPlainRows(BmpSource& source, const BmpLayout& l, const BmpRowSink& sink,
                          BmpRowsRead& read) {
  const std::size_t w = static_cast<std::size_t>(l.width);
  const std::size_t stride = ((w * l.bitCount + 31) / 32) * 4;
  const std::size_t needed = (w * l.bitCount + 7) / 8;  // a last row may lack its padding
  std::vector<std::uint8_t> stored(stride);
  std::vector<std::uint8_t> out(w * 3);
  const Channel red(l.masks[0]), green(l.masks[1]), blue(l.masks[2]);
  bool ended = false;  // the file has ended: every later row is black
  for (std::int32_t r = 0; r < l.height; ++r) {
    std::size_t got = 0;
    if (!ended) {
      got = source.ReadAt(l.offBits + static_cast<std::uint64_t>(r) * stride, stored);
      ended = got < stride;
    }
    const std::size_t present = std::min<std::size_t>(w, got * 8 / l.bitCount);
    if (present > 0) ++read.rowsPresent;
    if (got < needed) read.shortData = true;
    std::fill(out.begin(), out.end(), std::uint8_t{0});
    for (std::size_t x = 0; x < present; ++x) {
      std::uint8_t* px = &out[x * 3];
      switch (l.bitCount) {
        case 1: case 4: case 8: {
          const std::size_t bit = x * l.bitCount;
          const unsigned index = (stored[bit / 8] >> (8 - l.bitCount - bit % 8)) &
                                 ((1u << l.bitCount) - 1);
          std::memcpy(px, &l.colours[index * 3], 3);
          break;
        }
        case 24:
          std::memcpy(px, &stored[x * 3], 3);
          break;
        default: {
          const std::uint32_t v =
              l.bitCount == 16 ? bytes::Le16(&stored[x * 2]) : bytes::Le32(&stored[x * 4]);
          px[0] = blue.Of(v);
          px[1] = green.Of(v);
          px[2] = red.Of(v);
        }
      }
    }
    sink(l.topDown ? l.height - 1 - r : r, out.data());
  }
  return ImageStatus::Done;
}

// The run-length data read in pieces, never past `end`.
class RleStream {
 public:
  RleStream(BmpSource& source, std::uint64_t start, std::uint64_t end)
      : source_(source), next_(start), end_(end) {}
  bool Next(std::uint8_t& b) {
    if (at_ == have_) {
      if (next_ >= end_) return false;
      const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(sizeof buffer_, end_ - next_));
      have_ = source_.ReadAt(next_, std::span(buffer_, want));
      next_ += have_;
      at_ = 0;
      if (have_ == 0) {
        end_ = next_;
        return false;
      }
    }
    b = buffer_[at_++];
    return true;
  }

 private:
  BmpSource& source_;
  std::uint64_t next_;
  std::uint64_t end_;
  std::uint8_t buffer_[65536];
  std::size_t have_ = 0;
  std::size_t at_ = 0;
};

// RLE8 / RLE4, rows bottom-up: runs, end of line, end of picture, delta and
// absolute runs (padded to 16 bits). Pixels past the right edge are dropped;
// pixels never written, and every row after the data ends, stay black.
class RleDecoder {
 public:
  RleDecoder(const BmpLayout& l, const BmpRowSink& sink)
      : l_(l), sink_(sink), row_(static_cast<std::size_t>(l.width) * 3) {}

  // Rows that received data; short when the data ended before the picture did
  // without an end-of-picture code.
  BmpRowsRead Read() const { return read_; }

  void Run(RleStream& in) {
    const bool four = l_.compression == kRle4;
    std::uint8_t count, value;
    while (y_ < l_.height && in.Next(count) && in.Next(value)) {
      if (count > 0) {
        for (int i = 0; i < count; ++i) Put(four ? (i % 2 == 0 ? value >> 4 : value & 15) : value);
        continue;
      }
      if (value == 0) {
        EndRow();
      } else if (value == 1) {
        ended_ = true;
        break;
      } else if (value == 2) {
        std::uint8_t dx, dy;
        if (!in.Next(dx) || !in.Next(dy)) break;
        const std::int64_t x = std::min<std::int64_t>(x_ + dx, l_.width);
        for (int i = 0; i < dy && y_ < l_.height; ++i) EndRow();
        x_ = x;
      } else {
        const int bytesUsed = four ? (value + 1) / 2 : value;
        std::uint8_t b = 0;
        for (int i = 0; i < bytesUsed; ++i) {
          if (!in.Next(b)) return Finish();
          if (four) {
            Put(b >> 4);
            if (2 * i + 1 < value) Put(b & 15);
          } else {
            Put(b);
          }
        }
        if (bytesUsed % 2 == 1 && !in.Next(b)) break;
      }
    }
    Finish();
  }

 private:
  void Put(unsigned index) {
    if (x_ < l_.width) std::memcpy(&row_[static_cast<std::size_t>(x_) * 3], &l_.colours[index * 3], 3);
    ++x_;
  }
  void EndRow() {
    sink_(y_, row_.data());
    std::fill(row_.begin(), row_.end(), std::uint8_t{0});
    ++y_;
    x_ = 0;
  }
  void Finish() {
    read_.rowsPresent = y_ + (x_ > 0 && y_ < l_.height ? 1 : 0);
    read_.shortData = !ended_ && y_ < l_.height;
    while (y_ < l_.height) EndRow();
  }

  const BmpLayout& l_;
  const BmpRowSink& sink_;
  std::vector<std::uint8_t> row_;
  std::int32_t y_ = 0;
  std::int64_t x_ = 0;
  bool ended_ = false;
  BmpRowsRead read_;
};

}  // namespace

ImageResult ReadBmpRows(BmpSource& source, const BmpLayout& layout, const BmpRowSink& sink,
                        BmpRowsRead* read) {
  if (layout.width <= 0 || layout.height <= 0) return ImageStatus::WrongType;
  BmpRowsRead unused;
  BmpRowsRead& r = read != nullptr ? *read : unused;
  r = {};
  try {
    if (layout.compression != kRle8 && layout.compression != kRle4) {
      return ReadPlainRows(source, layout, sink, r);
    }
    // No sound coder spends more than 2 bytes a pixel plus an end of line per
    // row, so a file is not read further than that whatever its size.
    const std::uint64_t pixels = static_cast<std::uint64_t>(layout.width) * layout.height;
    const std::uint64_t limit = 2 * pixels + 2 * static_cast<std::uint64_t>(layout.height) + 256;
    auto stream = std::make_unique<RleStream>(source, layout.offBits, layout.offBits + limit);
    RleDecoder decoder(layout, sink);
    decoder.Run(*stream);
    r = decoder.Read();
    return ImageStatus::Done;
  } catch (const std::bad_alloc&) {
    return ImageStatus::NoMemory;
  }
}

ImageResult ReadBmpImage(BmpSource& source, BmpImage& image) {
  image.bgr.clear();
  if (ImageResult r = ReadBmpLayout(source, image.layout); !r) return r;
  const std::size_t rowBytes = static_cast<std::size_t>(image.layout.width) * 3;
  try {
    image.bgr.resize(rowBytes * static_cast<std::size_t>(image.layout.height));
  } catch (const std::bad_alloc&) {
    return ImageStatus::NoMemory;
  }
  return ReadBmpRows(source, image.layout, [&](int row, const std::uint8_t* bgr) {
    std::memcpy(image.bgr.data() + static_cast<std::size_t>(row) * rowBytes, bgr, rowBytes);
  });
}

}  // namespace lumarel
