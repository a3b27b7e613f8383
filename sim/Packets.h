// SPDX-License-Identifier: MIT
// Building the camera's 116-byte packets: status packets (identification,
// status codes) and data packets (item headers, item data, live samples).
#pragma once

#include <cstdint>
#include <string>

#include "Protocol.h"

namespace lumarel::sim {

void PutBe16(Packet& packet, std::size_t at, std::uint16_t value);
void PutBe32(Packet& packet, std::size_t at, std::uint32_t value);
std::uint16_t GetBe16(const std::uint8_t* bytes);
std::uint32_t GetBe32(const std::uint8_t* bytes);

// Calendar time of a picture; year is the full year (2001), stored as year - 1900.
struct PictureTime {
  int year = 2001;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
};

// The header packet (sequence 0) of an index entry or a picture.
struct ItemHeader {
  std::uint8_t quality = 0;
  std::uint32_t size = 0;           // bytes of the item's data
  std::uint16_t width = 0;          // the full picture
  std::uint16_t height = 0;
  std::uint16_t entryMark = 0;      // index: 0 only in the end marker
  std::uint16_t previewWidth = 0;
  std::uint16_t previewHeight = 0;
  std::uint16_t fineFree = 0;       // pictures that still fit, Fine
  std::uint16_t normalFree = 0;     // pictures that still fit, Normal
  PictureTime time;
  std::uint16_t pictureCount = 0;
};

Packet MakeItemHeader(const ItemHeader& header);

// Data packet `counter` (sequence = counter mod 256) carrying up to 112 bytes,
// zero padded; byte 2 holds the two's complement of the sequence number.
Packet MakeDataPacket(std::uint32_t counter, const std::uint8_t* data, std::size_t size);

// A status packet: byte 7 carries the write-protect flag (1/0), byte 114 the tail marker.
Packet MakeStatusPacket(std::uint8_t status, bool writeProtected);

// The answer to CmdIdentify: model code (three ASCII digits), write-protect byte,
// capacity figure and picture count.
Packet MakeIdentification(const std::string& model, bool writeProtected, std::uint32_t capacity,
                          std::uint16_t pictureCount);

}  // namespace lumarel::sim
