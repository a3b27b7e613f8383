// Rewriting a JPEG file as an Exif file: one APP1 segment with a fixed tag set
// and a 160 x 120 thumbnail, followed by the compacted main stream.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/Clock.h"
#include "platform/Notifier.h"

namespace lumarel {

// The quality used when the main picture must be re-encoded; callers set it
// immediately before WriteExifFile (75 when saving a JPEG file).
extern std::uint8_t ExifRecodeQuality;

// Rewrites sourcePath as an Exif file at destPath (callers pass the same path).
// Returns 1 when destPath was written, 0 on failure, -1 when the destination's
// filesystem lacks the space (destPath is then unchanged). Messages go through
// `notifier`; the three date tags take the local time from `clock`.
int WriteExifFile(const std::string& sourcePath, const std::string& destPath,
                  Notifier& notifier, Clock& clock = SystemClock());

// Free bytes on the filesystem holding `path`, or nullopt when unknown.
using FreeSpaceQuery = std::function<std::optional<std::uint64_t>(const std::string& path)>;

// Replaces destPath by a copy of finishedPath, keeping a backup of destPath
// that is restored when the copy fails. Returns 1, 0, or -1 when the free space
// is too small (growth must be below the free space, a file that does not grow
// needs only nonzero free space). Without `freeSpace`, asks the filesystem.
int ReplaceFileSafely(const std::string& destPath, const std::string& finishedPath,
                      const FreeSpaceQuery& freeSpace = {});

}  // namespace lumarel
