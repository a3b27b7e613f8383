// SPDX-License-Identifier: MIT
// The four adjustment values and how they become a processing state: by hand
// (sliders), automatically from the preview's statistics, and the slider
// notification arithmetic.
#pragma once

#include "imageproc/Adjustment.h"

namespace lumarel {

struct AdjustmentValues {
  int brightness = 0;  // -100..100
  int contrast = 0;    // -100..100
  int saturation = 0;  // -100..100
  int sharpness = 0;   // 0..100
  bool operator==(const AdjustmentValues&) const = default;
};

// Statistics of the Before preview that both computations use.
struct PreviewAnalysis {
  Histogram histogram{};
  int black = 0;   // BlackPoint, 0..50
  int white = 255; // WhitePoint, 205..255
  int pixels = kPreviewPixels;
};

// Contrast narrows or widens the stretched range [g, h]; its effect is shared
// between the two ends in the ratio of the black point to 255 - white point.
ProcessingState ManualState(const AdjustmentValues& values, int black, int white);

// Derives all four values and the state from the preview's planes. Returns
// false (having set only Contrast) when the white point is not above the
// black point.
bool AutomaticState(const LumaPlanes& preview, int black, int white, AdjustmentValues& values,
                    ProcessingState& state);

enum class AdjustSlider { Brightness, Contrast, Saturation, Sharpness };
enum class ScrollAction { LineLeft, LineRight, PageLeft, PageRight, ThumbTrack, Other };

inline constexpr int kSliderMaximum = 100;
inline constexpr int SliderMinimum(AdjustSlider slider) {
  return slider == AdjustSlider::Sharpness ? 0 : -100;
}

// The value a slider takes after a scroll notification; `position` is the
// notified 16-bit thumb position (only for ThumbTrack).
int SliderValueAfter(AdjustSlider slider, int value, ScrollAction action, int position);

int& ValueOf(AdjustmentValues& values, AdjustSlider slider);

}  // namespace lumarel
