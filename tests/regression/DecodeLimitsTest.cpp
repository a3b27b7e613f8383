// SPDX-License-Identifier: MIT
// DecodeJpegFile against hostile but well-formed files: absurd declared sizes
// and scan counts must be refused up front, not paid for in memory and time.
#include <gtest/gtest.h>

#include <chrono>

#include "FuzzSupport.h"
#include "Seeds.h"
#include "imagefile/JpegDecode.h"

namespace lumarel::fuzz {
namespace {

// Decodes one seed; the result and the time it took.
struct Outcome {
  int result;
  double seconds;
};

Outcome DecodeSeed(const std::string& seed) {
  const Corpus seeds = JpegSeeds();
  const Bytes& bytes = seeds.at(seed);
  const std::string in = RunPath("limits-" + seed + ".jpg");
  const std::string out = RunPath("limits-" + seed + ".bmp");
  EXPECT_TRUE(WriteFileBytes(in, bytes.data(), bytes.size()));
  const auto start = std::chrono::steady_clock::now();
  const int result = DecodeJpegFile(in, out) ? 1 : 0;
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  return {result, took.count()};
}

// Generous for a sanitizer build on a loaded machine; a refusal takes milliseconds.
constexpr double kRefusalSeconds = 2.0;

TEST(DecodeLimitsTest, ThousandsOfProgressiveScansAreRefusedQuickly) {
  for (const char* seed : {"scans-3000", "scans-101"}) {
    const Outcome o = DecodeSeed(seed);
    EXPECT_EQ(o.result, 0) << seed;
    EXPECT_LT(o.seconds, kRefusalSeconds) << seed;
  }
}

TEST(DecodeLimitsTest, DimensionsBeyondTheLimitAreRefusedQuickly) {
  for (const char* seed : {"huge-declared", "wide-and-short"}) {
    const Outcome o = DecodeSeed(seed);
    EXPECT_EQ(o.result, 0) << seed;
    EXPECT_LT(o.seconds, kRefusalSeconds) << seed;
  }
}

TEST(DecodeLimitsTest, OrdinaryFilesStillDecode) {
  for (const char* seed : {"baseline-2x1", "progressive", "grey", "no-eoi"}) {
    EXPECT_EQ(DecodeSeed(seed).result, 1) << seed;
  }
}

// Found by fuzz_decode_jpeg: a 600-byte baseline file whose frame claims
// 16384 x 3051 pixels (just inside the dimension and pixel limits) makes the
// decoder allocate 150 MB and decode 50 million pixels of nothing (15 s under
// ASan); its progressive twin needs over 512 MB of coefficient buffers. No
// real JPEG codes that many pixels in so few bytes (even a flat progressive
// picture needs more than one byte per 256 pixels), so such files should be
// refused before start of decompression.
TEST(DecodeLimitsTest, TinyFileClaimingFiftyMegapixelsIsRefusedQuickly) {
  for (const char* seed : {"largest-accepted", "progressive-huge"}) {
    const Outcome o = DecodeSeed(seed);
    EXPECT_EQ(o.result, 0) << seed;
    EXPECT_LT(o.seconds, kRefusalSeconds) << seed;
  }
}

}  // namespace
}  // namespace lumarel::fuzz
