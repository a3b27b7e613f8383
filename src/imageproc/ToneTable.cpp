// SPDX-License-Identifier: MIT
#include "imageproc/ToneTable.h"

namespace lumarel {
namespace {

int Limit(int pixelCount) { return 2 * pixelCount / 2000; }

double ToneOf(double t, double r) {
  if (t < 0) return 0;
  if (t < 32) return t * r;
  if (t < 128) return t + 32 * r - 32;
  if (t > 255) t = 255;
  return t * (1.25 - 0.25 * r) + 64 * r - 64;
}

}  // namespace

int BlackPoint(const Histogram& histogram, int pixelCount) {
  const int limit = Limit(pixelCount);
  if (limit == 0) return 0;
  std::uint64_t sum = 0;
  int bin = 1;
  for (; bin < 256; ++bin) {
    sum += histogram[bin];
    if (sum >= static_cast<std::uint64_t>(limit)) break;
  }
  if (bin > 255) bin = 255;
  return bin < kBlackPointCap ? bin : kBlackPointCap;
}

int WhitePoint(const Histogram& histogram, int pixelCount) {
  const int limit = Limit(pixelCount);
  if (limit == 0) return 255;
  std::uint64_t sum = 0;
  int bin = 254;
  for (; bin >= 0; --bin) {
    sum += histogram[bin];
    if (sum >= static_cast<std::uint64_t>(limit)) break;
  }
  if (bin < 0) bin = 0;
  return bin > kWhitePointFloor ? bin : kWhitePointFloor;
}

ToneTable MakeToneTable(int start, double slope, double r) {
  ToneTable table{};
  for (int x = 0; x < 256; ++x) {
    const double v = ToneOf((x - start) * slope, r);
    // Truncation toward zero, then clamping; written so that a NaN gives 0.
    table[x] = v >= 255 ? 255 : (v >= 1 ? static_cast<std::uint8_t>(v) : 0);
  }
  return table;
}

}  // namespace lumarel
