// SPDX-License-Identifier: MIT
// The Exif thumbnail: the picture fitted into 160 x 120, bilinearly scaled,
// placed on a black canvas and encoded at quality 10.
#pragma once

#include <cstdint>
#include <string>

#include "imagefile/DibImage.h"
#include "imagefile/ImageResult.h"
#include "platform/Notifier.h"

namespace lumarel {

inline constexpr int ExifThumbWidth = 160;
inline constexpr int ExifThumbHeight = 120;

struct ExifThumbnail {
  MemoryBlock jpeg;  // the thumbnail JPEG file's bytes (null on failure)
  ImageResult result = ImageStatus::Done;  // why jpeg is null
  int pictureWidth = 0;
  int pictureHeight = 0;
};

// Decodes sourcePath into the BMP file decodedPath (left for the caller) and
// builds the thumbnail. Shows "Can not change the exif format." when the source
// cannot be decoded, read or scaled and "Can not change to thumbnail." when the
// canvas cannot be allocated; other failures are silent.
ExifThumbnail MakeExifThumbnail(const std::string& sourcePath, const std::string& decodedPath,
                                Notifier& notifier);

struct ThumbSize {
  int width = 0;
  int height = 0;
};
// The scaled size of a W x H picture fitted into 160 x 120.
ThumbSize FitThumbnail(std::uint32_t width, std::uint32_t height);

// Bilinear scaling of a 24-bit DIB to w x h into a new 24-bit DIB block of
// (3w + 4) h + 44 bytes; null when the source is not a readable 24-bit DIB or
// memory is short.
DibImage ScaleDib24(std::span<const std::uint8_t> source, int width, int height);

// A 160 x 120 24-bit black canvas with the scaled picture placed in it; null
// when memory is short or the picture does not fit.
DibImage PlaceOnCanvas(std::span<const std::uint8_t> scaled);

}  // namespace lumarel
