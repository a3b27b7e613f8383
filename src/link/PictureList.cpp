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

EntryDate ShownDate(const CameraDate& d) {
  return EntryDate{DisplayYear(d.yearByte), d.month, d.day, d.hour, d.minute};
}

CameraDate CameraDateOf(const LocalTime& t) {
  return CameraDate{static_cast<std::uint8_t>(t.year - 1900), static_cast<std::uint8_t>(t.month),
                    static_cast<std::uint8_t>(t.day), static_cast<std::uint8_t>(t.hour),
                    static_cast<std::uint8_t>(t.minute)};
}

PictureEntry UploadEntryFor(int number, bool fine, const LocalTime& t) {
  PictureEntry entry;
  entry.date = CameraDateOf(t);
  entry.label = FormatLabel(number, fine, ShownDate(entry.date));
  entry.fileName = FormatFileName(number, fine, ShownDate(entry.date));
  entry.quality = fine ? 1 : 0;
  entry.width = fine ? 640 : 320;
  entry.height = fine ? 480 : 240;
  return entry;
}

LocalTime PictureEntry::ListedTime() const {
  return LocalTime{1900 + date.yearByte, date.month, date.day, date.hour, date.minute, 0};
}

std::optional<LocalTime> PictureEntry::TakenAt() const {
  const CameraDate& d = date;
  if (d.month < 1 || d.month > 12 || d.day < 1 || d.day > 31 || d.hour > 23 || d.minute > 59)
    return std::nullopt;
  return ListedTime();
}

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
