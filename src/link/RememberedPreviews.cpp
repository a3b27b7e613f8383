// SPDX-License-Identifier: MIT
#include "link/RememberedPreviews.h"

#include <algorithm>
#include <cstring>

namespace lumarel {

namespace {

constexpr char kMagic[] = "LUMPRV1\n";
constexpr std::size_t kMagicSize = sizeof kMagic - 1;
constexpr std::size_t kHashSize = 8;

std::uint32_t ReadLittleEndian32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}

class Writer {
 public:
  void Bytes(const void* data, std::size_t size) {
    out_.append(static_cast<const char*>(data), size);
  }
  void Unsigned(std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out_.push_back(static_cast<char>(value >> (8 * i)));
  }
  std::string& Text() { return out_; }

 private:
  std::string out_;
};

// Reads fields from untrusted bytes; every read checks what is left first.
class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}
  bool Unsigned(std::uint64_t& value, int bytes) {
    if (!Has(static_cast<std::size_t>(bytes))) return false;
    value = 0;
    for (int i = 0; i < bytes; ++i)
      value |= std::uint64_t{static_cast<std::uint8_t>(bytes_[at_ + static_cast<std::size_t>(i)])}
               << (8 * i);
    at_ += static_cast<std::size_t>(bytes);
    return true;
  }
  template <typename T>
  bool Field(T& field, int bytes) {
    std::uint64_t value = 0;
    if (!Unsigned(value, bytes)) return false;
    field = static_cast<T>(value);
    return true;
  }
  bool Bytes(std::vector<std::uint8_t>& out, std::size_t size) {
    if (!Has(size)) return false;
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes_.data() + at_);
    out.assign(p, p + size);
    at_ += size;
    return true;
  }
  bool AtEnd() const { return at_ == bytes_.size(); }

 private:
  bool Has(std::size_t size) const { return size <= bytes_.size() - at_; }
  std::string_view bytes_;
  std::size_t at_ = 0;
};

std::uint64_t HashOf(std::string_view text) {
  return PreviewHash({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

// A preview as a full read leaves it: the header's own width and height are
// the fingerprint's, and the length is what they give.
bool PreviewFits(const PreviewFingerprint& f, std::span<const std::uint8_t> preview) {
  const std::size_t expected = ExpectedPreviewSize(f);
  return expected != 0 && preview.size() == expected &&
         ReadLittleEndian32(preview.data() + 4) == f.previewWidth &&
         ReadLittleEndian32(preview.data() + 8) == f.previewHeight;
}

}  // namespace

std::size_t ExpectedPreviewSize(const PreviewFingerprint& f) {
  const std::size_t size =
      kInfoHeaderSize + std::size_t{f.previewWidth} * f.previewHeight * 3;
  return f.previewWidth == 0 || f.previewHeight == 0 || size > kPreviewSlotSize ? 0 : size;
}

RememberedPreviews::Entry* RememberedPreviews::Lookup(const PreviewFingerprint& f) {
  for (Entry& e : entries_)
    if (e.fingerprint == f) return &e;
  return nullptr;
}

bool RememberedPreviews::Ambiguous(const PreviewFingerprint& f) const {
  for (const Entry& e : entries_)
    if (e.fingerprint == f) return e.ambiguous;
  return false;
}

void RememberedPreviews::BeginListing() {
  listing_.clear();
  suspect_ = false;
  answered_ = 0;
}

std::optional<std::span<const std::uint8_t>> RememberedPreviews::Find(
    const PreviewFingerprint& f) {
  bool metBefore = false;
  for (const Met& m : listing_) {
    if (!(m.fingerprint == f)) continue;
    metBefore = true;
    if (m.answered) suspect_ = true;  // that place may hold the other picture
  }
  listing_.push_back({f, false});
  if (metBefore) MakeAmbiguous(Lookup(f));
  // A suspect listing is read again in full: answering more of it gains
  // nothing (and a camera that did not skip when asked shows up this way).
  if (metBefore || !lookups_ || suspect_) return std::nullopt;
  Entry* e = Lookup(f);
  if (e == nullptr || e->ambiguous) return std::nullopt;
  e->lastUse = ++useCounter_;
  listing_.back().answered = true;
  ++answered_;
  return std::span<const std::uint8_t>(e->preview);
}

void RememberedPreviews::Offer(const PreviewFingerprint& f, std::span<const std::uint8_t> preview,
                               const PictureKey& key) {
  if (!PreviewFits(f, preview) || !(KeyFor(f, preview) == key)) return;
  Entry* e = Lookup(f);
  if (e != nullptr) {
    e->lastUse = ++useCounter_;
    // Two pictures behind one fingerprint: from now on it is always read.
    if (e->hash != key.previewHash) MakeAmbiguous(e);
    return;
  }
  // Met at two places of this listing: one card holds it twice.
  const bool twice = std::count_if(listing_.begin(), listing_.end(),
                                   [&](const Met& m) { return m.fingerprint == f; }) > 1;
  entries_.push_back({f, twice, key.previewHash, ++useCounter_,
                      twice ? std::vector<std::uint8_t>()
                            : std::vector<std::uint8_t>(preview.begin(), preview.end())});
  changed_ = true;
  while (entries_.size() > maxEntries_) DropOldest();
}

void RememberedPreviews::MakeAmbiguous(Entry* e) {
  if (e == nullptr || e->ambiguous) return;
  e->ambiguous = true;
  e->preview.clear();
  e->preview.shrink_to_fit();
  changed_ = true;
}

void RememberedPreviews::DropOldest() {
  auto oldest = std::min_element(entries_.begin(), entries_.end(),
                                 [](const Entry& a, const Entry& b) { return a.lastUse < b.lastUse; });
  if (oldest != entries_.end()) entries_.erase(oldest);
}

std::string RememberedPreviews::Serialise() const {
  Writer w;
  w.Bytes(kMagic, kMagicSize);
  w.Unsigned(entries_.size(), 4);
  w.Unsigned(useCounter_, 8);
  for (const Entry& e : entries_) {
    const PreviewFingerprint& f = e.fingerprint;
    const std::uint8_t date[5] = {f.date.yearByte, f.date.month, f.date.day, f.date.hour,
                                  f.date.minute};
    w.Bytes(date, sizeof date);
    w.Unsigned(f.quality, 1);
    w.Unsigned(f.width, 2);
    w.Unsigned(f.height, 2);
    w.Unsigned(f.previewWidth, 2);
    w.Unsigned(f.previewHeight, 2);
    w.Unsigned(f.previewSize, 4);
    w.Unsigned(e.ambiguous ? 1 : 0, 1);
    w.Unsigned(e.hash, 8);
    w.Unsigned(e.lastUse, 8);
    w.Unsigned(e.preview.size(), 4);
    w.Bytes(e.preview.data(), e.preview.size());
  }
  const std::uint64_t hash = HashOf(w.Text());
  w.Unsigned(hash, 8);
  return std::move(w.Text());
}

bool RememberedPreviews::Load(std::string_view bytes) {
  entries_.clear();
  listing_.clear();
  useCounter_ = 0;
  changed_ = false;
  if (bytes.size() < kMagicSize + kHashSize || bytes.substr(0, kMagicSize) != kMagic) return false;
  const std::string_view body = bytes.substr(0, bytes.size() - kHashSize);
  std::uint64_t stored = 0;
  Reader tail(bytes.substr(body.size()));
  if (!tail.Unsigned(stored, 8) || stored != HashOf(body)) return false;

  Reader r(body.substr(kMagicSize));
  std::uint64_t count = 0;
  std::vector<Entry> loaded;
  bool ok = r.Unsigned(count, 4) && count <= maxEntries_ && r.Unsigned(useCounter_, 8);
  for (std::uint64_t i = 0; ok && i < count; ++i) {
    Entry e;
    PreviewFingerprint& f = e.fingerprint;
    std::uint8_t flags = 0;
    std::uint32_t length = 0;
    ok = r.Field(f.date.yearByte, 1) && r.Field(f.date.month, 1) && r.Field(f.date.day, 1) &&
         r.Field(f.date.hour, 1) && r.Field(f.date.minute, 1) && r.Field(f.quality, 1) &&
         r.Field(f.width, 2) && r.Field(f.height, 2) && r.Field(f.previewWidth, 2) &&
         r.Field(f.previewHeight, 2) && r.Field(f.previewSize, 4) && r.Field(flags, 1) &&
         r.Field(e.hash, 8) && r.Field(e.lastUse, 8) && r.Field(length, 4) && flags <= 1 &&
         length <= kPreviewSlotSize && r.Bytes(e.preview, length);
    if (!ok) break;
    e.ambiguous = flags == 1;
    // An entry must be what Offer would have kept: no preview when ambiguous,
    // else one that fits its fingerprint and hashes to its hash; each
    // fingerprint once.
    ok = (e.ambiguous ? e.preview.empty()
                      : PreviewFits(f, e.preview) && PreviewHash(e.preview) == e.hash) &&
         e.lastUse <= useCounter_ &&
         std::none_of(loaded.begin(), loaded.end(),
                      [&](const Entry& other) { return other.fingerprint == f; });
    if (ok) loaded.push_back(std::move(e));
  }
  if (!ok || !r.AtEnd()) {
    useCounter_ = 0;
    return false;
  }
  entries_ = std::move(loaded);
  return true;
}

}  // namespace lumarel
