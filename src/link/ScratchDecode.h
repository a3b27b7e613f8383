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

// True when the JPEG bytes end with the end-of-image marker, after any zero
// padding of the last packet. A picture cut short in the camera or on the way
// has no end marker.
bool JpegIsWhole(std::span<const std::uint8_t> jpeg);

// The program's decoder for the camera's JPEGs: refuses (NoPixels, no bitmap)
// a JPEG that is not whole, else gives DecodeJpegFile's result.
ImageResult DecodeCameraJpeg(const std::string& jpegPath, const std::string& bmpPath);

// The message for a failed scratch decode: "Disk is full." when the scratch
// folder has no room, the scratch write failure or "Not enough memory." for
// other failures of the PC, "This file type is wrong." for data that is no
// JPEG, "This file size is wrong. " for a JPEG cut short.
const char* ScratchDecodeFailureText(ImageResult result);

// Decodes `jpeg` and reads the bitmap into `dib` (info header, then rows),
// checking that it is a 24-bit bitmap of exactly width x height that fits.
// Returns nullptr on success, otherwise the message to show; a short read of
// the rows zeroes `dib` rather than leave it half-filled.
const char* DecodeThroughScratchFiles(const LinkServices& services,
                                      std::span<const std::uint8_t> jpeg, std::int32_t width,
                                      std::int32_t height, std::span<std::uint8_t> dib);

}  // namespace lumarel
