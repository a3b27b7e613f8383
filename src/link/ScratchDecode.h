// SPDX-License-Identifier: MIT
// Decoding a received JPEG through the two scratch files: the bytes go to the
// first file, the link's decoder writes a 24-bit bitmap into the second, and
// the bitmap's info header and rows are read back into a DIB buffer. Shared by
// the index (previews) and the download take-over (pictures).
#pragma once

#include <cstdint>
#include <span>

#include "link/CameraLink.h"

namespace lumarel {

// Decodes `jpeg` and reads the bitmap into `dib` (info header, then rows),
// checking that it is a 24-bit bitmap of exactly width x height that fits.
// Returns nullptr on success, otherwise the message to show; a short read of
// the rows zeroes `dib` rather than leave it half-filled.
// True when the JPEG bytes end with the end-of-image marker, after any zero
// padding of the last packet. A picture cut short in the camera or on the way
// has no end marker.
bool JpegIsWhole(std::span<const std::uint8_t> jpeg);

// The program's decoder for the camera's JPEGs: refuses (false, no bitmap) a
// JPEG that is not whole, else decodes it with DecodeJpegFile.
bool DecodeCameraJpeg(const std::string& jpegPath, const std::string& bmpPath);

const char* DecodeThroughScratchFiles(const LinkServices& services,
                                      std::span<const std::uint8_t> jpeg, std::int32_t width,
                                      std::int32_t height, std::span<std::uint8_t> dib);

}  // namespace lumarel
