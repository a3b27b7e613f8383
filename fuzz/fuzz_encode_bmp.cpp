// SPDX-License-Identifier: MIT
// EncodeJpegFile's BMP reader: arbitrary bytes as the BMP file, the first
// byte choosing the sampling factors and the quality.
#include <array>

#include "FuzzEntries.h"
#include "FuzzSupport.h"
#include "imagefile/JpegEncode.h"

using namespace lumarel;
using namespace lumarel::fuzz;

namespace lumarel::fuzz {

int FuzzEncodeBmp(const std::uint8_t* data, std::size_t size) {
  static const std::string in = RunPath("in.bmp");
  static const std::string out = RunPath("out.jpg");
  static const std::array<const char*, 6> kSampling = {
      "2x1,1x1,1x1", "1x1,1x1,1x1", "2x2,1x1,1x1", "1x2,1x1,1x1", "4x1,1x1,1x1", "2x1,1x2,9x9"};
  if (size < 1) return 0;
  const std::uint8_t choice = data[0];
  if (!WriteFileBytes(in, data + 1, size - 1)) return 0;
  const int quality = (choice >> 3) * 4 - 10;  // -10..114: also outside 1..100
  EncodeJpegFile(in, out, kSampling[choice % kSampling.size()], quality);
  return 0;
}

}  // namespace lumarel::fuzz

#ifndef LUMAREL_FUZZ_REPLAY
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return lumarel::fuzz::FuzzEncodeBmp(data, size);
}
#endif
