// SPDX-License-Identifier: MIT
// Logical palettes (version 0x300, 256 entries of red, green, blue, flags in
// a 1032-byte block), the fixed start-up palette, and the display palette
// chosen for a picture.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "imagefile/DibImage.h"
#include "imageproc/ColourCode.h"
#include "platform/Notifier.h"

namespace lumarel {

inline constexpr std::uint16_t kLogicalPaletteVersion = 0x300;
// Version, count and 256 entries: 1028 bytes of the 1032-byte palette block.
inline constexpr std::size_t kLogicalPaletteContent = 4 + 4 * kPaletteSize;
inline constexpr std::size_t kPaletteEntriesOffset = 4;

using LogicalPalette = std::array<std::uint8_t, kLogicalPaletteSize>;

// Entry `index` of a logical palette block.
PaletteColour PaletteEntry(std::span<const std::uint8_t> palette, int index);
void SetPaletteEntry(std::span<std::uint8_t> palette, int index, PaletteColour colour);

// The start-up palette: greys 0..50 and 165..255, then a 8 x 6 x 5 colour cube.
LogicalPalette DefaultPalette();

// Copies version, count and all 256 entries with their flags forced to 0 (a
// window's own palette copy). Both blocks must hold those 1028 bytes;
// returns false and copies nothing otherwise.
bool CopyLogicalPalette(std::span<const std::uint8_t> from, std::span<std::uint8_t> to);

enum class ReductionResult { Done, OutOfMemory, NotAPicture };

// Chooses the picture's display colours and writes them into entries 0..m-1
// of `palette` (m = min(distinct codes, 256)); version, count and the later
// entries keep their values. On lack of memory shows "Not enough memory."
// and leaves the palette unchanged; a block that is not a 24-bit picture, or
// a palette block too short for 256 entries, is left alone silently.
ReductionResult MakeDisplayPalette(Notifier& notifier, std::span<const std::uint8_t> picture,
                                   std::span<std::uint8_t> palette);

}  // namespace lumarel
