// SPDX-License-Identifier: MIT
// Opening a picture file as the Open command does: a JPEG file is decoded to a
// BMP scratch file first, then the BMP is read into the 640 x 480 24-bit canvas
// (smaller pictures centred on black, larger ones cut to their centre).
//
// UI-free; shared by every front end that opens files (it belongs in a shared
// library next to the canvas reader).
#pragma once

#include <string>

#include "imagefile/DibImage.h"
#include "imagefile/ImageResult.h"
#include "platform/Notifier.h"

namespace lumarel {

enum class OpenedAs { Jpeg, Bitmap };

// How a file is read: by its name like the Open dialog's filter ("*.jpg" or
// "*.jpeg" as JPEG, "*.bmp" as bitmap); a name with neither extension by its
// first two bytes.
OpenedAs OpenTypeFor(const std::string& path);

struct OpenedCanvas {
  ImageResult result = ImageStatus::NotFound;
  DibImage canvas;  // 925696-byte block holding the 640 x 480 picture when Done
};

// Opens path into a new canvas; scratchBmp receives the decoded JPEG. Shows
// "This file could not be found. ", "This file type is wrong.", "Part of the
// image will be cut off." or "Not enough memory." as the Open command does.
// A path that is not a regular file (NotAFile) is refused before it is read;
// a BMP is read only as far as its headers say.
OpenedCanvas OpenPictureFile(const std::string& path, const std::string& scratchBmp,
                              Notifier& notifier);

}  // namespace lumarel
