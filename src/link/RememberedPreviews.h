// SPDX-License-Identifier: MIT
// The previews a user's earlier listings read, by fingerprint, with the rules
// that keep a cached preview from standing for a picture it is not:
// - a fingerprint that was ever read with two different previews, or met at
//   two places of one listing, is ambiguous for good and is never answered
//   from the cache again;
// - at the second place of one listing it is not answered, and when the
//   first place was answered from the cache the listing is suspect
//   (ListingSuspect): the caller reads the index again with lookups off
//   (SetLookups(false)), and nothing more of that listing is answered;
// - a stored preview must have exactly the size its fingerprint gives.
// Bounded: past maxEntries the least recently used entry goes.
//
// Stored form (Serialise / Load), little-endian: "LUMPRV1\n", the entry
// count (32 bits), the use counter (64 bits), then per entry the fingerprint
// (date 5 bytes, quality, picture width and height, preview width and height
// 16 bits each, preview size 32 bits), a flags byte (1: ambiguous), the
// preview hash and the last use (64 bits each), the preview length (32 bits)
// and the preview bytes; last an FNV-1a hash of everything before it. A file
// that is not exactly this is not used (Load gives false and an empty cache).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "link/PreviewCache.h"

namespace lumarel {

class RememberedPreviews final : public PreviewCache {
 public:
  // More than a full card; at the largest previews (160 x 120) about 58 MB.
  static constexpr std::size_t kDefaultMaxEntries = 1000;

  explicit RememberedPreviews(std::size_t maxEntries = kDefaultMaxEntries)
      : maxEntries_(maxEntries) {}

  void BeginListing() override;
  std::optional<std::span<const std::uint8_t>> Find(const PreviewFingerprint& f) override;
  void Offer(const PreviewFingerprint& f, std::span<const std::uint8_t> preview,
             const PictureKey& key) override;

  // Off: every entry is read in full (what is read is still learnt).
  void SetLookups(bool on) { lookups_ = on; }
  // See above: the last listing answered a fingerprint from the cache that
  // it then met again at another place.
  bool ListingSuspect() const { return suspect_; }
  // Entries answered from the cache since BeginListing.
  int Answered() const { return answered_; }
  // Something was learnt since Load (a preview, or an ambiguity): worth writing.
  bool Changed() const { return changed_; }
  std::size_t Size() const { return entries_.size(); }
  bool Ambiguous(const PreviewFingerprint& f) const;

  std::string Serialise() const;
  // Replaces the contents; false (and empty) when the bytes are not a whole,
  // consistent stored form.
  bool Load(std::string_view bytes);

 private:
  struct Entry {
    PreviewFingerprint fingerprint;
    bool ambiguous = false;
    std::uint64_t hash = 0;      // PreviewHash of preview
    std::uint64_t lastUse = 0;
    std::vector<std::uint8_t> preview;  // empty when ambiguous
  };
  struct Met {
    PreviewFingerprint fingerprint;
    bool answered = false;
  };
  Entry* Lookup(const PreviewFingerprint& f);
  void MakeAmbiguous(Entry* e);  // null: nothing to do
  void DropOldest();

  std::size_t maxEntries_;
  std::vector<Entry> entries_;
  std::vector<Met> listing_;  // fingerprints met since BeginListing, by place
  std::uint64_t useCounter_ = 0;
  bool lookups_ = true;
  bool suspect_ = false;
  bool changed_ = false;
  int answered_ = 0;
};

// The size of the preview a fingerprint promises: a 40-byte header and
// width x height x 3 pixel bytes; 0 when that would not fit a preview slot.
std::size_t ExpectedPreviewSize(const PreviewFingerprint& f);

}  // namespace lumarel
