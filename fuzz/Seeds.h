// SPDX-License-Identifier: MIT
// The seed corpora: small valid inputs like the tests use and hostile ones
// (offsets and sizes past the end, overflowing dimensions, short palettes,
// truncated rows and streams, absurd sizes and scan counts, bad packets).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace lumarel::fuzz {

using Bytes = std::vector<std::uint8_t>;
// Seed name -> contents, for one target.
using Corpus = std::map<std::string, Bytes>;

// BMP files, good and hostile.
Corpus BitmapSeeds();
// JPEG files, good and hostile (also Exif files).
Corpus JpegSeeds();
// Inputs of fuzz_live_zoom and fuzz_link_dispatch.
Corpus LiveZoomSeeds();
Corpus LinkSeeds();

// A BMP file with a 40-byte header and the given fields; rows filled with a pattern.
struct BmpSpec {
  std::int32_t width = 8;
  std::int32_t height = 6;
  std::uint16_t bits = 24;
  std::uint32_t coloursUsed = 0;
  std::uint32_t compression = 0;
  std::uint32_t headerSize = 40;
  std::int64_t offBits = -1;         // -1: right after the colour table
  std::size_t paletteEntries = 0;    // entries actually written
  std::int64_t pixelBytes = -1;      // -1: all rows
};
Bytes MakeBmp(const BmpSpec& shape);

}  // namespace lumarel::fuzz
