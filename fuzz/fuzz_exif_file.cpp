// SPDX-License-Identifier: MIT
// WriteExifFile on an arbitrary source file, rewritten in place as callers do;
// the first byte is the recode quality.
#include "FuzzEntries.h"
#include "FuzzSupport.h"
#include "imagefile/ExifFile.h"

using namespace lumarel;
using namespace lumarel::fuzz;

namespace lumarel::fuzz {

int FuzzExifFile(const std::uint8_t* data, std::size_t size) {
  static const std::string path = RunPath("picture.jpg");
  static SilentNotifier notifier;
  static FixedClock clock;
  if (size < 1) return 0;
  if (!WriteFileBytes(path, data + 1, size - 1)) return 0;
  WriteExifFile(path, path, data[0], notifier, clock);
  return 0;
}

}  // namespace lumarel::fuzz

#ifndef LUMAREL_FUZZ_REPLAY
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return lumarel::fuzz::FuzzExifFile(data, size);
}
#endif
