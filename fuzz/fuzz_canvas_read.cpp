// SPDX-License-Identifier: MIT
// The open command's canvas reading: arbitrary BMP bytes into a canvas block
// of exactly the size it needs, so any write outside it is caught.
#include <vector>

#include "FuzzEntries.h"
#include "FuzzSupport.h"
#include "imagefile/DibImage.h"
#include "imageproc/CanvasRead.h"

using namespace lumarel;
using namespace lumarel::fuzz;

namespace lumarel::fuzz {

int FuzzCanvasRead(const std::uint8_t* data, std::size_t size) {
  static SilentNotifier notifier;
  // A copy on the heap of exactly the input's size, so reads past it are caught too.
  std::vector<std::uint8_t> file(data, data + size);
  std::vector<std::uint8_t> canvas(kPicture640x480ContentSize, 0);
  ReadBitmapIntoCanvas(file, canvas, notifier);
  return 0;
}

}  // namespace lumarel::fuzz

#ifndef LUMAREL_FUZZ_REPLAY
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return lumarel::fuzz::FuzzCanvasRead(data, size);
}
#endif
