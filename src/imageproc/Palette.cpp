// SPDX-License-Identifier: MIT
#include "imageproc/Palette.h"

#include <algorithm>

#include "imagefile/ByteOrder.h"
#include "imageproc/ColourReduction.h"
#include "imageproc/PictureRows.h"

namespace lumarel {

PaletteColour PaletteEntry(std::span<const std::uint8_t> palette, int index) {
  const std::uint8_t* e = palette.data() + kPaletteEntriesOffset + 4 * index;
  return {e[0], e[1], e[2]};
}

void SetPaletteEntry(std::span<std::uint8_t> palette, int index, PaletteColour colour) {
  std::uint8_t* e = palette.data() + kPaletteEntriesOffset + 4 * index;
  e[0] = colour.red;
  e[1] = colour.green;
  e[2] = colour.blue;
  e[3] = 0;
}

LogicalPalette DefaultPalette() {
  LogicalPalette p{};
  bytes::PutLe16(p.data(), kLogicalPaletteVersion);
  bytes::PutLe16(p.data() + 2, kPaletteSize);
  auto grey = [](int v) {
    const auto g = static_cast<std::uint8_t>(v);
    return PaletteColour{g, g, g};
  };
  for (int i = 0; i < 6; ++i) SetPaletteEntry(p, i, grey(10 * i));
  for (int i = 6; i < 16; ++i) SetPaletteEntry(p, i, grey(10 * i + 105));
  for (int b = 0; b < 5; ++b) {
    for (int g = 0; g < 6; ++g) {
      for (int r = 0; r < 8; ++r) {
        SetPaletteEntry(p, 16 + 48 * b + 8 * g + r,
                        {static_cast<std::uint8_t>(60 + 15 * r),
                         static_cast<std::uint8_t>(60 + 20 * g),
                         static_cast<std::uint8_t>(60 + 24 * b)});
      }
    }
  }
  return p;
}

bool CopyLogicalPalette(std::span<const std::uint8_t> from, std::span<std::uint8_t> to) {
  if (from.size() < kLogicalPaletteContent || to.size() < kLogicalPaletteContent) return false;
  std::copy_n(from.data(), kLogicalPaletteContent, to.data());
  for (int i = 0; i < kPaletteSize; ++i) to[kPaletteEntriesOffset + 4 * i + 3] = 0;
  return true;
}

ReductionResult MakeDisplayPalette(Notifier& notifier, std::span<const std::uint8_t> picture,
                                   std::span<std::uint8_t> palette) {
  const auto rows = Rows24Of(picture);
  if (!rows || palette.size() < kLogicalPaletteContent) return ReductionResult::NotAPicture;
  const auto core = ColourReduction::Run(*rows, notifier);
  if (!core) return ReductionResult::OutOfMemory;
  for (int k = 0; k < core->ChosenCount(); ++k) {
    SetPaletteEntry(palette, k, PaletteValue(core->ListAt(k)));
  }
  return ReductionResult::Done;
}

}  // namespace lumarel
