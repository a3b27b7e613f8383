// SPDX-License-Identifier: MIT
// BMP files: writing a DIB block with its 14-byte file header, and reading a
// BMP file back into a packed DIB block.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "imagefile/DibImage.h"
#include "imagefile/ImageResult.h"

namespace lumarel {

inline constexpr std::size_t kBitmapFileHeaderSize = 14;

// Writes the 14-byte file header (bfSize = block size + 14, bfOffBits = 14 +
// header size + colour-table size) followed by the whole block, spare bytes
// included. Returns Done, WrongType for a block whose header cannot be read or
// whose pixels would lie outside the block, or WriteFailed.
ImageResult WriteBitmapFile(const std::string& path, std::span<const std::uint8_t> dib);

// Reads a BMP file into a new zero-filled block: header and colour table, then
// the pixel rows directly after them (any gap before bfOffBits is dropped).
// Returns a null block on failure: a missing, empty or truncated file, no "BM",
// a header other than 40 bytes, offsets or sizes that do not fit the file, or
// pixel rows shorter than the header's width and height need.
DibImage ReadBitmapFile(const std::string& path);

}  // namespace lumarel
