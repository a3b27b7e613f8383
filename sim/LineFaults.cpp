// SPDX-License-Identifier: MIT
#include "LineFaults.h"

#include <algorithm>

#include "Protocol.h"

namespace lumarel::sim {

std::vector<std::uint8_t> SpeedMismatch(const std::vector<std::uint8_t>& bytes,
                                        std::uint32_t cameraSpeed, std::uint32_t lineSpeed,
                                        std::mt19937& random) {
  if (cameraSpeed == lineSpeed || bytes.empty()) return bytes;
  const std::size_t framed = bytes.size() * lineSpeed / std::max<std::uint32_t>(cameraSpeed, 1);
  const std::size_t count = std::clamp<std::size_t>(framed, 1, 2 * bytes.size());
  std::uniform_int_distribution<int> noise(0, 255);
  std::vector<std::uint8_t> out(count);
  for (std::uint8_t& byte : out) {
    byte = static_cast<std::uint8_t>(noise(random));
    if (byte == kStatusMarker || byte == kDataMarker) byte = 0xFF;
  }
  return out;
}

void GarblePacket(std::vector<std::uint8_t>& packet) {
  if (packet.size() != kPacketSize) return;
  if (packet[0] == kDataMarker) {
    packet[115] = 0xA5;
    packet[50] ^= 0xFF;
  } else {
    packet[0] = 0x5A;
  }
}

FaultInjector::FaultInjector(FaultSettings settings)
    : settings_(settings), random_(settings.seed * 2654435761u + 0x9E37u) {}

bool FaultInjector::Chance(double rate) {
  // Drawn even when the rate is 0, so one rate does not shift the others' draws.
  const double draw = std::uniform_real_distribution<double>(0.0, 1.0)(random_);
  return draw < rate;
}

FaultAction FaultInjector::Next(const std::vector<std::uint8_t>& bytes) {
  silenceMs_ = 0;
  if (bytes.size() != kPacketSize) return FaultAction::Send;
  if (settings_.silentAfter >= 0 && sent_ >= settings_.silentAfter) return FaultAction::Silent;
  ++sent_;
  ++counts_.packets;
  const bool silence = Chance(settings_.silenceRate);
  const bool drop = Chance(settings_.dropRate);
  const bool garble = Chance(settings_.garbleRate);
  if (silence) {
    const int low = std::max(0, std::min(settings_.silenceMinMs, settings_.silenceMaxMs));
    const int high = std::max(low, settings_.silenceMaxMs);
    silenceMs_ = std::uniform_int_distribution<int>(low, high)(random_);
    ++counts_.silences;
    counts_.silentMs += silenceMs_;
  }
  const bool dropNth = settings_.dropEvery > 0 && sent_ % settings_.dropEvery == 0;
  const bool garbleNth = settings_.garbleEvery > 0 && sent_ % settings_.garbleEvery == 0;
  FaultAction action = FaultAction::Send;
  if (dropNth) action = FaultAction::Drop;
  else if (garbleNth) action = FaultAction::Garble;
  else if (drop) action = FaultAction::Drop;
  else if (garble) action = FaultAction::Garble;
  if (action == FaultAction::Drop) ++counts_.dropped;
  if (action == FaultAction::Garble) ++counts_.garbled;
  return action;
}

}  // namespace lumarel::sim
