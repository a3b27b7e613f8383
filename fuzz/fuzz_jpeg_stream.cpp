// SPDX-License-Identifier: MIT
// The JPEG stream tools on arbitrary bytes: the header reader and the walks
// over it (from the file and from memory), the stream length and compaction.
#include <cstdlib>
#include <span>

#include "FuzzEntries.h"
#include "FuzzSupport.h"
#include "imagefile/JpegStream.h"

using namespace lumarel;
using namespace lumarel::fuzz;

namespace lumarel::fuzz {

int FuzzJpegStream(const std::uint8_t* data, std::size_t size) {
  static const std::string in = RunPath("in.jpg");
  static SilentNotifier notifier;
  std::span<const std::uint8_t> bytes(data, size);

  if (JpegStreamLength(bytes) > size) Fail();
  ParseJpegFrame(bytes);
  HasStandardHuffmanCountsIn(bytes);
  MemoryBlock compact = CompactJpegStream(bytes);
  if (compact && compact.size() != size) Fail();
  // Compaction only drops bytes: its stream is never longer than the input.
  if (compact && JpegStreamLength(compact.bytes()) > size) Fail();

  if (!WriteFileBytes(in, data, size)) return 0;
  MemoryBlock headers = ReadJpegHeaders(in);
  if (headers && headers.size() > size) Fail();
  JpegFrame frame;
  const bool framed = JpegFrameInfo(in, frame);
  if (framed != static_cast<bool>(headers)) Fail();
  if (frame.sampling.size() > 255) Fail();
  HasStandardHuffmanCounts(in, notifier);
  return 0;
}

}  // namespace lumarel::fuzz

#ifndef LUMAREL_FUZZ_REPLAY
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return lumarel::fuzz::FuzzJpegStream(data, size);
}
#endif
