// SPDX-License-Identifier: MIT
#include "imagefile/SamplingFactors.h"

namespace lumarel {

namespace {

// Parses one "HxV" element at `pos`; advances `pos` past it and a comma.
bool ParseElement(const std::string& text, std::size_t& pos, int& h, int& v) {
  auto digit = [&](int& value) {
    if (pos >= text.size() || text[pos] < '1' || text[pos] > '4') return false;
    value = text[pos++] - '0';
    return true;
  };
  if (!digit(h)) return false;
  if (pos >= text.size() || (text[pos] != 'x' && text[pos] != 'X')) return false;
  ++pos;
  if (!digit(v)) return false;
  if (pos < text.size()) {
    if (text[pos] != ',') return false;
    ++pos;
  }
  return true;
}

}  // namespace

SamplingFactors ParseSamplingFactors(const std::string& text) {
  SamplingFactors result;
  std::size_t pos = 0;
  for (int ci = 0; ci < 3; ++ci) {
    int h = 1;
    int v = 1;
    if (pos < text.size() && !ParseElement(text, pos, h, v)) break;
    result.horizontal[ci] = h;
    result.vertical[ci] = v;
    result.count = ci + 1;
  }
  return result;
}

}  // namespace lumarel
