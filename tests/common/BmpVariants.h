// SPDX-License-Identifier: MIT
// BMP files of the common layouts, made at test time by ImageMagick from one
// photo-like source, with ImageMagick's own decode of each file as the oracle.
// Shared by the BMP reader, canvas, command-line and Open command tests.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace lumarel::testing {

struct BmpVariant {
  const char* name;
  const char* options;  // ImageMagick options before the output file
  const char* prefix;   // output format prefix: "BMP2:" (OS/2), "BMP3:" (40-byte), "" (V5)
  bool topDown = false; // negate the height of the written (flipped) file
};

// Every layout the reader must open as it is.
inline const std::vector<BmpVariant>& BmpVariants() {
  static const std::vector<BmpVariant> variants = {
      {"Os2Header24", "", "BMP2:"},
      {"Os2Header16Colours", "-colors 16 -type Palette", "BMP2:"},
      {"Header40", "", "BMP3:"},
      {"Header40Rle8", "-colors 200 -type Palette -compress RLE", "BMP3:"},
      {"Header40SixteenColours", "-colors 16 -type Palette -compress None", "BMP3:"},
      {"V5TrueColour", "-type TrueColor", ""},
      {"V5TwoColours", "-colors 2 -type Palette", ""},
      {"V5SixteenColours", "-colors 16 -type Palette", ""},
      {"V5Palette200", "-colors 200 -type Palette -compress None", ""},
      {"V5Rle8", "-colors 200 -type Palette -compress RLE", ""},
      {"Rgb565", "-define bmp:subtype=RGB565", ""},
      {"Argb32", "-alpha set -define bmp:subtype=ARGB32", ""},
      {"TopDown", "-flip", "BMP3:", true},
  };
  return variants;
}

inline bool HaveImageMagick() { return std::system("command -v convert > /dev/null 2>&1") == 0; }

inline std::vector<std::uint8_t> FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Writes `dir`/<name>.bmp: a width x height plasma picture in the variant's
// layout. Returns its path, or an empty string when ImageMagick failed.
inline std::string MakeBmpVariant(const std::string& dir, const BmpVariant& v, int width,
                                  int height) {
  const std::string path = dir + "/" + v.name + ".bmp";
  const std::string command = "convert -seed 7 -size " + std::to_string(width) + "x" +
                              std::to_string(height) + " plasma:fractal -depth 8 " + v.options +
                              " '" + v.prefix + path + "' 2> /dev/null";
  if (std::system(command.c_str()) != 0) return {};
  if (v.topDown) {
    // The flipped rows, declared top-down: the picture shows the right way up again.
    std::vector<std::uint8_t> b = FileBytes(path);
    if (b.size() < 26) return {};
    const std::uint32_t h = static_cast<std::uint32_t>(-height);
    for (int i = 0; i < 4; ++i) b[22 + i] = static_cast<std::uint8_t>(h >> (8 * i));
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()),
                                                static_cast<std::streamsize>(b.size()));
  }
  return path;
}

// ImageMagick's decode of a file: top-down rows of red, green, blue bytes.
inline std::vector<std::uint8_t> ImageMagickRgb(const std::string& path) {
  std::vector<std::uint8_t> rgb;
  FILE* p = ::popen(("convert '" + path + "' -depth 8 rgb:- 2> /dev/null").c_str(), "r");
  if (!p) return rgb;
  std::uint8_t buffer[65536];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;) {
    rgb.insert(rgb.end(), buffer, buffer + n);
  }
  ::pclose(p);
  return rgb;
}

// Bits per pixel from a BMP file's header (12-byte or larger).
inline int BmpBitCount(const std::vector<std::uint8_t>& b) {
  if (b.size() < 30) return 0;
  const std::size_t at = b[14] == 12 ? 24 : 28;
  return b[at] | b[at + 1] << 8;
}

// The canvas placement of a width x height picture, as the Open command does it.
// Paletted pictures are centred on the exact half; the others start at a
// column rounded down to a multiple of 4 pixels; larger ones keep their centre.
struct CanvasSpot {
  int column = 0;     // canvas column of the first pixel placed
  int skip = 0;       // picture columns left out on the left
  int pixels = 0;     // picture columns placed
  int bottomRow = 0;  // canvas row from the bottom of the picture's first row placed
  int firstRow = 0;   // picture rows (from the bottom) left out
  int rows = 0;       // picture rows placed
};
inline CanvasSpot CanvasSpotFor(int w, int h, bool paletted) {
  CanvasSpot s;
  s.pixels = w > 640 ? 640 : w;
  s.skip = w > 640 ? ((w - 640) / 8) * 4 : 0;
  s.column = w > 640 ? 0 : (paletted && h <= 480 ? (640 - w) / 2 : ((640 - w) / 8) * 4);
  s.rows = h > 480 ? 480 : h;
  s.firstRow = h > 480 ? (h - 480) / 2 : 0;
  s.bottomRow = h > 480 ? 0 : (480 - h) / 2;
  return s;
}

// The 640 x 480 canvas rows (bottom-up, blue, green, red, 1920 bytes each)
// that the oracle's top-down red-green-blue picture should give.
inline std::vector<std::uint8_t> ExpectedCanvasRows(const std::vector<std::uint8_t>& rgb, int w,
                                                    int h, bool paletted) {
  std::vector<std::uint8_t> rows(1920 * 480, 0);
  const CanvasSpot s = CanvasSpotFor(w, h, paletted);
  for (int i = 0; i < s.rows; ++i) {
    const int fromTop = h - 1 - (s.firstRow + i);
    for (int x = 0; x < s.pixels; ++x) {
      const std::uint8_t* in = &rgb[(static_cast<std::size_t>(fromTop) * w + s.skip + x) * 3];
      std::uint8_t* out = &rows[static_cast<std::size_t>(s.bottomRow + i) * 1920 + (s.column + x) * 3];
      out[0] = in[2];
      out[1] = in[1];
      out[2] = in[0];
    }
  }
  return rows;
}

}  // namespace lumarel::testing
