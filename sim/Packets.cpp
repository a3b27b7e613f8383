// SPDX-License-Identifier: MIT
#include "Packets.h"

#include <algorithm>

namespace lumarel::sim {

void PutBe16(Packet& packet, std::size_t at, std::uint16_t value) {
  packet[at] = static_cast<std::uint8_t>(value >> 8);
  packet[at + 1] = static_cast<std::uint8_t>(value);
}

void PutBe32(Packet& packet, std::size_t at, std::uint32_t value) {
  PutBe16(packet, at, static_cast<std::uint16_t>(value >> 16));
  PutBe16(packet, at + 2, static_cast<std::uint16_t>(value));
}

std::uint16_t GetBe16(const std::uint8_t* bytes) {
  return static_cast<std::uint16_t>((bytes[0] << 8) | bytes[1]);
}

std::uint32_t GetBe32(const std::uint8_t* bytes) {
  return (static_cast<std::uint32_t>(GetBe16(bytes)) << 16) | GetBe16(bytes + 2);
}

Packet MakeItemHeader(const ItemHeader& header) {
  Packet packet{};
  packet[0] = kDataMarker;
  packet[3] = header.quality;
  PutBe32(packet, 4, header.size);
  PutBe16(packet, 8, header.width);
  PutBe16(packet, 10, header.height);
  PutBe16(packet, 12, header.entryMark);
  PutBe16(packet, 14, header.previewWidth);
  PutBe16(packet, 16, header.previewHeight);
  PutBe16(packet, 18, header.fineFree);
  PutBe16(packet, 20, header.normalFree);
  packet[22] = static_cast<std::uint8_t>(header.time.year - 1900);
  packet[23] = static_cast<std::uint8_t>(header.time.month);
  packet[24] = static_cast<std::uint8_t>(header.time.day);
  packet[25] = static_cast<std::uint8_t>(header.time.hour);
  packet[26] = static_cast<std::uint8_t>(header.time.minute);
  PutBe16(packet, 28, header.pictureCount);
  return packet;
}

Packet MakeDataPacket(std::uint32_t counter, const std::uint8_t* data, std::size_t size) {
  Packet packet{};
  packet[0] = kDataMarker;
  packet[1] = static_cast<std::uint8_t>(counter);
  packet[2] = static_cast<std::uint8_t>(256 - packet[1]);
  if (data != nullptr) std::copy_n(data, std::min(size, kPayloadSize), packet.begin() + kPayloadOffset);
  return packet;
}

Packet MakeStatusPacket(std::uint8_t status, bool writeProtected) {
  Packet packet{};
  packet[0] = kStatusMarker;
  packet[7] = writeProtected ? 1 : 0;
  packet[8] = status;
  packet[114] = kStatusTail;
  return packet;
}

Packet MakeIdentification(const std::string& model, bool writeProtected, std::uint32_t capacity,
                          std::uint16_t pictureCount) {
  Packet packet = MakeStatusPacket(StatusAccepted, writeProtected);
  packet[2] = writeProtected ? 0x10 : 0x00;
  for (std::size_t i = 0; i < 3; ++i) packet[4 + i] = i < model.size() ? model[i] : '0';
  PutBe32(packet, 16, capacity);
  PutBe16(packet, 20, pictureCount);
  return packet;
}

}  // namespace lumarel::sim
