// SPDX-License-Identifier: MIT
// When a cached preview may stand for an index entry, and the cache's stored form.
#include <gtest/gtest.h>

#include <vector>

#include "link/RememberedPreviews.h"

namespace lumarel {
namespace {

using Bytes = std::vector<std::uint8_t>;

PreviewFingerprint Fingerprint(std::uint8_t minute = 5) {
  PreviewFingerprint f;
  f.date = {101, 6, 15, 9, minute};
  f.quality = 0x01;
  f.width = 640;
  f.height = 480;
  f.previewWidth = 4;
  f.previewHeight = 2;
  f.previewSize = 900;
  return f;
}

// A decoded 4 x 2 preview whose pixels are all `value`.
Bytes Preview(std::uint8_t value) {
  Bytes p(40 + 4 * 2 * 3, value);
  std::fill_n(p.begin(), 40, 0);
  p[0] = 40;
  p[4] = 4;
  p[8] = 2;
  return p;
}

void Learn(RememberedPreviews& cache, const PreviewFingerprint& f, const Bytes& preview) {
  cache.Offer(f, preview, KeyFor(f, preview));
}

TEST(PreviewCacheRules, OneFingerprintWithTwoPreviewsIsNeverAnsweredAgain) {
  RememberedPreviews cache;
  const PreviewFingerprint f = Fingerprint();
  Learn(cache, f, Preview(1));
  cache.BeginListing();
  ASSERT_TRUE(cache.Find(f));
  EXPECT_FALSE(cache.Find(Fingerprint(6)));

  Learn(cache, f, Preview(2));  // a full read of another picture with the same fingerprint
  EXPECT_TRUE(cache.Ambiguous(f));
  Learn(cache, f, Preview(1));  // the first one again changes nothing
  cache.BeginListing();
  EXPECT_FALSE(cache.Find(f));
  // ...and stays so in the stored form.
  RememberedPreviews reloaded;
  ASSERT_TRUE(reloaded.Load(cache.Serialise()));
  EXPECT_TRUE(reloaded.Ambiguous(f));
  EXPECT_FALSE(reloaded.Find(f));
}

TEST(PreviewCacheRules, AFingerprintMetTwiceInOneListingIsSuspectAndAmbiguous) {
  const PreviewFingerprint f = Fingerprint();
  struct Case {
    bool cached;        // the fingerprint was known before the listing
    bool suspect;       // the listing is to be read again
  };
  for (const Case c : {Case{true, true}, Case{false, false}}) {
    RememberedPreviews cache;
    if (c.cached) Learn(cache, f, Preview(1));
    Learn(cache, Fingerprint(8), Preview(8));
    cache.BeginListing();
    EXPECT_EQ(cache.Find(f).has_value(), c.cached);
    EXPECT_FALSE(cache.Find(Fingerprint(7)));
    EXPECT_FALSE(cache.Find(f)) << "the second place is always read";
    EXPECT_EQ(cache.ListingSuspect(), c.suspect);
    EXPECT_EQ(cache.Find(Fingerprint(8)).has_value(), !c.suspect) << "a suspect listing is read";
    Learn(cache, f, Preview(1));  // the second place read: the same picture again
    EXPECT_TRUE(cache.Ambiguous(f)) << "one card holds it twice: never answered again";
    cache.BeginListing();
    EXPECT_FALSE(cache.ListingSuspect());
  }
}

TEST(PreviewCacheRules, LookupsOffAndPreviewsThatDoNotFitTheirFingerprint) {
  RememberedPreviews cache;
  const PreviewFingerprint f = Fingerprint();
  Learn(cache, f, Bytes(40 + 3, 0));          // not 4 x 2 x 3 pixel bytes
  Bytes wrongHeader = Preview(1);
  wrongHeader[4] = 8;
  Learn(cache, f, wrongHeader);
  cache.Offer(f, Preview(1), KeyFor(f, Preview(2)));  // a key that is not this preview's
  EXPECT_EQ(cache.Size(), 0u);
  Learn(cache, f, Preview(1));
  cache.SetLookups(false);
  cache.BeginListing();
  EXPECT_FALSE(cache.Find(f));
}

TEST(PreviewCacheStore, RoundTripBoundAndDamagedFiles) {
  RememberedPreviews cache(2);
  Learn(cache, Fingerprint(1), Preview(1));
  Learn(cache, Fingerprint(2), Preview(2));
  cache.BeginListing();
  ASSERT_TRUE(cache.Find(Fingerprint(1)));  // used: now newer than 2
  Learn(cache, Fingerprint(3), Preview(3));
  EXPECT_EQ(cache.Size(), 2u);
  const std::string stored = cache.Serialise();

  RememberedPreviews back(2);
  ASSERT_TRUE(back.Load(stored));
  back.BeginListing();
  EXPECT_FALSE(back.Find(Fingerprint(2))) << "the least recently used went";
  const auto one = back.Find(Fingerprint(1));
  ASSERT_TRUE(one);
  EXPECT_EQ(Bytes(one->begin(), one->end()), Preview(1));

  std::string flipped = stored;
  flipped[stored.size() / 2] ^= 0x01;
  std::string swappedCount = stored;
  swappedCount[8] = 7;
  for (const std::string& damaged :
       {std::string(), stored.substr(0, stored.size() - 1), stored.substr(0, 20), flipped,
        swappedCount, stored + "x", std::string("LUMPRV1\n") + std::string(8, '\0')}) {
    RememberedPreviews r(2);
    EXPECT_FALSE(r.Load(damaged));
    EXPECT_EQ(r.Size(), 0u);
  }
  RememberedPreviews smaller(1);
  EXPECT_FALSE(smaller.Load(stored)) << "more entries than the bound";
}

}  // namespace
}  // namespace lumarel
