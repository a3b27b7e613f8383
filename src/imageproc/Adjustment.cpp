// SPDX-License-Identifier: MIT
#include "imageproc/Adjustment.h"

#include "imageproc/ColourConversion.h"

namespace lumarel {

void SamplePreview(const ConstRows24& picture, const Rows24& preview) {
  const int rowStep = picture.height / kPreviewHeight;
  const int columnStep = picture.width / kPreviewWidth;
  for (int i = 0; i < preview.height; ++i) {
    const int sourceRow = i * rowStep;
    std::uint8_t* out = preview.Row(i);
    for (int n = 0; n < preview.width; ++n, out += 3) {
      const std::uint8_t* in = picture.Pixel(n * columnStep, sourceRow);
      out[0] = in[0];
      out[1] = in[1];
      out[2] = in[2];
    }
  }
}

void SplitIntoPlanes(const ConstRows24& source, const LumaPlanes& planes, Histogram* histogram) {
  const std::size_t padding = source.stride - 3 * static_cast<std::size_t>(source.width);
  std::size_t i = 0;
  for (int row = 0; row < source.height; ++row) {
    const std::uint8_t* p = source.Row(row);
    for (int x = 0; x < source.width; ++x, ++i, p += 3) {
      const Luma l = ToLuma(p[0], p[1], p[2]);
      planes.y[i] = l.y;
      planes.cb[i] = l.cb;
      planes.cr[i] = l.cr;
      if (histogram) ++(*histogram)[l.y];
    }
    for (std::size_t k = 0; k < 3; ++k) planes.padding[3 * row + k] = k < padding ? p[k] : 0;
  }
}

namespace {

// Luminance of one pixel after the tone table and sharpening.
int SharpenedLuma(const LumaPlanes& planes, const ProcessingState& state, std::size_t i, int x,
                  int row) {
  const ToneTable& t = state.tone;
  const int u = t[planes.y[i]];
  if (state.sharpening == 0.0 || x == 0 || row == 0 || x == planes.width - 1 ||
      row == planes.height - 1) {
    return u;
  }
  const std::size_t w = static_cast<std::size_t>(planes.width);
  int v = 4 * u - t[planes.y[i - w]] - t[planes.y[i + w]] - t[planes.y[i - 1]] -
          t[planes.y[i + 1]];
  if (v >= -2 && v <= 2) v = 0;
  const double sharpened = v * state.sharpening + u;
  if (!(sharpened > 0)) return 0;  // also catches NaN
  return sharpened >= 255 ? 255 : static_cast<int>(sharpened);
}

}  // namespace

void ProcessPixels(const LumaPlanes& planes, const ProcessingState& state, const Rows24& out) {
  const std::size_t padding = out.stride - 3 * static_cast<std::size_t>(out.width);
  std::size_t i = 0;
  for (int row = 0; row < out.height; ++row) {
    std::uint8_t* p = out.Row(row);
    for (int x = 0; x < out.width; ++x, ++i, p += 3) {
      const int y = SharpenedLuma(planes, state, i, x, row);
      const int cb = static_cast<int>(planes.cb[i] * state.saturation);
      const int cr = static_cast<int>(planes.cr[i] * state.saturation);
      FromLuma(y, cb, cr, p);
    }
    for (std::size_t k = 0; k < padding; ++k) p[k] = planes.padding[3 * row + k];
  }
}

}  // namespace lumarel
