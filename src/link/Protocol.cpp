// SPDX-License-Identifier: MIT
#include "link/Protocol.h"

#include <algorithm>

namespace lumarel {

std::uint16_t ReadBigEndian16(const std::uint8_t* b) {
  return static_cast<std::uint16_t>((b[0] << 8) | b[1]);
}

std::uint32_t ReadBigEndian32(const std::uint8_t* b) {
  return (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) | (std::uint32_t{b[2]} << 8) |
         std::uint32_t{b[3]};
}

void WriteBigEndian16(std::uint8_t* b, std::uint16_t v) {
  b[0] = static_cast<std::uint8_t>(v >> 8);
  b[1] = static_cast<std::uint8_t>(v);
}

void WriteBigEndian32(std::uint8_t* b, std::uint32_t v) {
  b[0] = static_cast<std::uint8_t>(v >> 24);
  b[1] = static_cast<std::uint8_t>(v >> 16);
  b[2] = static_cast<std::uint8_t>(v >> 8);
  b[3] = static_cast<std::uint8_t>(v);
}

bool IsStatusPacket(const CameraPacket& p) { return p[0] == kStatusMarker; }

bool IsSetupStatusPacket(const CameraPacket& p) {
  return p[0] == kStatusMarker && p[114] == kSetupTrailer;
}

CameraPacket EncodeStatusPacket(std::uint8_t code) {
  CameraPacket p{};
  p[0] = kStatusMarker;
  p[8] = code;
  p[114] = kSetupTrailer;
  return p;
}

Identification ParseIdentification(const CameraPacket& p) {
  Identification id;
  id.modelAccepted = (p[4] == '9' || p[4] == '6') && p[5] == '3' && p[6] == '1';
  id.variant631 = p[4] == '6';
  id.writeProtected = p[2] == 0x10;
  id.capacity = ReadBigEndian32(&p[16]);
  id.pictureCount = ReadBigEndian16(&p[20]);
  return id;
}

bool IsGoodDataPacket(const CameraPacket& p, std::uint16_t packetCounter) {
  return p[0] == kDataMarker && p[115] == 0 && p[1] == (packetCounter & 0xFF);
}

CameraPacket EncodeDataPacket(std::uint16_t packetCounter, const std::uint8_t* payload,
                              std::size_t size) {
  CameraPacket p{};
  p[0] = kDataMarker;
  p[1] = static_cast<std::uint8_t>(packetCounter & 0xFF);
  p[2] = static_cast<std::uint8_t>((256 - p[1]) & 0xFF);
  if (payload != nullptr) std::copy_n(payload, std::min(size, kPayloadSize), &p[kPayloadOffset]);
  return p;
}

ItemHeader ParseItemHeader(const CameraPacket& p) {
  ItemHeader h;
  h.quality = p[3];
  h.size = ReadBigEndian32(&p[4]);
  h.width = ReadBigEndian16(&p[8]);
  h.height = ReadBigEndian16(&p[10]);
  h.endMarker = p[12] == 0 && p[13] == 0;
  h.previewWidth = ReadBigEndian16(&p[14]);
  h.previewHeight = ReadBigEndian16(&p[16]);
  h.freeFine = ReadBigEndian16(&p[18]);
  h.freeNormal = ReadBigEndian16(&p[20]);
  h.year = p[22];
  h.month = p[23];
  h.day = p[24];
  h.hour = p[25];
  h.minute = p[26];
  h.pictureCount = ReadBigEndian16(&p[28]);
  return h;
}

std::uint32_t PacketsInItem(std::uint32_t size) {
  return size / static_cast<std::uint32_t>(kPayloadSize) + 1;
}

std::array<std::uint8_t, 3> DigitCommands(int n) {
  return {CmdDigitOnes(n % 10), CmdDigitTens((n / 10) % 10), CmdDigitHundreds((n / 100) % 10)};
}

DigitAction IndexSequenceStep(std::uint8_t step) {
  switch (step) {
    case 3: return {true, CmdDigitTens(0), 2};
    case 2: return {true, CmdDigitHundreds(0), 1};
    case 1: return {true, CmdSendIndex, 0};
    default: return {};
  }
}

DigitAction DownloadSequenceStep(std::uint8_t step, int n) {
  const auto digits = DigitCommands(n);
  switch (step) {
    case 3: return {true, digits[1], 2};
    case 2: return {true, digits[2], 1};
    case 1: return {true, CmdSendPicture, 0};
    default: return {};
  }
}

DigitAction DeleteSequenceStep(std::uint8_t step, int n, bool morePages) {
  const auto digits = DigitCommands(n);
  switch (step) {
    case 5: return {true, digits[0], 4};
    case 4: return {true, digits[1], 3};
    case 3: return {true, digits[2], 2};
    case 2: return {true, CmdDeletePicture, static_cast<std::uint8_t>(morePages ? 5 : 1)};
    case 1: return {true, CmdDeleteEnd, 0};
    default: return {};
  }
}

std::uint8_t RecoveryByte(TransferKind kind, std::uint8_t lastCommandByte, bool liveActive) {
  switch (kind) {
    case TransferKind::IndexEntry: return CmdRestartEntry;
    case TransferKind::Picture: return lastCommandByte;
    case TransferKind::LiveFrame: return liveActive ? CmdLiveStop : CmdCancel;
    case TransferKind::ZoomPicture: return CmdCancel;
  }
  return CmdCancel;
}

std::uint8_t AnswerBadPacket(std::int8_t& badPacketCount, std::uint8_t recoveryByte,
                             bool& recovered) {
  if (badPacketCount < kMaxBadPackets) {
    ++badPacketCount;
    recovered = false;
    return CmdNak;
  }
  badPacketCount = 0;
  recovered = true;
  return recoveryByte;
}

}  // namespace lumarel
