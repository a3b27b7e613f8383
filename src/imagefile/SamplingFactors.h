// SPDX-License-Identifier: MIT
// The sampling-factor string of the encoder: "HxV,HxV,HxV" for Y, Cb, Cr.
#pragma once

#include <array>
#include <string>

namespace lumarel {

struct SamplingFactors {
  int count = 0;  // components whose factors are set
  std::array<int, 3> horizontal{};
  std::array<int, 3> vertical{};
};

// Components named in the string get its factors (H and V from 1 to 4, "x" or
// "X" between them); components after the end of the list get 1x1. A malformed
// element stops the parse: the components before it keep their factors and the
// rest keep the library defaults (count stops there).
SamplingFactors ParseSamplingFactors(const std::string& text);

}  // namespace lumarel
