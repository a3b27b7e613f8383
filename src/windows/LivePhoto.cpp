// SPDX-License-Identifier: MIT
#include "windows/LivePhoto.h"

#include <algorithm>

#include "imagefile/DibImage.h"
#include "imageproc/Resample.h"

namespace lumarel {
namespace {

constexpr std::uint16_t kPhotoViewWidth = 636;
constexpr std::uint16_t kPhotoViewHeight = 478;

bool CopyWhole(std::span<const std::uint8_t> photo, std::span<std::uint8_t> workspace) {
  if (photo.size() < kPicture640x480ContentSize || workspace.size() < kPicture640x480ContentSize) {
    return false;
  }
  std::copy_n(photo.begin(), std::min({photo.size(), workspace.size(), kPictureBlockSize}),
              workspace.begin());
  return true;
}

}  // namespace

bool LivePhotoToFullWidth(std::span<const std::uint8_t> photo, std::span<std::uint8_t> workspace,
                          bool modelVariant) {
  return modelVariant ? InterpolatePhoto(photo, workspace) : CopyWhole(photo, workspace);
}

bool LivePhotoForSave(std::span<const std::uint8_t> photo, std::span<std::uint8_t> workspace,
                      bool modelVariant) {
  return modelVariant ? GroupStretchPhoto(photo, workspace) : CopyWhole(photo, workspace);
}

std::optional<ImageDocInit> MakeLivePhotoDoc(std::span<const std::uint8_t> workspace,
                                             bool paletteDisplay, Notifier& notifier) {
  ImageDocInit init;
  if (!AllocateImageDocBlocks(init, kPictureBlockSize, paletteDisplay, notifier)) {
    return std::nullopt;
  }
  std::copy_n(workspace.begin(), std::min(workspace.size(), init.PictureBlock.size()),
              init.PictureBlock.data());
  init.PictureIndex = 0;
  init.Modified = 1;
  init.ViewWidth = kPhotoViewWidth;
  init.ViewHeight = kPhotoViewHeight;
  return init;
}

}  // namespace lumarel
