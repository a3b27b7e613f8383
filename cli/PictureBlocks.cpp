// SPDX-License-Identifier: MIT
#include "cli/PictureBlocks.h"

#include <algorithm>

#include "imagefile/BitmapFile.h"
#include "imagefile/DibImage.h"
#include "imageproc/Resample.h"

namespace lumarel::cli {

std::int32_t PictureWidth(std::span<const std::uint8_t> dib) { return DibWidth(dib); }
std::int32_t PictureHeight(std::span<const std::uint8_t> dib) { return DibHeight(dib); }

std::vector<std::uint8_t> PhotoForSaving(std::span<const std::uint8_t> photo, bool variant1) {
  std::vector<std::uint8_t> workspace(kPictureBlockSize, 0);
  if (!variant1) {
    if (photo.size() > workspace.size() || DibBitCount(photo) != 24) return {};
    std::copy(photo.begin(), photo.end(), workspace.begin());
    return workspace;
  }
  if (!GroupStretchPhoto(photo, workspace)) return {};
  return workspace;
}

bool WriteDibAsBmp(std::span<const std::uint8_t> block, const std::string& path) {
  const std::size_t content = DibContentSize(block);
  if (content == 0 || content > block.size()) return false;
  return static_cast<bool>(WriteBitmapFile(path, block.first(content)));
}

}  // namespace lumarel::cli
