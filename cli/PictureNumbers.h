// SPDX-License-Identifier: MIT
// Picture numbers of `get` and `delete`: "7", "1-5" and "10-" (10 to the
// last picture). The parts that need no camera are checked while parsing;
// the count of pictures is known only once the list has been read.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace lumarel::cli {

inline constexpr int kNoEnd = 0;  // NumberRange::last of "N-"

struct NumberRange {
  int first = 0;       // 1-based
  int last = kNoEnd;   // inclusive; kNoEnd: to the last picture
  bool operator==(const NumberRange&) const = default;
};

// One word of numbers; on failure nothing and `error` says why.
std::optional<NumberRange> ParseNumberRange(const std::string& word, std::string& error);

// The closed ranges' numbers, ascending without duplicates (what can be known
// without the camera).
std::vector<int> ClosedNumbers(const std::vector<NumberRange>& ranges);

// The numbers the ranges select on a card of `count` pictures, ascending
// without duplicates. A number past the count, or an open range starting
// past it, names no picture: nothing, and `error` says which.
std::optional<std::vector<int>> ResolveNumbers(const std::vector<NumberRange>& ranges, int count,
                                               std::string& error);

}  // namespace lumarel::cli
