// SPDX-License-Identifier: MIT
// The live and zoom decoders over a run of arbitrary packets, with packet
// numbers in and around their range, into picture blocks whose header claims
// an arbitrary size and whose block may be shorter than the header says.
#include <vector>

#include "FuzzEntries.h"
#include "FuzzInput.h"
#include "imagefile/DibImage.h"
#include "imageproc/LiveDecode.h"
#include "imageproc/ZoomDecode.h"

using namespace lumarel;
using namespace lumarel::fuzz;

namespace {

std::vector<std::uint8_t> MakeBlock(FuzzInput& in, std::size_t fullSize) {
  const std::size_t sizes[] = {fullSize, fullSize / 2, 40 + 160 * 120 * 3, 40 + 640 * 480 * 3,
                               40, 39, std::size_t{1} + in.U16()};
  std::vector<std::uint8_t> block(sizes[in.Below(7)], 0x80);
  const std::int32_t width = static_cast<std::int16_t>(in.U16());
  const std::int32_t height = static_cast<std::int16_t>(in.U16());
  const std::uint16_t bits = in.Bool() ? 24 : in.Byte();
  WriteDibHeader(block, width, height, bits);
  return block;
}

}  // namespace

namespace lumarel::fuzz {

int FuzzLiveZoom(const std::uint8_t* data, std::size_t size) {
  FuzzInput in(data, size);
  const bool zoom = in.Bool();
  std::vector<std::uint8_t> block = MakeBlock(in, zoom ? kPictureBlockSize : kPreviewSlotSize);
  LiveDecoderState live;
  ZoomDecoderState zoomState;
  const int packets = zoom ? kZoomPacketsPerPicture : kLivePacketsPerFrame;
  int index = 0;
  while (!in.Empty()) {
    // Mostly the next packet in order; sometimes a jump, also out of range.
    const std::uint8_t step = in.Byte();
    if (step >= 0xF0) index = static_cast<int>(in.U16() % (packets + 40)) - 20;
    else if (step >= 0xE0) index = 0;
    std::span<const std::uint8_t> packet = in.Take(116);
    if (zoom) {
      DecodeZoomPacket(packet, index, zoomState, block);
    } else {
      DecodeLivePacket(packet, index, live, block);
    }
    ++index;
  }
  return 0;
}

}  // namespace lumarel::fuzz

#ifndef LUMAREL_FUZZ_REPLAY
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return lumarel::fuzz::FuzzLiveZoom(data, size);
}
#endif
