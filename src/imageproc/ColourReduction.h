// SPDX-License-Identifier: MIT
// The reduction core shared by the display palette and the 8-bit bitmap:
// counts the colour codes of a 24-bit picture, reserves each of the 64 cells'
// most frequent code, and orders the codes so that the first min(n, 256) are
// the chosen colours. Working memory is three fixed zero-filled blocks
// (2 x 16 KB + 128 bytes), taken per call.
#pragma once

#include <cstdint>
#include <optional>

#include "imagefile/DibImage.h"
#include "imageproc/ColourCode.h"
#include "imageproc/PictureRows.h"
#include "platform/Notifier.h"

namespace lumarel {

class ColourReduction {
 public:
  // Runs the core over `picture`. When a working table cannot be allocated,
  // shows "Not enough memory." (title "Global Memory") and returns nothing.
  static std::optional<ColourReduction> Run(const ConstRows24& picture, Notifier& notifier);

  int DistinctCodes() const { return distinct_; }  // n
  int ChosenCount() const { return distinct_ < kPaletteSize ? distinct_ : kPaletteSize; }  // m
  std::uint16_t ListAt(int position) const { return List()[position]; }
  // Count of a code after the core: saturated at 65535, reserved codes 65535.
  std::uint16_t CountOf(std::uint16_t code) const { return Counts()[code]; }

  // Turns the counts table into the map from code to palette index: chosen
  // codes map to their position, every other present code to the first
  // nearest chosen code. Counts are no longer available afterwards.
  void BuildMap();
  std::uint8_t MapCode(std::uint16_t code) const {
    return static_cast<std::uint8_t>(Counts()[code] & 0xFF);
  }

 private:
  ColourReduction() = default;
  // The blocks come from `new std::uint8_t[]`, which implicitly creates the
  // 16-bit table entries viewed here.
  std::uint16_t* Counts() { return reinterpret_cast<std::uint16_t*>(counts_.data()); }
  const std::uint16_t* Counts() const {
    return reinterpret_cast<const std::uint16_t*>(counts_.data());
  }
  std::uint16_t* List() { return reinterpret_cast<std::uint16_t*>(list_.data()); }
  const std::uint16_t* List() const { return reinterpret_cast<const std::uint16_t*>(list_.data()); }
  std::uint16_t* Cells() { return reinterpret_cast<std::uint16_t*>(cells_.data()); }

  void Count(const ConstRows24& picture);
  void ListPresentCodes();
  void ReserveCells();
  void SortChosen();

  MemoryBlock counts_;
  MemoryBlock list_;
  MemoryBlock cells_;
  int distinct_ = 0;
};

// Shows the shared lack-of-memory message.
void ShowNotEnoughMemory(Notifier& notifier);

}  // namespace lumarel
