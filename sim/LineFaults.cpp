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

FaultAction FaultInjector::Next(const std::vector<std::uint8_t>& bytes) {
  if (bytes.size() != kPacketSize) return FaultAction::Send;
  if (settings_.silentAfter >= 0 && sent_ >= settings_.silentAfter) return FaultAction::Silent;
  ++sent_;
  if (settings_.dropEvery > 0 && sent_ % settings_.dropEvery == 0) return FaultAction::Drop;
  if (settings_.garbleEvery > 0 && sent_ % settings_.garbleEvery == 0) return FaultAction::Garble;
  return FaultAction::Send;
}

}  // namespace lumarel::sim
