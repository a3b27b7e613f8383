// SPDX-License-Identifier: MIT
// Conversion of a 24-bit picture into an 8-bit bitmap with a 256-entry colour
// table (the body of a 256-colour BMP file), over the shared reduction core.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "imageproc/Palette.h"
#include "platform/Notifier.h"

namespace lumarel {

// Bytes the 8-bit bitmap of a width x height picture occupies: header,
// colour table and padded rows (308264 for 640 x 480).
std::size_t PaletteDibSize(int width, int height);

// Writes header, colour table (chosen colours, then zero entries) and rows of
// palette indices into `out`, which must be zero-filled and hold at least
// PaletteDibSize bytes. Returns Done on success; OutOfMemory after showing
// "Not enough memory." (the output stays all zero, so the caller must not
// write it to a file); NotAPicture when the source is not a 24-bit picture
// or `out` is too small (nothing written).
ReductionResult MakePaletteDib(Notifier& notifier, std::span<const std::uint8_t> picture,
                               std::span<std::uint8_t> out);

}  // namespace lumarel
