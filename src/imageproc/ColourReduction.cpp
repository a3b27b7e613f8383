// SPDX-License-Identifier: MIT
#include "imageproc/ColourReduction.h"

#include <utility>

namespace lumarel {
namespace {

constexpr std::uint16_t kSaturated = 65535;
constexpr std::uint16_t kNoPosition = 65535;

}  // namespace

void ShowNotEnoughMemory(Notifier& notifier) {
  notifier.Show("Not enough memory.", "Global Memory", MessageButtons::Ok,
                MessageIcon::Exclamation);
}

std::optional<ColourReduction> ColourReduction::Run(const ConstRows24& picture,
                                                     Notifier& notifier) {
  ColourReduction core;
  core.counts_ = AllocateBlock(kColourCodeCount * sizeof(std::uint16_t));
  if (core.counts_) core.list_ = AllocateBlock(kColourCodeCount * sizeof(std::uint16_t));
  if (core.list_) core.cells_ = AllocateBlock(kColourCellCount * sizeof(std::uint16_t));
  if (!core.cells_) {
    ShowNotEnoughMemory(notifier);
    return std::nullopt;  // blocks already taken are freed with `core`
  }
  core.Count(picture);
  core.ListPresentCodes();
  core.ReserveCells();
  core.SortChosen();
  return core;
}

void ColourReduction::Count(const ConstRows24& picture) {
  std::uint16_t* counts = Counts();
  for (int y = 0; y < picture.height; ++y) {
    const std::uint8_t* p = picture.Row(y);
    for (int x = 0; x < picture.width; ++x, p += 3) {
      std::uint16_t& c = counts[ColourCode(p[0], p[1], p[2])];
      if (c != kSaturated) ++c;
    }
  }
}

void ColourReduction::ListPresentCodes() {
  const std::uint16_t* counts = Counts();
  std::uint16_t* list = List();
  distinct_ = 0;
  for (int code = 0; code < kColourCodeCount; ++code) {
    if (counts[code] != 0) list[distinct_++] = static_cast<std::uint16_t>(code);
  }
}

namespace {

// Each cell keeps its most frequent code (the lowest among equals), which is
// then marked saturated so that it sorts ahead of every ordinary colour.
void ReserveCellsOf(const std::uint16_t* list, int n, std::uint16_t* counts,
                    std::uint16_t* cells) {
  for (int c = 0; c < kColourCellCount; ++c) cells[c] = kNoPosition;
  for (int j = 0; j < n; ++j) {
    const std::uint16_t code = list[j];
    std::uint16_t& cell = cells[ColourCell(code)];
    if (cell == kNoPosition || counts[code] > counts[list[cell]]) {
      cell = static_cast<std::uint16_t>(j);
    }
  }
  for (int c = 0; c < kColourCellCount; ++c) {
    if (cells[c] != kNoPosition) counts[list[cells[c]]] = kSaturated;
  }
}

}  // namespace

void ColourReduction::ReserveCells() { ReserveCellsOf(List(), distinct_, Counts(), Cells()); }

// Selection by exchange: position k takes every later code that is strictly
// more frequent than the one it holds at that moment. The exchange order
// decides among equal counts, so it is kept exactly.
void ColourReduction::SortChosen() {
  const std::uint16_t* counts = Counts();
  std::uint16_t* list = List();
  const int m = ChosenCount();
  for (int k = 0; k < m; ++k) {
    for (int j = k + 1; j < distinct_; ++j) {
      if (counts[list[j]] > counts[list[k]]) std::swap(list[k], list[j]);
    }
  }
}

void ColourReduction::BuildMap() {
  std::uint16_t* map = Counts();
  const std::uint16_t* list = List();
  const int m = ChosenCount();
  for (int k = 0; k < m; ++k) map[list[k]] = static_cast<std::uint16_t>(k);
  for (int j = kPaletteSize; j < distinct_; ++j) {
    const std::uint16_t code = list[j];
    int best = 0;
    int bestDistance = CodeDistance(code, list[0]);
    for (int k = 1; k < kPaletteSize && bestDistance != 0; ++k) {
      const int d = CodeDistance(code, list[k]);
      if (d < bestDistance) {
        bestDistance = d;
        best = k;
      }
    }
    map[code] = static_cast<std::uint16_t>(best);
  }
}

}  // namespace lumarel
