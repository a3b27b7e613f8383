// SPDX-License-Identifier: MIT
// Deterministic photo-like pictures: sky, sun, hills, a meadow, a house and a
// large number in the corner, so that pictures are told apart at a glance and
// compress like photographs rather than like flat test cards.
#pragma once

#include "Jpeg.h"

namespace lumarel::sim {

// Renders scene `variant` at `frame` (frames move the sun and the clouds; the
// live picture uses them) into a picture of width x height. `label` is drawn
// in the top-left corner when it is not negative.
RgbImage RenderScene(int width, int height, unsigned variant, unsigned frame, int label);

}  // namespace lumarel::sim
