// SPDX-License-Identifier: MIT
// Conversion of a packed DIB (24-bit or 8-bit, bottom-up rows) into a QImage
// for painting and printing. The header's sizes are checked against the block
// before any row is read.
#pragma once

#include <QByteArray>
#include <QImage>
#include <cstdint>
#include <span>

namespace lumarel {

// A null QImage when the header is unreadable, the bit count is neither 24 nor
// 8, or the rows the header describes do not fit in the block.
QImage DibToImage(std::span<const std::uint8_t> dib);

// The DIB as a complete BMP file: the 14-byte file header ("BM", file size,
// two zero words, offset of the pixel rows) followed by the header, colour
// table and rows, without the block's spare bytes. Empty when the header is
// unreadable or the rows do not fit in the block.
QByteArray DibToBmpFile(std::span<const std::uint8_t> dib);

}  // namespace lumarel
