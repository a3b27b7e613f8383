// SPDX-License-Identifier: MIT
// The picture arithmetic the transfers use, behind declarations that need no
// image-library types: post-processing by quality byte, the display palette
// of a downloaded picture, DIB headers, and the live and zoom decoders.
#pragma once

#include <cstdint>
#include <span>

#include "platform/Notifier.h"

namespace lumarel {

// Colour boost and smoothing as the quality byte's high nibble asks.
void PostProcessPicture(std::span<std::uint8_t> picture, std::uint8_t quality, Notifier& notifier);
// Rebuilds the shared display palette for `picture` and copies it into `own`
// (when it is not empty).
void MakePictureDisplayPalette(Notifier& notifier, std::span<const std::uint8_t> picture,
                               std::span<std::uint8_t> shared, std::span<std::uint8_t> own);
// Bytes per stored row of a 24-bit picture `width` pixels wide.
std::size_t Stride24(std::size_t width);

}  // namespace lumarel
