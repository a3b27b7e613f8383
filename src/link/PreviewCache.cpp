// SPDX-License-Identifier: MIT
#include "link/PreviewCache.h"

namespace lumarel {

PreviewFingerprint FingerprintOf(const ItemHeader& h) {
  PreviewFingerprint f;
  f.date = CameraDate{h.year, h.month, h.day, h.hour, h.minute};
  f.quality = h.quality;
  f.width = h.width;
  f.height = h.height;
  f.previewWidth = h.previewWidth;
  f.previewHeight = h.previewHeight;
  f.previewSize = h.size;
  return f;
}

PictureKey KeyFor(const PreviewFingerprint& f, std::span<const std::uint8_t> preview) {
  PictureEntry entry;
  entry.date = f.date;
  return PictureKey{entry.ListedTime(), f.quality, f.width, f.height, PreviewHash(preview)};
}

}  // namespace lumarel
