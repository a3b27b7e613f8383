// SPDX-License-Identifier: MIT
#include "CardChanges.h"

#include "Jpeg.h"

namespace lumarel::sim {

void ShrinkEverySecondPreview(std::vector<StoredPicture>& pictures) {
  constexpr int kSmallWidth = 80, kSmallHeight = 60;
  for (std::size_t i = 1; i < pictures.size(); i += 2) {
    StoredPicture& p = pictures[i];
    RgbImage decoded;
    if (!DecodeJpeg(p.preview, decoded)) continue;
    std::vector<std::uint8_t> small = EncodeJpeg(Resize(decoded, kSmallWidth, kSmallHeight), 75);
    if (small.empty()) continue;
    p.preview = std::move(small);
    p.previewWidth = kSmallWidth;
    p.previewHeight = kSmallHeight;
  }
}

void RemovePicture(std::vector<StoredPicture>& pictures, int k) {
  if (k >= 1 && k <= static_cast<int>(pictures.size())) pictures.erase(pictures.begin() + (k - 1));
}

}  // namespace lumarel::sim
