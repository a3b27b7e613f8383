// SPDX-License-Identifier: MIT
// BMP and JPEG seeds. JPEGs are compressed in memory with the JPEG library,
// then patched or assembled by hand into hostile but well-formed files.
#include <initializer_list>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

#include "FuzzSupport.h"
#include "Seeds.h"
#include "imagefile/ExifFile.h"

namespace lumarel::fuzz {

namespace {

void Le16(Bytes& b, std::size_t at, std::uint32_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void Le32(Bytes& b, std::size_t at, std::uint32_t v) {
  Le16(b, at, v & 0xFFFF);
  Le16(b, at + 2, v >> 16);
}
void Be16(Bytes& b, std::size_t at, std::uint32_t v) {
  b[at] = static_cast<std::uint8_t>(v >> 8);
  b[at + 1] = static_cast<std::uint8_t>(v);
}
void Append(Bytes& b, std::initializer_list<int> values) {
  for (int v : values) b.push_back(static_cast<std::uint8_t>(v));
}

struct JpegSpec {
  int width = 16;
  int height = 12;
  bool grey = false;
  bool progressive = false;
  int quality = 75;
  int lumaH = 2, lumaV = 1;
};

Bytes Compress(const JpegSpec& shape) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr jerr{};
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(shape.width);
  cinfo.image_height = static_cast<JDIMENSION>(shape.height);
  cinfo.input_components = shape.grey ? 1 : 3;
  cinfo.in_color_space = shape.grey ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, shape.quality, TRUE);
  if (!shape.grey) {
    cinfo.comp_info[0].h_samp_factor = shape.lumaH;
    cinfo.comp_info[0].v_samp_factor = shape.lumaV;
  }
  if (shape.progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  const int components = cinfo.input_components;
  std::vector<JSAMPLE> row(static_cast<std::size_t>(shape.width) * components);
  while (cinfo.next_scanline < cinfo.image_height) {
    for (std::size_t i = 0; i < row.size(); ++i) {
      row[i] = static_cast<JSAMPLE>((i * 7 + cinfo.next_scanline * 13) & 0xFF);
    }
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&cinfo, &r, 1);
  }
  jpeg_finish_compress(&cinfo);
  Bytes out(buffer, buffer + size);
  jpeg_destroy_compress(&cinfo);
  std::free(buffer);
  return out;
}

// Offset of the first segment with `marker` (FF marker), or 0.
std::size_t FindMarker(const Bytes& b, std::uint8_t marker) {
  for (std::size_t i = 2; i + 1 < b.size(); ++i) {
    if (b[i] == 0xFF && b[i + 1] == marker) return i;
  }
  return 0;
}

// The same file with the frame header claiming another size.
Bytes WithFrameSize(Bytes b, std::uint32_t width, std::uint32_t height) {
  std::size_t sof = FindMarker(b, 0xC0);
  if (sof == 0) sof = FindMarker(b, 0xC2);
  if (sof != 0) {
    Be16(b, sof + 5, height);
    Be16(b, sof + 7, width);
  }
  return b;
}

// A progressive 8 x 8 greyscale file with `scans` scans of one bit each: the
// decoder must stop it early rather than work through them all.
Bytes ManyScans(int scans) {
  Bytes b;
  Append(b, {0xFF, 0xD8});
  Append(b, {0xFF, 0xDB, 0x00, 0x43, 0x00});
  for (int i = 0; i < 64; ++i) b.push_back(1);
  Append(b, {0xFF, 0xC2, 0x00, 0x0B, 0x08, 0x00, 0x08, 0x00, 0x08, 0x01, 0x01, 0x11, 0x00});
  // DC table 0 and AC table 0, each with one one-bit code for symbol 0.
  Append(b, {0xFF, 0xC4, 0x00, 0x14, 0x00, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00});
  Append(b, {0xFF, 0xC4, 0x00, 0x14, 0x10, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00});
  for (int i = 0; i < scans; ++i) {
    const bool dc = i == 0;
    Append(b, {0xFF, 0xDA, 0x00, 0x08, 0x01, 0x01, 0x00, dc ? 0 : 1, dc ? 0 : 63, 0x00, 0x7F});
  }
  Append(b, {0xFF, 0xD9});
  return b;
}

Bytes ExifOf(const Bytes& jpeg) {
  const std::string path = RunPath("seed-exif.jpg");
  SilentNotifier notifier;
  FixedClock clock;
  if (!WriteFileBytes(path, jpeg.data(), jpeg.size())) return {};
  if (!WriteExifFile(path, path, 75, notifier, clock)) return {};
  std::string text = ReadFileBytes(path);
  return Bytes(text.begin(), text.end());
}

}  // namespace

Bytes MakeBmp(const BmpSpec& s) {
  const std::uint64_t stride = ((static_cast<std::uint64_t>(s.width > 0 ? s.width : 1) * s.bits + 31) / 32) * 4;
  const std::uint64_t rows = stride * static_cast<std::uint64_t>(s.height > 0 ? s.height : 1);
  const std::size_t pixels =
      s.pixelBytes >= 0 ? static_cast<std::size_t>(s.pixelBytes) : static_cast<std::size_t>(rows);
  const std::size_t table = s.paletteEntries * 4;
  Bytes b(14 + s.headerSize + table + pixels, 0);
  b[0] = 'B';
  b[1] = 'M';
  Le32(b, 2, static_cast<std::uint32_t>(b.size()));
  Le32(b, 10, s.offBits >= 0 ? static_cast<std::uint32_t>(s.offBits)
                             : static_cast<std::uint32_t>(14 + s.headerSize + table));
  Le32(b, 14, s.headerSize);
  if (s.headerSize == 12) {
    Le16(b, 18, static_cast<std::uint32_t>(s.width));
    Le16(b, 20, static_cast<std::uint32_t>(s.height));
    Le16(b, 22, 1);
    Le16(b, 24, s.bits);
  } else if (s.headerSize >= 40) {
    Le32(b, 18, static_cast<std::uint32_t>(s.width));
    Le32(b, 22, static_cast<std::uint32_t>(s.height));
    Le16(b, 26, 1);
    Le16(b, 28, s.bits);
    Le32(b, 30, s.compression);
    Le32(b, 46, s.coloursUsed);
  }
  const std::size_t tableAt = 14 + s.headerSize;
  for (std::size_t i = 0; i < table; ++i) b[tableAt + i] = static_cast<std::uint8_t>(i * 3);
  for (std::size_t i = tableAt + table; i < b.size(); ++i) b[i] = static_cast<std::uint8_t>(i * 5);
  return b;
}

namespace {

// A header-only seed followed by its run-length data, with bfSize and biSizeImage set.
Bytes WithData(Bytes b, std::initializer_list<std::uint8_t> data) {
  b.insert(b.end(), data.begin(), data.end());
  Le32(b, 2, static_cast<std::uint32_t>(b.size()));
  Le32(b, 34, static_cast<std::uint32_t>(data.size()));
  return b;
}

// Bit-field masks (red, green, blue, alpha) at `at`.
Bytes WithMasks(Bytes b, std::size_t at, std::uint32_t r, std::uint32_t g, std::uint32_t bl,
                std::uint32_t a = 0) {
  Le32(b, at, r);
  Le32(b, at + 4, g);
  Le32(b, at + 8, bl);
  if (a != 0) Le32(b, at + 12, a);
  return b;
}

}  // namespace

Corpus BitmapSeeds() {
  Corpus c;
  c["rgb24"] = MakeBmp({});
  c["rgb24-odd-width"] = MakeBmp({.width = 7, .height = 3});
  c["rgb24-top-down"] = MakeBmp({.width = 5, .height = -4, .pixelBytes = 5 * 3 * 4 + 16});
  c["pal8"] = MakeBmp({.width = 9, .height = 5, .bits = 8, .paletteEntries = 256});
  c["pal8-short-palette"] =
      MakeBmp({.width = 9, .height = 5, .bits = 8, .coloursUsed = 2, .paletteEntries = 2});
  c["pal8-too-many-colours"] =
      MakeBmp({.width = 4, .height = 4, .bits = 8, .coloursUsed = 70000, .paletteEntries = 4});
  c["pal4"] = MakeBmp({.width = 6, .height = 4, .bits = 4, .paletteEntries = 16});
  c["pal1"] = MakeBmp({.width = 33, .height = 2, .bits = 1, .paletteEntries = 2});
  c["rgb32"] = MakeBmp({.width = 3, .height = 3, .bits = 32});
  c["rle8"] = MakeBmp({.width = 4, .height = 4, .bits = 8, .compression = 1, .paletteEntries = 256});
  // Run-length coding with every escape: runs, odd absolute runs with their
  // pad, end of line, delta, end of picture.
  c["rle8-escapes"] = WithData(MakeBmp({.width = 8, .height = 3, .bits = 8, .coloursUsed = 16,
                                        .compression = 1, .paletteEntries = 16, .pixelBytes = 0}),
                               {3, 1, 0, 3, 2, 3, 2, 0, 0, 0, 0, 2, 2, 1, 2, 3, 4, 2, 0, 1});
  c["rle4-escapes"] = WithData(MakeBmp({.width = 5, .height = 2, .bits = 4, .coloursUsed = 16,
                                        .compression = 2, .paletteEntries = 16, .pixelBytes = 0}),
                               {5, 0x12, 0, 0, 0, 3, 0x34, 0x50, 0, 2, 1, 0, 1, 0x70, 0, 1});
  c["rle8-delta-past-end"] = WithData(
      MakeBmp({.width = 4, .height = 2, .bits = 8, .coloursUsed = 2, .compression = 1,
               .paletteEntries = 2, .pixelBytes = 0}),
      {0, 2, 255, 255, 2, 1, 0, 0, 0, 5, 1, 0, 1, 1, 1});
  // V5 (124-byte) headers as other programs write them: 5-6-5 and ARGB bit fields.
  c["v5-rgb565"] = WithMasks(MakeBmp({.width = 5, .height = 3, .bits = 16, .compression = 3,
                                      .headerSize = 124}),
                             14 + 40, 0xF800, 0x07E0, 0x001F);
  c["v5-argb32"] = WithMasks(MakeBmp({.width = 3, .height = 2, .bits = 32, .compression = 3,
                                      .headerSize = 124}),
                             14 + 40, 0xFF0000, 0xFF00, 0xFF, 0xFF000000);
  c["v5-pal4"] = MakeBmp({.width = 7, .height = 3, .bits = 4, .coloursUsed = 16, .headerSize = 124,
                          .paletteEntries = 16});
  // A 40-byte header whose masks follow it.
  c["v3-bitfields16"] = WithMasks(MakeBmp({.width = 4, .height = 2, .bits = 16, .compression = 3,
                                           .paletteEntries = 3}),
                                  14 + 40, 0x7C00, 0x03E0, 0x001F);
  c["header52"] = MakeBmp({.width = 3, .height = 2, .bits = 24, .headerSize = 52});
  c["header56"] = MakeBmp({.width = 3, .height = 2, .bits = 24, .headerSize = 56});
  c["core-pal4"] = MakeBmp({.width = 6, .height = 2, .bits = 4, .headerSize = 12, .paletteEntries = 12});
  c["core-header"] = MakeBmp({.width = 8, .height = 4, .bits = 24, .headerSize = 12});
  c["v4-header"] = MakeBmp({.width = 8, .height = 4, .bits = 24, .headerSize = 108});
  c["offset-past-end"] = MakeBmp({.width = 4, .height = 4, .offBits = 0x7FFFFFF0});
  c["offset-inside-header"] = MakeBmp({.width = 4, .height = 4, .offBits = 20});
  c["truncated-rows"] = MakeBmp({.width = 16, .height = 16, .pixelBytes = 100});
  c["overflow-width-height"] =
      MakeBmp({.width = 0x40000000, .height = 4, .pixelBytes = 64});
  c["overflow-stride"] = MakeBmp({.width = 0x7FFFFFFF, .height = 0x7FFFFFFF, .pixelBytes = 16});
  c["huge-canvas-cut"] = MakeBmp({.width = 700, .height = 2, .bits = 24});
  c["zero-size"] = MakeBmp({.width = 0, .height = 0, .pixelBytes = 8});
  c["header-only"] = MakeBmp({.width = 2, .height = 2, .pixelBytes = 0});
  return c;
}

Corpus JpegSeeds() {
  Corpus c;
  const Bytes baseline = Compress({});
  c["baseline-2x1"] = baseline;
  c["baseline-1x1"] = Compress({.width = 9, .height = 7, .lumaH = 1, .lumaV = 1});
  c["baseline-2x2"] = Compress({.width = 17, .height = 9, .lumaH = 2, .lumaV = 2});
  c["grey"] = Compress({.width = 8, .height = 8, .grey = true});
  c["progressive"] = Compress({.width = 16, .height = 16, .progressive = true});
  c["truncated"] = Bytes(baseline.begin(), baseline.begin() + baseline.size() / 2);
  c["no-eoi"] = Bytes(baseline.begin(), baseline.end() - 2);
  c["huge-declared"] = WithFrameSize(baseline, 65500, 65500);
  c["largest-accepted"] = WithFrameSize(baseline, 16384, 3051);
  c["wide-and-short"] = WithFrameSize(baseline, 65535, 1);
  c["progressive-huge"] =
      WithFrameSize(Compress({.width = 16, .height = 16, .progressive = true}), 16384, 3051);
  Bytes comment = baseline;  // FF D9 inside a COM segment, before the real end
  comment.insert(comment.begin() + 2, {0xFF, 0xFE, 0x00, 0x06, 'a', 0xFF, 0xD9, 'b'});
  c["ffd9-in-comment"] = comment;
  c["scans-3000"] = ManyScans(3000);
  c["scans-101"] = ManyScans(101);
  const Bytes exif = ExifOf(baseline);
  if (!exif.empty()) c["exif"] = exif;
  return c;
}

}  // namespace lumarel::fuzz
