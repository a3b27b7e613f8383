// SPDX-License-Identifier: MIT
#include "windows/PreviewModel.h"

#include <algorithm>

namespace lumarel {

std::string SimplePreviewModel::Label(int index) const {
  if (index < 0 || index >= ReceivedCount()) return {};
  return entries[static_cast<std::size_t>(index)].label;
}

std::span<const std::uint8_t> SimplePreviewModel::Thumbnail(int index) const {
  if (index < 0 || index >= ReceivedCount()) return {};
  return entries[static_cast<std::size_t>(index)].thumbnail;
}

std::uint8_t SimplePreviewModel::Mark(int index) const {
  if (index < 0 || index >= kMaxPictures) return 0;
  return marks[static_cast<std::size_t>(index)];
}

void SimplePreviewModel::SetMark(int index, std::uint8_t mark) {
  if (index >= 0 && index < kMaxPictures) marks[static_cast<std::size_t>(index)] = mark;
}

int PreviewHitTest(int x, int y, int scrollRow, int receivedCount) {
  // Coordinates arrive as unsigned 16-bit values: negatives are far out of range.
  if (x < 10 || x > 550 || y < 60 || y > 410) return -1;
  if ((x - 10) % 140 > 120 || (y - 60) % 130 > 90) return -1;
  const int column = (x - 10) / 140;
  const int row = (y - 60) / 130;
  const int index = column + 4 * (row + scrollRow);
  return index + 1 > receivedCount ? -1 : index;
}

namespace {

// The selected received picture closest to `index` (the lower one of two as close).
int NearestSelected(const PreviewModel& model, int index, int received) {
  for (int distance = 1; distance < received; ++distance) {
    if (index - distance >= 0 && model.Mark(index - distance) == 1) return index - distance;
    if (index + distance < received && model.Mark(index + distance) == 1) return index + distance;
  }
  return index;
}

int MoveDown(int focus, int rows, int last) {
  int target = focus;
  for (int i = 0; i < rows; ++i) {
    if (target + kPreviewColumns <= last) {
      target += kPreviewColumns;
    } else {
      if (target / kPreviewColumns < last / kPreviewColumns) target = last;
      break;
    }
  }
  return target;
}

}  // namespace

int PreviewKeyTarget(PreviewKey key, int focus, int count) {
  if (count <= 0) return -1;
  if (focus < 0 || focus >= count) return 0;
  const int last = count - 1;
  const int page = kPreviewColumns * kPreviewVisibleRows;
  switch (key) {
    case PreviewKey::Left: return std::max(0, focus - 1);
    case PreviewKey::Right: return std::min(last, focus + 1);
    case PreviewKey::Up: return focus >= kPreviewColumns ? focus - kPreviewColumns : focus;
    case PreviewKey::Down: return MoveDown(focus, 1, last);
    case PreviewKey::PageUp: return focus >= page ? focus - page : focus % kPreviewColumns;
    case PreviewKey::PageDown: return MoveDown(focus, kPreviewVisibleRows, last);
    case PreviewKey::Home: return 0;
    case PreviewKey::End: return last;
  }
  return focus;
}

int PreviewRowShowing(int index, int scrollRow, int maximum) {
  const int row = index / kPreviewColumns;
  int shown = scrollRow;
  if (row < shown) shown = row;
  if (row > shown + kPreviewVisibleRows - 1) shown = row - (kPreviewVisibleRows - 1);
  return std::clamp(shown, 0, std::max(0, maximum));
}

bool PreviewClickSelect(PreviewModel& model, int& anchor, int index, bool shift, bool ctrl) {
  const bool reset = model.CurrentPicture() == kNoPicture;
  if (reset) {
    for (int i = 0; i < kMaxPictures; ++i) model.SetMark(i, 0);
    anchor = 0;
  }
  model.SetCurrentPicture(index);
  if (!shift) anchor = index;
  const int received = std::min(model.ReceivedCount(), kMaxPictures);
  if (ctrl) {
    model.SetMark(index, static_cast<std::uint8_t>((model.Mark(index) + 1) % 2));
    bool any = false;
    for (int i = 0; i < kMaxPictures && !any; ++i) any = model.Mark(i) == 1;
    if (!any) model.SetMark(index, 1);  // the last selected picture cannot be deselected
    if (model.Mark(index) != 1) model.SetCurrentPicture(NearestSelected(model, index, received));
  } else {
    for (int i = 0; i < received; ++i) model.SetMark(i, 0);
    if (shift) {
      for (int i = std::min(anchor, index); i <= std::max(anchor, index); ++i) model.SetMark(i, 1);
    } else {
      model.SetMark(index, 1);
    }
  }
  int selected = 0;
  for (int i = 0; i < received; ++i) selected += model.Mark(i) == 1 ? 1 : 0;
  model.SetSelectedCount(selected);
  return reset;
}

}  // namespace lumarel
