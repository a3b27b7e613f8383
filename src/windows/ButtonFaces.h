// SPDX-License-Identifier: MIT
// The faces of the owner-drawn picture buttons, drawn with QPainter rather than
// shipped as bitmaps: grey buttons carrying one word, raised, pressed or greyed.
//   Preview window: 120 Transfer raised, 121 pressed, 122 greyed (90 x 31);
//                   124 Delete raised, 125 pressed, 123 greyed (90 x 31);
//                   127 Save... raised, 128 pressed, 126 greyed (80 x 31).
//   Live window:    107 Preview blue raised (100 x 31), 108 Preview red pressed;
//                   109 Capture blue raised, 110 pressed; 105 Cancel green raised,
//                   106 pressed (100 x 30).
#pragma once

#include <QPixmap>

namespace lumarel {

// A null pixmap for an unknown id (the caller then draws nothing).
QPixmap ButtonFace(int id);

}  // namespace lumarel
