// SPDX-License-Identifier: MIT
#include "link/PictureKey.h"

#include <algorithm>
#include <cstdlib>

namespace lumarel {

namespace {
std::uint32_t ReadLittleEndian32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}
}  // namespace

std::uint64_t PreviewHash(std::span<const std::uint8_t> bytes) {
  std::uint64_t h = 0xcbf29ce484222325ull;
  for (std::uint8_t b : bytes) {
    h ^= b;
    h *= 0x100000001b3ull;
  }
  return h;
}

std::span<const std::uint8_t> PreviewBytes(const std::uint8_t* slot) {
  if (slot == nullptr) return {};
  // Width and height as signed 32-bit fields; a negative or huge value of a
  // damaged header is clamped to the slot.
  const auto width = static_cast<std::int32_t>(ReadLittleEndian32(slot + 4));
  const auto height = static_cast<std::int32_t>(ReadLittleEndian32(slot + 8));
  const std::uint64_t pixels =
      std::uint64_t(std::abs(std::int64_t{width})) * std::uint64_t(std::abs(std::int64_t{height})) * 3;
  const std::uint64_t size = std::min<std::uint64_t>(kInfoHeaderSize + pixels, kPreviewSlotSize);
  return {slot, static_cast<std::size_t>(size)};
}

PictureKey KeyOf(const PictureList& list, int k) {
  const PictureEntry& e = list.entries[static_cast<std::size_t>(k)];
  PictureKey key{e.ListedTime(), e.quality, e.width, e.height, 0};
  if (const std::uint8_t* slot = list.store.Slot(static_cast<std::size_t>(k)))
    key.previewHash = PreviewHash(PreviewBytes(slot));
  return key;
}

int FindPicture(const PictureList& list, const PictureKey& key, int hint) {
  int found = -1;
  const int count = std::min<int>(list.receivedEntries, kMaxPictures);
  for (int k = 0; k < count; ++k) {
    if (!(KeyOf(list, k) == key)) continue;
    if (found < 0 || std::abs(k - hint) < std::abs(found - hint)) found = k;
  }
  return found;
}

}  // namespace lumarel
