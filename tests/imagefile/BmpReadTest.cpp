// SPDX-License-Identifier: MIT
// The one BMP reader against ImageMagick: every common layout, written by
// ImageMagick at test time, must decode to ImageMagick's own pixels. Also
// run-length escapes ImageMagick does not write, the input checks and how
// far a file is read.
#include <sys/stat.h>

#include <algorithm>

#include "BmpVariants.h"
#include "ImageTestSupport.h"
#include "imagefile/BmpRead.h"
#include "imagefile/FileUtil.h"

namespace lumarel {
namespace {

using testing::Bytes;

// The decoded picture as top-down red, green, blue (the oracle's order).
Bytes TopDownRgb(const BmpImage& image) {
  const int w = image.layout.width;
  const int h = image.layout.height;
  Bytes rgb(static_cast<std::size_t>(w) * h * 3);
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* in = &image.bgr[static_cast<std::size_t>(h - 1 - y) * w * 3];
    for (int x = 0; x < w * 3; x += 3) {
      std::uint8_t* out = &rgb[static_cast<std::size_t>(y) * w * 3 + x];
      out[0] = in[x + 2];
      out[1] = in[x + 1];
      out[2] = in[x];
    }
  }
  return rgb;
}

ImageResult ReadFile(const std::string& path, BmpImage& image) {
  fileutil::InputFile input = fileutil::OpenInput(path);
  if (!input.file) return input.status;
  FileBmpSource source(input.file.get());
  return ReadBmpImage(source, image);
}

class BmpReadVariants : public testing::ScratchDir,
                        public ::testing::WithParamInterface<testing::BmpVariant> {};

TEST_P(BmpReadVariants, DecodesAsImageMagickDoes) {
  if (!testing::HaveImageMagick()) GTEST_SKIP() << "ImageMagick's convert is not installed";
  const std::string path = testing::MakeBmpVariant(dir_.string(), GetParam(), 37, 23);
  ASSERT_FALSE(path.empty());
  const Bytes oracle = testing::ImageMagickRgb(path);
  ASSERT_EQ(oracle.size(), 37u * 23 * 3);
  BmpImage image;
  ASSERT_TRUE(ReadFile(path, image));
  EXPECT_EQ(image.layout.width, 37);
  EXPECT_EQ(image.layout.height, 23);
  const Bytes ours = TopDownRgb(image);
  const auto diff = std::mismatch(ours.begin(), ours.end(), oracle.begin());
  EXPECT_TRUE(diff.first == ours.end()) << "first difference at byte " << (diff.first - ours.begin());
}

INSTANTIATE_TEST_SUITE_P(ImageMagick, BmpReadVariants, ::testing::ValuesIn(testing::BmpVariants()),
                         [](const auto& info) { return std::string(info.param.name); });

// A BMP file with a 40-byte header, a colour table and the given pixel data.
Bytes RleFile(int w, int h, int bits, std::uint32_t compression, const Bytes& table,
              const Bytes& data) {
  Bytes b(54);
  b[0] = 'B';
  b[1] = 'M';
  const std::uint32_t entries = static_cast<std::uint32_t>(table.size() / 4);
  bytes::PutLe32(&b[10], 54 + entries * 4);
  bytes::PutLe32(&b[14], 40);
  bytes::PutLe32(&b[18], static_cast<std::uint32_t>(w));
  bytes::PutLe32(&b[22], static_cast<std::uint32_t>(h));
  bytes::PutLe16(&b[26], 1);
  bytes::PutLe16(&b[28], static_cast<std::uint32_t>(bits));
  bytes::PutLe32(&b[30], compression);
  bytes::PutLe32(&b[34], static_cast<std::uint32_t>(data.size()));
  bytes::PutLe32(&b[46], entries);
  b.insert(b.end(), table.begin(), table.end());
  b.insert(b.end(), data.begin(), data.end());
  bytes::PutLe32(&b[2], static_cast<std::uint32_t>(b.size()));
  return b;
}

// Entry i of a 16-entry table is (blue 10 i, green 200, red 255 - i); entry 0 black.
Bytes Table16() {
  Bytes t(64, 0);
  for (int i = 1; i < 16; ++i) {
    t[i * 4] = static_cast<std::uint8_t>(10 * i);
    t[i * 4 + 1] = 200;
    t[i * 4 + 2] = static_cast<std::uint8_t>(255 - i);
  }
  return t;
}

// Palette indices, bottom row first, as the decoded colours.
Bytes Expected(const std::vector<std::vector<int>>& rows) {
  const Bytes t = Table16();
  Bytes bgr;
  for (const auto& row : rows)
    for (int i : row) bgr.insert(bgr.end(), &t[i * 4], &t[i * 4] + 3);
  return bgr;
}

class BmpReadFiles : public testing::ScratchDir {};

TEST_F(BmpReadFiles, RunLengthEscapesDecodeAsWritten) {
  struct Case {
    const char* name;
    int w, h, bits;
    std::uint32_t compression;
    Bytes data;
    std::vector<std::vector<int>> rows;  // bottom row first
  };
  const Case cases[] = {
      {"rle8", 8, 3, 8, 1,
       // run, odd absolute run with its pad byte, end of line; delta to (2, 2);
       // runs; end of picture
       {3, 1, 0, 3, 2, 3, 2, 0, 0, 0, 0, 2, 2, 1, 2, 3, 4, 2, 0, 1},
       {{1, 1, 1, 2, 3, 2, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 3, 3, 2, 2, 2, 2}}},
      {"rle4", 5, 2, 4, 2,
       // alternating run of 5, end of line; absolute 3, delta (1, 0) on the
       // same row, run of 1, end of picture
       {5, 0x12, 0, 0, 0, 3, 0x34, 0x50, 0, 2, 1, 0, 1, 0x70, 0, 1},
       {{1, 2, 1, 2, 1}, {3, 4, 5, 0, 7}}},
      {"rle8-ends-early", 3, 2, 8, 1, {2, 5}, {{5, 5, 0}, {0, 0, 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = Path(std::string(c.name) + ".bmp");
    const Bytes file = RleFile(c.w, c.h, c.bits, c.compression, Table16(), c.data);
    testing::WriteFileBytes(path, file);
    BmpImage image;
    ASSERT_TRUE(ReadFile(path, image));
    EXPECT_EQ(image.bgr, Expected(c.rows));
    if (testing::HaveImageMagick() && std::string(c.name) != "rle8-ends-early") {
      EXPECT_EQ(TopDownRgb(image), testing::ImageMagickRgb(path));
    }
  }
}

TEST_F(BmpReadFiles, OnlyRegularFilesAreOpened) {
  EXPECT_EQ(fileutil::OpenInput(Path("")).status, ImageStatus::NotAFile);  // the directory itself
  ASSERT_EQ(::mkfifo(Path("fifo.bmp").c_str(), 0600), 0);
  EXPECT_EQ(fileutil::OpenInput(Path("fifo.bmp")).status, ImageStatus::NotAFile);  // never blocks
  EXPECT_EQ(fileutil::OpenInput(Path("missing.bmp")).status, ImageStatus::NotFound);
  EXPECT_EQ(fileutil::OpenInput("/dev/null").status, ImageStatus::NotAFile);
}

// Records the furthest byte asked for.
class CountingSource : public BmpSource {
 public:
  explicit CountingSource(const Bytes& b) : inner_(b) {}
  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
    furthest = std::max<std::uint64_t>(furthest, offset + out.size());
    return inner_.ReadAt(offset, out);
  }
  std::uint64_t furthest = 0;

 private:
  SpanBmpSource inner_;
};

TEST(BmpReadLimits, AFileIsReadOnlyAsFarAsItsHeadersNeed) {
  testing::BmpSpec shape;
  shape.width = 5;
  shape.height = 3;
  Bytes file = testing::MakeBmp(shape);
  const std::size_t needed = file.size();
  file.resize(needed + (4 << 20), 0x55);
  CountingSource plain(file);
  BmpImage image;
  ASSERT_TRUE(ReadBmpImage(plain, image));
  EXPECT_EQ(plain.furthest, needed);
  // Run-length data of nothing but empty deltas: reading stops near two bytes a pixel.
  Bytes deltas(4 << 20);
  for (std::size_t i = 0; i < deltas.size(); i += 4) deltas[i + 1] = 2;
  const Bytes rle = RleFile(5, 3, 8, 1, Table16(), deltas);
  CountingSource runs(rle);
  ASSERT_TRUE(ReadBmpImage(runs, image));
  EXPECT_LE(runs.furthest, 54u + 64 + 2 * 15 + 2 * 3 + 256);
}

}  // namespace
}  // namespace lumarel
