// SPDX-License-Identifier: MIT
// Rewriting a JPEG file as an Exif file: one APP1 segment with a fixed tag set
// and a 160 x 120 thumbnail, followed by the compacted main stream.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "imagefile/ExifDates.h"
#include "imagefile/ImageResult.h"
#include "platform/Clock.h"
#include "platform/Notifier.h"

namespace lumarel {

// Rewrites sourcePath as an Exif file at destPath (callers pass the same path).
// `recodeQuality` is the JPEG quality used when the main picture must be
// re-encoded (75 when saving a JPEG file). Returns Done when destPath was
// written; DiskFull when the destination's filesystem lacks the space (destPath
// is then unchanged); NotFound, NotAFile or WrongType when the source is not a
// JPEG file that decodes; NoMemory or WriteFailed otherwise. Messages go
// through `notifier`. DateTime is when the file is written (the local time
// from `clock`); DateTimeOriginal and DateTimeDigitized are when the picture
// was taken: `taken`'s dates where it knows them, else the source's own,
// else written as unknown.
ImageResult WriteExifFile(const std::string& sourcePath, const std::string& destPath,
                          int recodeQuality, Notifier& notifier, Clock& clock = SystemClock(),
                          const PictureDates& taken = {});

// Free bytes on the filesystem holding `path`, or nullopt when unknown.
using FreeSpaceQuery = std::function<std::optional<std::uint64_t>(const std::string& path)>;

}  // namespace lumarel
