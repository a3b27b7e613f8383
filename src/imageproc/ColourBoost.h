// SPDX-License-Identifier: MIT
// Post-processing of a downloaded picture, chosen by the high 4 bits of the
// camera's quality byte: a colour boost (luminance x 1.3, colour differences
// x 1.2), and for the higher settings an adaptive smoothing of luminance that
// averages flat areas and keeps edges. Integer arithmetic throughout, on
// 16-bit components, with the sums of the smoothing taken modulo 65536.
#pragma once

#include <cstdint>
#include <span>

#include "imageproc/PictureRows.h"
#include "platform/Notifier.h"

namespace lumarel {

enum class PostProcessing { None, Boost, BoostAndSmooth };

// High nibble 0: none; 1..4: boost; 5..15: boost and smoothing.
PostProcessing PostProcessingFor(std::uint8_t quality);

// Applies what `quality` asks for to the 24-bit picture in `picture`. The
// component buffer (6 bytes per pixel) is taken for the call; without it
// "Not enough memory." is shown and the picture stays as decoded. Returns
// false in that case and when the block is not a 24-bit picture.
bool ApplyQualityPostProcessing(std::span<std::uint8_t> picture, std::uint8_t quality,
                                Notifier& notifier);

// Adaptive smoothing of a luminance plane of width x height values spaced
// `step` values apart (3 in the Y, V, U component buffer), in place.
void SmoothLuminance(std::int16_t* plane, int width, int height, int step);

}  // namespace lumarel
