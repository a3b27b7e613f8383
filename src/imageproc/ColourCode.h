// SPDX-License-Identifier: MIT
// 13-bit colour codes: the top 4 bits of blue, 5 of green and 4 of red of a
// pixel. Colours are counted, chosen and matched on codes, which keeps the
// reduction's working memory fixed (8192 counters) whatever the picture.
#pragma once

#include <cstdint>

namespace lumarel {

inline constexpr int kColourCodeCount = 8192;
inline constexpr int kColourCellCount = 64;
inline constexpr int kPaletteSize = 256;

// Code bits 12..9 blue >> 4, 8..4 green >> 3, 3..0 red >> 4.
constexpr std::uint16_t ColourCode(std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
  return static_cast<std::uint16_t>(((blue >> 4) << 9) | ((green >> 3) << 4) | (red >> 4));
}
constexpr int CodeBlue(std::uint16_t code) { return (code >> 9) & 0xF; }
constexpr int CodeGreen(std::uint16_t code) { return (code >> 4) & 0x1F; }
constexpr int CodeRed(std::uint16_t code) { return code & 0xF; }

// 6-bit cell: the top 2 bits of each of the code's three fields.
constexpr int ColourCell(std::uint16_t code) {
  return ((CodeBlue(code) >> 2) << 4) | ((CodeGreen(code) >> 3) << 2) | (CodeRed(code) >> 2);
}

struct PaletteColour {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  bool operator==(const PaletteColour&) const = default;
};

// The colour a code stands for: its fields shifted back up, dropped bits zero.
constexpr PaletteColour PaletteValue(std::uint16_t code) {
  return {static_cast<std::uint8_t>(CodeRed(code) * 16),
          static_cast<std::uint8_t>(CodeGreen(code) * 8),
          static_cast<std::uint8_t>(CodeBlue(code) * 16)};
}

// Squared distance of two codes measured on their fields.
constexpr int CodeDistance(std::uint16_t a, std::uint16_t b) {
  const int db = CodeBlue(a) - CodeBlue(b);
  const int dg = CodeGreen(a) - CodeGreen(b);
  const int dr = CodeRed(a) - CodeRed(b);
  return db * db + dg * dg + dr * dr;
}

}  // namespace lumarel
