// SPDX-License-Identifier: MIT
// Previews the index need not read again. An index header tells a picture's
// date to the minute, quality, sizes and the byte count of its preview; when
// a cache knows a preview by exactly that fingerprint, the index handler
// answers the header with CmdNextEntry at once (the camera then moves on to
// the next entry without sending this one's preview) and fills the slot from
// the cache. A fingerprint is not an identity: two pictures of the same
// minute, quality and sizes whose previews are equally long look alike. The
// cache decides when a fingerprint may stand for a preview (see
// RememberedPreviews); the link only asks and offers.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "link/PictureKey.h"
#include "link/PictureList.h"
#include "link/Protocol.h"

namespace lumarel {

struct PreviewFingerprint {
  CameraDate date;
  std::uint8_t quality = 0;
  std::uint16_t width = 0, height = 0;                // the picture's
  std::uint16_t previewWidth = 0, previewHeight = 0;
  std::uint32_t previewSize = 0;                      // bytes of preview JPEG data
  bool operator==(const PreviewFingerprint& o) const {
    return date.yearByte == o.date.yearByte && date.month == o.date.month &&
           date.day == o.date.day && date.hour == o.date.hour && date.minute == o.date.minute &&
           quality == o.quality && width == o.width && height == o.height &&
           previewWidth == o.previewWidth && previewHeight == o.previewHeight &&
           previewSize == o.previewSize;
  }
};

PreviewFingerprint FingerprintOf(const ItemHeader& header);

// The key a full read of an entry with this fingerprint and these preview
// bytes (40-byte header and pixels) gives: what KeyOf gives for its slot.
PictureKey KeyFor(const PreviewFingerprint& fingerprint, std::span<const std::uint8_t> preview);

class PreviewCache {
 public:
  virtual ~PreviewCache() = default;
  // The index starts again from its first entry.
  virtual void BeginListing() = 0;
  // The preview (40-byte information header and width x height x 3 pixel
  // bytes) a full read of this entry is known to give; nothing when the
  // entry must be read. The span stays valid until the next call.
  virtual std::optional<std::span<const std::uint8_t>> Find(const PreviewFingerprint& f) = 0;
  // An entry read in full, with its decoded preview (header and pixels only)
  // and its key.
  virtual void Offer(const PreviewFingerprint& f, std::span<const std::uint8_t> preview,
                     const PictureKey& key) = 0;
};

}  // namespace lumarel
