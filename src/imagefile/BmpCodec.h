// SPDX-License-Identifier: MIT
// The BMP forms the JPEG codec exchanges: the file the decoder writes from
// decoded rows, and the encoder's BMP reader that turns a file's bytes into
// top-down red-green-blue rows.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <span>
#include <vector>

#include "imagefile/BmpRead.h"
#include "imagefile/ImageResult.h"

namespace lumarel {

// Row y (0 is the top) of a decoded picture: width x components bytes, red,
// green, blue or grey.
using DecodedRowOf = std::function<const std::uint8_t*(std::uint32_t y)>;

// Writes a BMP file from the rows: 24-bit (blue, green, red) for 3
// components, 8-bit with a 256-entry grey table for 1 component. False on a
// write error (errno tells why) or another component count.
bool WriteDecodedBitmap(std::FILE* f, std::uint32_t width, std::uint32_t height, int components,
                        std::int32_t xPelsPerMeter, std::int32_t yPelsPerMeter,
                        const DecodedRowOf& rowOf);

struct BmpPicture {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint8_t> rgb;  // top-down rows of width x 3 bytes, red-green-blue
  bool hasDensity = false;        // both resolution fields positive
  std::uint16_t xDensity = 0;     // dots per centimetre
  std::uint16_t yDensity = 0;
};

// Reads a BMP file through the one BMP reader (BmpRead.h: every layout it
// accepts) into top-down red-green-blue rows.
ImageResult ReadBmpForEncoder(BmpSource& source, BmpPicture& picture);
ImageResult ReadBmpForEncoder(std::span<const std::uint8_t> file, BmpPicture& picture);

}  // namespace lumarel
