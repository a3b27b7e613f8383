// SPDX-License-Identifier: MIT
#include "link/PictureWork.h"

#include "imagefile/DibImage.h"
#include "imageproc/ColourBoost.h"
#include "imageproc/Palette.h"

namespace lumarel {

void PostProcessPicture(std::span<std::uint8_t> picture, std::uint8_t quality, Notifier& notifier) {
  ApplyQualityPostProcessing(picture, quality, notifier);
}

void MakePictureDisplayPalette(Notifier& notifier, std::span<const std::uint8_t> picture,
                               std::span<std::uint8_t> shared, std::span<std::uint8_t> own) {
  MakeDisplayPalette(notifier, picture, shared);
  if (!own.empty()) CopyLogicalPalette(shared, own);
}

std::size_t Stride24(std::size_t width) { return DibStride(width, 24); }

}  // namespace lumarel
