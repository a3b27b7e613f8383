// SPDX-License-Identifier: MIT
// BMP file to baseline JFIF JPEG file, on the libjpeg version 6 interface.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "imagefile/ImageResult.h"

namespace lumarel {

// Encodes the BMP file bmpPath (any layout the BMP reader accepts, BmpRead.h)
// into jpegPath with our own base quantisation tables scaled to
// `quality` (clamped to 1..100) and the sampling factors given as
// "HxV,HxV,HxV" for Y, Cb, Cr (e.g. "2x1,1x1,1x1"). No message is shown.
// Returns Done; NotFound, NotAFile, WrongType or TooLarge when bmpPath is not
// a BMP file the reader accepts; LibraryError when the JPEG library failed;
// NoMemory; WriteFailed. jpegPath may be partly written after a failure.
ImageResult EncodeJpegFile(const std::string& bmpPath, const std::string& jpegPath,
                   const std::string& sampling, int quality);

// The base quantisation tables in zigzag order (entry 0 is the DC quantiser).
extern const std::array<std::uint8_t, 64> kLuminanceBaseTable;
extern const std::array<std::uint8_t, 64> kChrominanceBaseTable;

// The quantiser written for `base` at `quality`: the library's quality scaling
// (5000 / q below 50, else 200 - 2q) rounded and limited to 1..255.
int ScaledQuantiser(int base, int quality);

}  // namespace lumarel
