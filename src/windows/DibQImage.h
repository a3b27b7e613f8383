// Conversion of a packed DIB (24-bit or 8-bit, bottom-up rows) into a QImage
// for painting and printing. The header's sizes are checked against the block
// before any row is read.
#pragma once

#include <QImage>
#include <cstdint>
#include <span>

namespace lumarel {

// A null QImage when the header is unreadable, the bit count is neither 24 nor
// 8, or the rows the header describes do not fit in the block.
QImage DibToImage(std::span<const std::uint8_t> dib);

}  // namespace lumarel
