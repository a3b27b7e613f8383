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
  if (index < 0 || index >= kPreviewMaxPictures) return 0;
  return marks[static_cast<std::size_t>(index)];
}

void SimplePreviewModel::SetMark(int index, std::uint8_t mark) {
  if (index >= 0 && index < kPreviewMaxPictures) marks[static_cast<std::size_t>(index)] = mark;
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

bool PreviewClickSelect(PreviewModel& model, int& anchor, int index, bool shift, bool ctrl) {
  const bool reset = model.CurrentPicture() == kPreviewNoPicture;
  if (reset) {
    for (int i = 0; i < kPreviewMaxPictures; ++i) model.SetMark(i, 0);
    anchor = 0;
  }
  model.SetCurrentPicture(index);
  if (!shift) anchor = index;
  const int received = std::min(model.ReceivedCount(), kPreviewMaxPictures);
  if (ctrl) {
    model.SetMark(index, static_cast<std::uint8_t>((model.Mark(index) + 1) % 2));
    bool any = false;
    for (int i = 0; i < kPreviewMaxPictures && !any; ++i) any = model.Mark(i) == 1;
    if (!any) model.SetMark(index, 1);  // the last selected picture cannot be deselected
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
