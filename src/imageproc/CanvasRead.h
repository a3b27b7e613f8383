// Reading a BMP file into the 640 x 480 24-bit canvas that picture windows
// open from: smaller pictures are centred on black, larger ones cut to their
// centre. 24-bit files are read as such; every other bit count is read as
// 8 bits per pixel with a 256-entry colour table.
#pragma once

#include <cstdint>
#include <span>

#include "platform/Notifier.h"

namespace lumarel {

inline constexpr int kCanvasWidth = 640;
inline constexpr int kCanvasHeight = 480;

// Reads the BMP file `file` (all its bytes) into `canvas`, a block of at
// least 921640 bytes. Returns 1 on success. Shows "This file type is wrong."
// and returns 0 when the file does not start with "BM" or its headers are
// missing, compressed or give a non-positive size. Shows "Part of the image
// will be cut off." once when the picture is larger than the canvas. Bytes
// missing from a short file read as black; nothing is written outside the
// canvas's 640 x 480 pixels, whatever the header claims.
int ReadBitmapIntoCanvas(std::span<const std::uint8_t> file, std::span<std::uint8_t> canvas,
                         Notifier& notifier);

}  // namespace lumarel
