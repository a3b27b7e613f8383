// SPDX-License-Identifier: MIT
// Opening a picture file as the Open command does: a JPEG file is decoded to a
// BMP scratch file first, then the BMP is read into the 640 x 480 24-bit canvas
// (smaller pictures centred on black, larger ones cut to their centre).
//
// UI-free; shared by every front end that opens files (it belongs in a shared
// library next to the canvas reader).
#pragma once

#include <cstdio>
#include <string>

#include "imagefile/DibImage.h"
#include "imagefile/ExifDates.h"
#include "imagefile/ImageResult.h"
#include "platform/Notifier.h"

namespace lumarel {

enum class OpenedAs { Jpeg, Bitmap };

// How the open file at path is read: by its first two bytes (FF D8 a JPEG,
// "BM" a bitmap), whatever its name says; only a file with neither by its name
// ("*.jpg", "*.jpeg" as JPEG, anything else as bitmap), so the refusal fits.
// The file is read from its start and rewound.
OpenedAs TypeOf(std::FILE* file, const std::string& path);

struct OpenedCanvas {
  ImageResult result = ImageStatus::NotFound;
  DibImage canvas;  // 925696-byte block holding the 640 x 480 picture when Done
  PictureDates taken;  // a JPEG's own Exif dates, kept when it is saved again
};

// Opens path into a new canvas; scratchBmp receives the decoded JPEG. Shows
// the one message of a failure (OpenFailureText: not found, permission, not a
// regular file, wrong type, too large, no pixel data, "Disk is full." when the
// scratch file cannot be written, memory), and the notes of a picture cut to
// the canvas or short of rows. A path that is not a regular file (NotAFile) is
// refused before it is read; a BMP is read only as far as its headers say.
OpenedCanvas OpenPictureFile(const std::string& path, const std::string& scratchBmp,
                              Notifier& notifier);

}  // namespace lumarel
