// SPDX-License-Identifier: MIT
// Mouse-wheel notches from Qt's angle deltas: 120 eighths of a degree make
// one notch, and the smaller steps of high-resolution wheels add up until
// they make one.
#pragma once

#include <QtCore/qnamespace.h>

namespace lumarel {

class WheelSteps {
 public:
  static constexpr int kNotch = 120;

  // Whole notches in `delta` plus what was left over along this orientation;
  // positive when the wheel turned away from the user (or to the left).
  int Take(Qt::Orientation orientation, int delta) {
    int& rest = orientation == Qt::Horizontal ? horizontal_ : vertical_;
    rest += delta;
    const int notches = rest / kNotch;
    rest -= notches * kNotch;
    return notches;
  }

 private:
  int horizontal_ = 0;
  int vertical_ = 0;
};

}  // namespace lumarel
