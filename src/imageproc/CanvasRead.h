// SPDX-License-Identifier: MIT
// Reading a BMP file into the 640 x 480 24-bit canvas that picture windows
// open from: smaller pictures are centred on black, larger ones cut to their
// centre. The file is decoded by the one BMP reader (imagefile/BmpRead.h), so
// every layout it accepts opens as it really is.
//
// Placement keeps the rules of the two depths the program writes itself:
// 24-bit pictures, and 16- and 32-bit ones, start at a column rounded down to
// a multiple of 4 pixels; paletted pictures (1, 4, 8 bits) are centred on the
// exact half. Cut pictures keep their centre, with columns skipped in steps
// of 4 pixels.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "imagefile/BmpRead.h"
#include "imagefile/ImageResult.h"
#include "platform/Notifier.h"

namespace lumarel {

inline constexpr int kCanvasWidth = 640;
inline constexpr int kCanvasHeight = 480;

// Reads the BMP file behind `source` into `canvas`, a block of at least
// 921640 bytes. Shows the one message of a refusal (OpenFailureText: wrong
// type, too large with the size, no pixel data, not enough memory). Notes
// (Notifier::Note, no failure) "Part of the image will be cut off." when the
// picture is larger than the canvas, and how many rows were there when the
// pixel data ends early (the rest is black). A 640 x
// 480 24-bit bottom-up file with a plain 40-byte header gives the canvas its
// own header. Nothing is written outside the canvas's 640 x 480 pixels.
ImageResult ReadBitmapIntoCanvas(BmpSource& source, std::span<std::uint8_t> canvas,
                                 Notifier& notifier);

// The same for the file at `path`, opened through fileutil::OpenInput (only a
// regular file is read, and only as far as its headers say). A path that
// cannot be opened as a regular file shows why (not found, permission, not a
// regular file) and gives NotFound or NotAFile.
ImageResult ReadBitmapFileIntoCanvas(const std::string& path, std::span<std::uint8_t> canvas,
                                     Notifier& notifier);

// The same for a file's bytes held in memory.
ImageResult ReadBitmapIntoCanvas(std::span<const std::uint8_t> file,
                                 std::span<std::uint8_t> canvas, Notifier& notifier);

}  // namespace lumarel
