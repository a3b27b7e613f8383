// SPDX-License-Identifier: MIT
// JPEG file to BMP file, on the libjpeg version 6 interface.
#pragma once

#include <cstdint>
#include <string>

#include "imagefile/ImageResult.h"

namespace lumarel {

struct DecodedSize {
  unsigned width = 0;
  unsigned height = 0;
};

// Decodes jpegPath into bmpPath: a 24-bit BMP for a colour JPEG (RGB, YCbCr,
// CMYK or Adobe YCCK), an 8-bit BMP with a 256-entry grey table for a
// greyscale one, turned upright by its Exif orientation. No message is shown.
// Returns Done; NotFound or NotAFile for a jpegPath that is missing or not a
// regular file (bmpPath is then untouched); LibraryError when the JPEG library
// failed (so the file is no JPEG it can decode); TooLarge for pictures wider
// or taller than kMaxDecodeDimension or larger than kMaxDecodePixels;
// WrongType for other colour spaces, or a Huffman-coded file far too small for
// the size it claims; NoMemory; DiskFull or WriteFailed (with the system's
// reason) when bmpPath cannot be written. Any failure after bmpPath was
// opened leaves it empty. `size`, when given, receives the stored size once
// the header is read. Library warnings (such as a file that ends early) are
// ignored; a file with more than kMaxDecodeScans scans fails.
ImageResult DecodeJpegFile(const std::string& jpegPath, const std::string& bmpPath,
                           DecodedSize* size = nullptr);

inline constexpr unsigned kMaxDecodeDimension = 16384;
inline constexpr std::uint64_t kMaxDecodePixels = 50'000'000;
inline constexpr int kMaxDecodeScans = 100;
// A Huffman-coded frame may claim at most this many pixels per byte of the
// file (and always 640 x 480): even a flat progressive picture needs more than
// a byte per 256 pixels, so a tiny file claiming megapixels is refused before
// allocating. Arithmetic coding is bounded by the limits above only.
inline constexpr std::uint64_t kMaxPixelsPerFileByte = 256;

}  // namespace lumarel
