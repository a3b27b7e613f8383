// SPDX-License-Identifier: MIT
// ReadBitmapFile on arbitrary file contents; a block it accepts is read back
// through the DIB accessors and written out again.
#include <cstdlib>

#include "FuzzEntries.h"
#include "FuzzSupport.h"
#include "imagefile/BitmapFile.h"

using namespace lumarel;
using namespace lumarel::fuzz;

namespace lumarel::fuzz {

int FuzzBitmapFile(const std::uint8_t* data, std::size_t size) {
  static const std::string in = RunPath("in.bmp");
  static const std::string out = RunPath("out.bmp");
  if (!WriteFileBytes(in, data, size)) return 0;
  DibImage dib = ReadBitmapFile(in);
  if (!dib) return 0;
  // An accepted file has all its rows: they lie inside the block.
  const std::size_t content = DibContentSize(dib.bytes());
  if (content > dib.size()) Fail();
  if (DibPixels(dib) == nullptr && DibPixelOffset(dib.bytes()) < dib.size()) Fail();
  if (static_cast<bool>(WriteBitmapFile(out, dib.bytes()))) {
    DibImage again = ReadBitmapFile(out);
    if (!again || again.size() != dib.size()) Fail();
  }
  return 0;
}

}  // namespace lumarel::fuzz

#ifndef LUMAREL_FUZZ_REPLAY
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return lumarel::fuzz::FuzzBitmapFile(data, size);
}
#endif
