// SPDX-License-Identifier: MIT
// The camera's picture list (at most 800 entries) and the decoded previews.
// Lives on the event-loop thread; the Preview window reads it to paint.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include "imagefile/DibImage.h"  // kPreviewSlotSize
#include "platform/Clock.h"

namespace lumarel {

inline constexpr int kMaxPictures = 800;
inline constexpr std::int16_t kNoPicture = 800;        // CurrentPicture when none
inline constexpr std::size_t kInfoHeaderSize = 40;
inline constexpr int kEmptySlotWidth = 128;
inline constexpr int kEmptySlotHeight = 56;
inline constexpr std::uint8_t kEmptySlotFill = 0x80;   // mid grey
inline constexpr std::uint8_t kPlaceholderFill = 0xE0;  // light grey of a one-packet preview
inline constexpr std::size_t kLabelSize = 30;

using Label = std::array<char, kLabelSize>;  // NUL-terminated text

struct PictureEntry {
  Label label{};              // "%3dF: %02d/%d/%d %d:%02d"
  Label fileName{};           // "%dF%02d-%d-%d(%d-%d)"
  std::uint8_t quality = 0;   // header byte 3 (low 4 bits not 0: Fine)
  std::uint16_t width = 0;    // full picture, pixels
  std::uint16_t height = 0;
  std::uint8_t selectionMark = 0;  // 0, 1 selected, 2 being erased
};

// Pictures that still fit on the card.
struct FreeCapacity {
  std::uint16_t fine = 0;
  std::uint16_t normal = 0;
};

// The date fields of an entry as shown (year already reduced below 100).
struct EntryDate {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0;
};
// Year byte (years since 1900) as shown: 100 and more lose 100.
int DisplayYear(std::uint8_t yearByte);
Label FormatLabel(int number, bool fine, const EntryDate& date);
Label FormatFileName(int number, bool fine, const EntryDate& date);
// The picture's own date (seconds 0), read back from the entry's file name
// (FormatFileName); the shown year becomes a full one as strptime's %y reads
// two digits (69..99: 19xx, 0..68: 20xx; 100 and more: 2000 + it). Nothing
// when the name has no date or a field is out of range.
std::optional<LocalTime> EntryTime(const PictureEntry& entry);

// Writes the empty-slot information header (128 x 56, 1 plane, 24 bits) at dst.
void WriteEmptySlotHeader(std::uint8_t* dst);
// Fills a whole 59392-byte block with mid grey and the empty-slot header.
void FillEmptySlot(std::uint8_t* slot);

// One fixed-size slot per picture, each a packed 24-bit bitmap.
class PreviewStore {
 public:
  // floor(capacity / 40960) + pictureCount + 4, at most 800.
  static std::size_t SlotCountFor(std::uint32_t capacity, std::uint16_t pictureCount);
  // Allocates slots (all empty); false when the memory cannot be had or would
  // exceed byteLimit (the store is then released).
  bool Allocate(std::size_t slots,
                std::size_t byteLimit = std::numeric_limits<std::size_t>::max());
  void Release();
  bool Exists() const { return !bytes_.empty(); }
  std::size_t SlotCount() const { return bytes_.size() / kPreviewSlotSize; }
  // The slot of entry k, or nullptr when k is beyond the store.
  std::uint8_t* Slot(std::size_t k);
  const std::uint8_t* Slot(std::size_t k) const;
  // Every slot back to the empty picture.
  void EmptyAll();

 private:
  std::vector<std::uint8_t> bytes_;
};

// The list with its counts and the Preview window's selection state.
struct PictureList {
  std::array<PictureEntry, kMaxPictures> entries{};
  std::uint16_t receivedEntries = 0;
  std::uint16_t pictureCount = 0;  // as the camera reported it
  FreeCapacity freeCapacity;
  PreviewStore store;
  // Preview window state shared with the link.
  std::int16_t currentPicture = kNoPicture;
  std::uint16_t selectedCount = 0;
  std::uint16_t downloadsPending = 0;
  bool autoSaveMode = false;
  std::uint8_t scrollRow = 0;
  std::uint8_t scrollRowMaximum = 0;
};

}  // namespace lumarel
