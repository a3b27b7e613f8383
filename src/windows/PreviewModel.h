// SPDX-License-Identifier: MIT
// What the Preview window shows and selects: the camera's picture list as the
// index transfer fills it. The link's picture list stands behind it in the
// program; SimplePreviewModel holds its own copy (tests, no camera).
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "link/PictureList.h"  // kMaxPictures, kNoPicture

namespace lumarel {

class PreviewModel {
 public:
  virtual ~PreviewModel() = default;
  virtual int ReceivedCount() const = 0;  // entries whose thumbnail has arrived
  virtual int TotalCount() const = 0;     // as the camera reported it
  virtual std::string Label(int index) const = 0;
  // The thumbnail slot (information header + 24-bit rows); empty when there is no store.
  virtual std::span<const std::uint8_t> Thumbnail(int index) const = 0;
  virtual std::uint8_t Mark(int index) const = 0;  // 0, 1 selected, 2 being erased
  virtual void SetMark(int index, std::uint8_t mark) = 0;
  virtual int CurrentPicture() const = 0;
  virtual void SetCurrentPicture(int index) = 0;
  virtual void SetSelectedCount(int count) = 0;
  virtual int ScrollRow() const = 0;
  virtual void SetScrollRow(int row) = 0;
  virtual int ScrollRowMaximum() const = 0;
};

class SimplePreviewModel final : public PreviewModel {
 public:
  struct Entry {
    std::string label;
    std::vector<std::uint8_t> thumbnail;
  };
  int ReceivedCount() const override { return static_cast<int>(entries.size()); }
  int TotalCount() const override { return total; }
  std::string Label(int index) const override;
  std::span<const std::uint8_t> Thumbnail(int index) const override;
  std::uint8_t Mark(int index) const override;
  void SetMark(int index, std::uint8_t mark) override;
  int CurrentPicture() const override { return current; }
  void SetCurrentPicture(int index) override { current = index; }
  void SetSelectedCount(int count) override { selectedCount = count; }
  int ScrollRow() const override { return scrollRow; }
  void SetScrollRow(int row) override { scrollRow = row; }
  int ScrollRowMaximum() const override { return scrollRowMaximum; }

  std::vector<Entry> entries;
  int total = 0;
  std::array<std::uint8_t, kMaxPictures> marks{};
  int current = kNoPicture;
  int selectedCount = 0;
  int scrollRow = 0;
  int scrollRowMaximum = 0;
};

// The thumbnail at (column, visible row) is number column + 4 x (row + scroll row).
// A hit is a click inside the 121 x 91 picture area of a received cell.
// Returns -1 for a click that hits nothing.
int PreviewHitTest(int x, int y, int scrollRow, int receivedCount);

// A left click on picture `index`: plain click selects it alone, Shift extends
// from the anchor, Ctrl toggles it (the last selected picture stays selected).
// The clicked picture becomes the current one, except when Ctrl has just
// deselected it: then the nearest selected picture is current, so that Data
// in and Delete Page never act on a picture the grid shows unselected.
// Returns true when the first click after "no current picture" cleared all marks.
bool PreviewClickSelect(PreviewModel& model, int& anchor, int index, bool shift, bool ctrl);

// The keys that move through the grid as through a file manager's icons.
enum class PreviewKey { Left, Right, Up, Down, PageUp, PageDown, Home, End };
inline constexpr int kPreviewColumns = 4;
inline constexpr int kPreviewVisibleRows = 3;

// The picture a key moves to from `focus` among `count` received pictures:
// one column or row, a page of three rows (keeping the column where it can),
// the first or the last picture. A move down past the last full column lands
// on the last picture when a lower row exists; otherwise the focus stays.
// A focus outside the list starts at picture 0; -1 when nothing is received.
int PreviewKeyTarget(PreviewKey key, int focus, int count);

// The scroll row (0..maximum) that shows picture `index` with the fewest rows moved.
int PreviewRowShowing(int index, int scrollRow, int maximum);

}  // namespace lumarel
