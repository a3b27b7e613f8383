// SPDX-License-Identifier: MIT
// Pixel work of picture adjustment: the 160 x 120 preview, the split into a
// luminance plane and two colour-difference planes, and the processing that
// maps luminance through the tone table, sharpens it, scales the colour
// differences and converts back.
#pragma once

#include <cstdint>

#include "imageproc/PictureRows.h"
#include "imageproc/ToneTable.h"

namespace lumarel {

inline constexpr int kPreviewWidth = 160;
inline constexpr int kPreviewHeight = 120;
inline constexpr int kPreviewPixels = kPreviewWidth * kPreviewHeight;  // 19200

// Planes of a width x height picture: one byte per pixel each, in stored
// order, plus up to 3 padding bytes per row kept for the output rows.
struct LumaPlanes {
  std::uint8_t* y = nullptr;
  std::int8_t* cb = nullptr;
  std::int8_t* cr = nullptr;
  std::uint8_t* padding = nullptr;  // 3 bytes per row
  int width = 0;
  int height = 0;
};

// What the last computation decided; the tone table and three factors are
// all the processing needs.
struct ProcessingState {
  ToneTable tone{};
  double slope = 1.0;
  double saturation = 1.0;  // colour-difference factor
  double sharpening = 0.0;  // weight of the 4-neighbour Laplacian
};

// Copies the preview pixels: preview row i, column n takes stored source row
// i x (H / 120), column n x (W / 160).
void SamplePreview(const ConstRows24& picture, const Rows24& preview);

// Splits every pixel into the planes (sizes must match) and, when given,
// counts each Y in `histogram`.
void SplitIntoPlanes(const ConstRows24& source, const LumaPlanes& planes, Histogram* histogram);

// Writes every processed pixel and each row's stored padding into `out`,
// whose size must match the planes'.
void ProcessPixels(const LumaPlanes& planes, const ProcessingState& state, const Rows24& out);

}  // namespace lumarel
