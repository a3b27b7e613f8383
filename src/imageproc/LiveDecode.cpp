// SPDX-License-Identifier: MIT
#include "imageproc/LiveDecode.h"

#include <algorithm>

#include "imageproc/FrameRows.h"
#include "imageproc/PictureRows.h"

namespace lumarel {
namespace {

constexpr int kLineBytes = kLiveLinePixels * 3;

// Widening of 2 samples to 3 pixels, per colour byte.
void Widen(const std::uint8_t* s, std::uint8_t* out) {
  for (int n = 0; n < kLiveSamples; n += 2) {
    const std::uint8_t* a = s + 3 * n;
    const std::uint8_t* b = a + 3;
    const std::uint8_t* c = b + 3;
    std::uint8_t* o = out + 3 * (3 * n / 2);
    for (int k = 0; k < 3; ++k) {
      o[k] = a[k];
      o[3 + k] = static_cast<std::uint8_t>((3 * a[k] + 7 * b[k]) / 10);
      o[6 + k] = static_cast<std::uint8_t>((7 * b[k] + 3 * c[k]) / 10);
    }
  }
}

}  // namespace

void DecodeLiveLine(std::span<const std::uint8_t> packet, int packetIndex,
                    LiveDecoderState& state, std::array<std::uint8_t, kLineBytes>& line) {
  const bool even = packetIndex % 2 == 0;
  std::array<std::uint8_t, (kLiveSamples + 1) * 3> samples{};
  for (int i = 0; i < kLiveSamples; ++i) {
    const std::uint8_t byte = packet[i];
    const int a = (byte >> 4) * 16;
    const auto c = static_cast<std::int8_t>(static_cast<std::uint8_t>(byte << 4));
    if (even) {
      state.firstChroma[i] = c;
    } else {
      state.secondChroma[i] = c;
    }
    const int p = state.firstChroma[i];
    const int q = state.secondChroma[i];
    std::uint8_t* s = samples.data() + 3 * i;
    s[0] = ClampToByte(a + q);
    s[1] = ClampToByte(a - p / 2 - q / 5);
    s[2] = ClampToByte(a + p);
  }
  std::copy_n(samples.data() + 3 * (kLiveSamples - 1), 3, samples.data() + 3 * kLiveSamples);
  Widen(samples.data(), line.data());
}

bool DecodeLivePacket(std::span<const std::uint8_t> packet, int packetIndex,
                      LiveDecoderState& state, std::span<std::uint8_t> frame) {
  if (packet.size() < static_cast<std::size_t>(kLiveSamples)) return false;
  const auto rows = Rows24Of(frame);
  if (!rows) return false;
  std::array<std::uint8_t, kLineBytes> line;
  DecodeLiveLine(packet, packetIndex, state, line);
  const FrameRows target(frame, *rows);
  const int shown = std::min(rows->width, kLiveLinePixels - kLiveFirstShownPixel);
  const std::size_t shownBytes = static_cast<std::size_t>(shown) * 3;
  const std::uint8_t* from = nullptr;

  for (int k = 0; k < kLineBytes; ++k) {
    state.previousLine[k] = static_cast<std::uint8_t>(state.previousLine[k] / 2 + line[k] / 2);
  }
  from = state.previousLine.data() + 3 * kLiveFirstShownPixel;
  target.Write(target.RowFromTop(state.lineOffset), from, shownBytes);
  target.Advance(state.lineOffset);

  state.previousLine = line;
  from = line.data() + 3 * kLiveFirstShownPixel;
  target.Write(target.RowFromTop(state.lineOffset), from, shownBytes);
  target.Advance(state.lineOffset);
  return true;
}

}  // namespace lumarel
