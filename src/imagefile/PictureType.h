// SPDX-License-Identifier: MIT
// The kind of a picture file told by its first bytes, not by its name: file
// managers pass pictures under any name, and a name can lie.
#pragma once

#include <cstdint>
#include <span>

namespace lumarel {

enum class PictureType { Jpeg, Bmp, Unknown };

// At least the first three bytes of the file are needed: JPEG starts with
// FF D8 FF (start of image, then a marker), BMP with "BM".
PictureType SniffPictureType(std::span<const std::uint8_t> firstBytes);

}  // namespace lumarel
