// SPDX-License-Identifier: MIT
#include "cli/PictureNumbers.h"

#include <algorithm>
#include <charconv>

#include "link/PictureList.h"

namespace lumarel::cli {
namespace {

bool ReadNumber(const std::string& text, int& value) {
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return !text.empty() && ec == std::errc() && ptr == end && value >= 1 && value <= kMaxPictures;
}

void SortUnique(std::vector<int>& numbers) {
  std::sort(numbers.begin(), numbers.end());
  numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
}

}  // namespace

std::optional<NumberRange> ParseNumberRange(const std::string& word, std::string& error) {
  const auto dash = word.find('-');
  NumberRange range;
  const bool ok =
      dash == std::string::npos
          ? ReadNumber(word, range.first) && (range.last = range.first, true)
          : ReadNumber(word.substr(0, dash), range.first) &&
                (dash + 1 == word.size() || ReadNumber(word.substr(dash + 1), range.last));
  if (!ok) {
    error = "not a picture number or range (1.." + std::to_string(kMaxPictures) + "): " + word;
    return std::nullopt;
  }
  if (range.last != kNoEnd && range.last < range.first) {
    error = "range runs backwards: " + word;
    return std::nullopt;
  }
  return range;
}

std::vector<int> ClosedNumbers(const std::vector<NumberRange>& ranges) {
  std::vector<int> numbers;
  for (const NumberRange& r : ranges)
    if (r.last != kNoEnd)
      for (int n = r.first; n <= r.last; ++n) numbers.push_back(n);
  SortUnique(numbers);
  return numbers;
}

std::optional<std::vector<int>> ResolveNumbers(const std::vector<NumberRange>& ranges, int count,
                                               std::string& error) {
  std::vector<int> numbers;
  for (const NumberRange& r : ranges) {
    const int last = r.last == kNoEnd ? count : r.last;
    const int beyond = r.first > count ? r.first : last > count ? count + 1 : 0;
    if (beyond != 0) {
      error = "no picture " + std::to_string(beyond) + " (the camera lists " +
              std::to_string(count) + ")";
      return std::nullopt;
    }
    for (int n = r.first; n <= last; ++n) numbers.push_back(n);
  }
  SortUnique(numbers);
  return numbers;
}

}  // namespace lumarel::cli
