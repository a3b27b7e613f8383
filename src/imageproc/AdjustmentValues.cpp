// SPDX-License-Identifier: MIT
#include "imageproc/AdjustmentValues.h"

#include <algorithm>
#include <cmath>

namespace lumarel {

ProcessingState ManualState(const AdjustmentValues& values, int black, int white) {
  const int c = values.contrast;
  const int bright = 255 - white;
  int g = 0;
  int h = 255;
  if (black >= bright) {
    // black == 0 implies bright == 0: no share for the bright end.
    const double ratio = black == 0 ? 0.0 : static_cast<double>(bright) / black;
    g = c;
    h = static_cast<int>(255 - ratio * c + 0.5);
  } else {
    g = static_cast<int>(static_cast<double>(black) / bright * c + 0.5);
    h = 255 - c;
  }
  ProcessingState state;
  state.slope = 255.0 / std::max(h - g, 1);
  state.saturation = (values.saturation + 100) / 100.0;
  state.sharpening = values.sharpness / 100.0;
  state.tone = MakeToneTable(g, state.slope, 1 + values.brightness / 25.0);
  return state;
}

namespace {

struct PreviewStatistics {
  int lower = 0;       // L: pixels in [Bk + 10 m, Bk + 30 m)
  int upper = 0;       // U: pixels in [Bk + 30 m, Bk + 50 m)
  double chroma = 0;   // A: mean colour-difference magnitude
  int edges = 0;       // E: inner pixels whose Laplacian is at least 128
};

PreviewStatistics Measure(const LumaPlanes& p, int black, double m) {
  PreviewStatistics s;
  const std::size_t count = static_cast<std::size_t>(p.width) * p.height;
  const std::size_t w = static_cast<std::size_t>(p.width);
  double chromaSum = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const double y = p.y[i];
    if (y >= black + 10 * m && y < black + 30 * m) ++s.lower;
    if (y >= black + 30 * m && y < black + 50 * m) ++s.upper;
    chromaSum += std::sqrt(static_cast<double>(p.cb[i] * p.cb[i] + p.cr[i] * p.cr[i]));
  }
  s.chroma = count ? chromaSum / static_cast<double>(count) : 0;
  for (int row = 1; row + 1 < p.height; ++row) {
    for (int x = 1; x + 1 < p.width; ++x) {
      const std::size_t i = row * w + x;
      const int e = 4 * p.y[i] - p.y[i - w] - p.y[i + w] - p.y[i - 1] - p.y[i + 1];
      if (e >= 128) ++s.edges;
    }
  }
  return s;
}

double ColourGain(double chroma) {
  if (chroma < 10) return 1 + 0.06 * chroma;
  if (chroma < 20) return 2.2 - 0.06 * chroma;
  return 1;
}

}  // namespace

bool AutomaticState(const LumaPlanes& preview, int black, int white, AdjustmentValues& values,
                    ProcessingState& state) {
  values.contrast = std::max(black, 255 - white);
  if (white - black <= 0) return false;
  const double slope = 255.0 / (white - black);
  const double m = (white - black) / 255.0;
  const PreviewStatistics s = Measure(preview, black, m);
  const int n = preview.width * preview.height;

  const double f = s.upper == 0 ? 1.0 : std::clamp(double(s.lower) / s.upper, 1.0, 3.0);
  values.brightness = static_cast<int>((f - 1) * 25);
  state.slope = slope;
  state.tone = MakeToneTable(black, slope, f);
  state.saturation = std::min(ColourGain(s.chroma) * slope, 1.3);
  values.saturation = static_cast<int>(100 * state.saturation - 100);
  state.sharpening = n ? std::max(0.12 - 4.0 * s.edges / n, 0.0) : 0.0;
  values.sharpness = static_cast<int>(100 * state.sharpening);
  return true;
}

int SliderValueAfter(AdjustSlider slider, int value, ScrollAction action, int position) {
  const int minimum = SliderMinimum(slider);
  switch (action) {
    case ScrollAction::LineLeft:
      return value > minimum ? value - 1 : value;
    case ScrollAction::LineRight:
      return value < kSliderMaximum ? value + 1 : value;
    case ScrollAction::PageLeft:
      return std::max(value - 20, minimum);
    case ScrollAction::PageRight:
      return std::min(value + 20, kSliderMaximum);
    case ScrollAction::ThumbTrack:
      // Signed sliders report negative positions as unsigned 16-bit numbers.
      if (slider != AdjustSlider::Sharpness && position > kSliderMaximum) return position - 65536;
      return position;
    case ScrollAction::Other:
      break;
  }
  return value;
}

int& ValueOf(AdjustmentValues& values, AdjustSlider slider) {
  switch (slider) {
    case AdjustSlider::Brightness:
      return values.brightness;
    case AdjustSlider::Contrast:
      return values.contrast;
    case AdjustSlider::Saturation:
      return values.saturation;
    case AdjustSlider::Sharpness:
      break;
  }
  return values.sharpness;
}

}  // namespace lumarel
