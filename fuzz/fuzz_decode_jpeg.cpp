// SPDX-License-Identifier: MIT
// DecodeJpegFile on arbitrary JPEG bytes. Run with -rss_limit_mb=512 and
// -timeout=10: a small file must not make the decoder allocate gigabytes or
// work for minutes. A decoded BMP must read back.
#include <cstdlib>

#include "FuzzEntries.h"
#include "FuzzSupport.h"
#include "imagefile/BitmapFile.h"
#include "imagefile/JpegDecode.h"

using namespace lumarel;
using namespace lumarel::fuzz;

namespace lumarel::fuzz {

int FuzzDecodeJpeg(const std::uint8_t* data, std::size_t size) {
  static const std::string in = RunPath("in.jpg");
  static const std::string out = RunPath("out.bmp");
  if (!WriteFileBytes(in, data, size)) return 0;
  if (!DecodeJpegFile(in, out)) return 0;
  if (!ReadBitmapFile(out)) Fail();
  return 0;
}

}  // namespace lumarel::fuzz

#ifndef LUMAREL_FUZZ_REPLAY
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return lumarel::fuzz::FuzzDecodeJpeg(data, size);
}
#endif
