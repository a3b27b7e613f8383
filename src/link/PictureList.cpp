// SPDX-License-Identifier: MIT
#include "link/PictureList.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <new>

namespace lumarel {

namespace {
void PutLittleEndian32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
}  // namespace

int DisplayYear(std::uint8_t yearByte) { return yearByte >= 100 ? yearByte - 100 : yearByte; }

Label FormatLabel(int number, bool fine, const EntryDate& d) {
  Label label{};
  std::snprintf(label.data(), label.size(), fine ? "%3dF: %02d/%d/%d %d:%02d" : "%3dN: %02d/%d/%d %d:%02d",
                number, d.year, d.month, d.day, d.hour, d.minute);
  return label;
}

Label FormatFileName(int number, bool fine, const EntryDate& d) {
  Label name{};
  std::snprintf(name.data(), name.size(), fine ? "%dF%02d-%d-%d(%d-%d)" : "%dN%02d-%d-%d(%d-%d)",
                number, d.year, d.month, d.day, d.hour, d.minute);
  return name;
}

std::optional<LocalTime> EntryTime(const PictureEntry& entry) {
  const Label& label = entry.fileName;
  const std::string name(label.data(), strnlen(label.data(), label.size()));
  int number = 0, used = 0;
  char quality = 0;
  EntryDate d;
  if (std::sscanf(name.c_str(), "%d%c%d-%d-%d(%d-%d)%n", &number, &quality, &d.year, &d.month,
                  &d.day, &d.hour, &d.minute, &used) != 7 ||
      static_cast<std::size_t>(used) != name.size() || (quality != 'F' && quality != 'N') ||
      d.year < 0 || d.month < 1 || d.month > 12 || d.day < 1 || d.day > 31 || d.hour < 0 ||
      d.hour > 23 || d.minute < 0 || d.minute > 59) {
    return std::nullopt;
  }
  const int year = d.year >= 69 && d.year <= 99 ? 1900 + d.year : 2000 + d.year;
  return LocalTime{year, d.month, d.day, d.hour, d.minute, 0};
}

void WriteEmptySlotHeader(std::uint8_t* dst) {
  std::fill_n(dst, kInfoHeaderSize, std::uint8_t{0});
  PutLittleEndian32(dst, kInfoHeaderSize);
  PutLittleEndian32(dst + 4, kEmptySlotWidth);
  PutLittleEndian32(dst + 8, kEmptySlotHeight);
  dst[12] = 1;   // planes
  dst[14] = 24;  // bits per pixel
}

void FillEmptySlot(std::uint8_t* slot) {
  std::fill_n(slot, kPreviewSlotSize, kEmptySlotFill);
  WriteEmptySlotHeader(slot);
}

std::size_t PreviewStore::SlotCountFor(std::uint32_t capacity, std::uint16_t pictureCount) {
  const std::size_t n = capacity / 40960u + pictureCount + 4u;
  return std::min<std::size_t>(n, kMaxPictures);
}

bool PreviewStore::Allocate(std::size_t slots, std::size_t byteLimit) {
  Release();
  if (slots > byteLimit / kPreviewSlotSize) return false;
  try {
    bytes_.resize(slots * kPreviewSlotSize);
  } catch (const std::bad_alloc&) {
    Release();
    return false;
  }
  EmptyAll();
  return true;
}

void PreviewStore::Release() { std::vector<std::uint8_t>().swap(bytes_); }

std::uint8_t* PreviewStore::Slot(std::size_t k) {
  return k < SlotCount() ? bytes_.data() + k * kPreviewSlotSize : nullptr;
}

const std::uint8_t* PreviewStore::Slot(std::size_t k) const {
  return k < SlotCount() ? bytes_.data() + k * kPreviewSlotSize : nullptr;
}

void PreviewStore::EmptyAll() {
  for (std::size_t k = 0; k < SlotCount(); ++k) FillEmptySlot(Slot(k));
}

}  // namespace lumarel
