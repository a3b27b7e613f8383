// JPEG file to BMP file, on the libjpeg version 6 interface.
#pragma once

#include <cstdint>
#include <string>

namespace lumarel {

// 1 exactly when the last JPEG operation (decode or encode) failed inside the
// JPEG library; each operation clears it on entry. JPEG operations must not
// overlap.
extern std::uint8_t JpegAbort;

// Decodes jpegPath into bmpPath: a 24-bit BMP for a colour JPEG, an 8-bit BMP
// with a 256-entry grey table for a greyscale one. Returns 1 on success, 0 on
// failure (no message). A missing jpegPath leaves bmpPath untouched; a failure
// after bmpPath was opened leaves it empty. Library warnings (such as a file
// that ends early) are ignored. Pictures wider or taller than
// kMaxDecodeDimension, larger than kMaxDecodePixels, or with more than
// kMaxDecodeScans scans are refused.
int DecodeJpegFile(const std::string& jpegPath, const std::string& bmpPath);

inline constexpr unsigned kMaxDecodeDimension = 16384;
inline constexpr std::uint64_t kMaxDecodePixels = 50'000'000;
inline constexpr int kMaxDecodeScans = 100;
// A frame may claim at most this many pixels per byte of the file (and always
// 640 x 480): even a flat progressive picture needs more than a byte per 256
// pixels, so a tiny file claiming megapixels is refused before allocating.
inline constexpr std::uint64_t kMaxPixelsPerFileByte = 256;

}  // namespace lumarel
