// SPDX-License-Identifier: MIT
#include "imageproc/PaletteDib.h"

#include <algorithm>

#include "imagefile/DibImage.h"
#include "imageproc/ColourReduction.h"
#include "imageproc/PictureRows.h"

namespace lumarel {
namespace {

constexpr std::size_t kColourTableBytes = 4 * kPaletteSize;

void WriteColourTable(const ColourReduction& core, std::uint8_t* table) {
  for (int k = 0; k < core.ChosenCount(); ++k) {
    const PaletteColour c = PaletteValue(core.ListAt(k));
    table[4 * k] = c.blue;
    table[4 * k + 1] = c.green;
    table[4 * k + 2] = c.red;
    table[4 * k + 3] = 0;
  }
}

void WriteIndexRows(const ColourReduction& core, const ConstRows24& source,
                    std::uint8_t* out) {
  const std::size_t outStride = DibStride(static_cast<std::size_t>(source.width), 8);
  for (int y = 0; y < source.height; ++y) {
    const std::uint8_t* p = source.Row(y);
    std::uint8_t* o = out + static_cast<std::size_t>(y) * outStride;
    for (int x = 0; x < source.width; ++x, p += 3) o[x] = core.MapCode(ColourCode(p[0], p[1], p[2]));
    for (std::size_t x = static_cast<std::size_t>(source.width); x < outStride; ++x) o[x] = 0;
  }
}

}  // namespace

std::size_t PaletteDibSize(int width, int height) {
  if (width <= 0 || height <= 0) return 0;
  return kDibInfoHeaderSize + kColourTableBytes +
         DibStride(static_cast<std::size_t>(width), 8) * static_cast<std::size_t>(height);
}

ReductionResult MakePaletteDib(Notifier& notifier, std::span<const std::uint8_t> picture,
                               std::span<std::uint8_t> out) {
  const auto source = Rows24Of(picture);
  if (!source || out.size() < PaletteDibSize(source->width, source->height)) {
    return ReductionResult::NotAPicture;
  }
  auto core = ColourReduction::Run(*source, notifier);
  if (!core) return ReductionResult::OutOfMemory;
  core->BuildMap();
  WriteDibHeader(out, source->width, source->height, 8);
  std::uint8_t* table = out.data() + kDibInfoHeaderSize;
  std::fill(table, table + kColourTableBytes, std::uint8_t{0});
  WriteColourTable(*core, table);
  WriteIndexRows(*core, *source, table + kColourTableBytes);
  return ReductionResult::Done;
}

}  // namespace lumarel
