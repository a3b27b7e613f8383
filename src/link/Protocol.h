// SPDX-License-Identifier: MIT
// The camera's wire protocol: one-byte commands, 116-byte packets (status or
// data), status codes, item headers, picture-number digit sequences, recovery
// bytes and the one-byte replies of an upload. Multi-byte numbers are big-endian.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace lumarel {

inline constexpr std::size_t kPacketSize = 116;
inline constexpr std::size_t kPayloadOffset = 3;  // first payload byte of a data packet
inline constexpr std::size_t kPayloadSize = 112;  // bytes 3..114

using CameraPacket = std::array<std::uint8_t, kPacketSize>;

// Commands, program to camera, one byte each.
inline constexpr std::uint8_t CmdWake = 0x00;
inline constexpr std::uint8_t CmdIdentify = 0x2A;
inline constexpr std::uint8_t CmdSpeed115200 = 0x26;
inline constexpr std::uint8_t CmdSpeed57600 = 0x24;
inline constexpr std::uint8_t CmdSpeed19200 = 0x22;
inline constexpr std::uint8_t CmdSpeedConfirm = 0x28;
inline constexpr std::uint8_t CmdReset = 0x20;
inline constexpr std::uint8_t CmdSendIndex = 0xE8;
inline constexpr std::uint8_t CmdSendPicture = 0xD0;
inline constexpr std::uint8_t CmdDeleteBegin = 0xD1;
inline constexpr std::uint8_t CmdDeletePicture = 0xD2;
inline constexpr std::uint8_t CmdDeleteEnd = 0xD3;
inline constexpr std::uint8_t CmdEraseAll = 0xEA;
inline constexpr std::uint8_t CmdUploadFine = 0xE0;
inline constexpr std::uint8_t CmdUploadNormal = 0xE1;
inline constexpr std::uint8_t CmdLiveFrame = 0x81;
inline constexpr std::uint8_t CmdLiveStop = 0x82;
inline constexpr std::uint8_t CmdZoomCapture = 0x84;
inline constexpr std::uint8_t CmdZoomStop = 0x87;
inline constexpr std::uint8_t CmdAck = 0x06;
inline constexpr std::uint8_t CmdNak = 0x15;
inline constexpr std::uint8_t CmdNextEntry = 0xE5;
inline constexpr std::uint8_t CmdRestartEntry = 0xE6;
inline constexpr std::uint8_t CmdCancel = 0x08;

// Digits of a picture number, d in 0..9.
constexpr std::uint8_t CmdDigitOnes(int d) { return static_cast<std::uint8_t>(0xA0 + d % 10); }
constexpr std::uint8_t CmdDigitTens(int d) { return static_cast<std::uint8_t>(0xB0 + d % 10); }
constexpr std::uint8_t CmdDigitHundreds(int d) { return static_cast<std::uint8_t>(0xC0 + d % 10); }

// Status codes, byte 8 of a status packet.
inline constexpr std::uint8_t StatusAccepted = 0x80;
inline constexpr std::uint8_t StatusCardReport = 0x81;
inline constexpr std::uint8_t StatusBusy = 0x88;
inline constexpr std::uint8_t StatusDeleteDone = 0x89;
inline constexpr std::uint8_t StatusCameraReady = 0xA0;
inline constexpr std::uint8_t StatusVcrMode = 0xA2;
inline constexpr std::uint8_t StatusNoCard = 0xA3;

// One-byte upload replies, camera to program.
inline constexpr std::uint8_t ReplyAck = 0x06;
inline constexpr std::uint8_t ReplyNak = 0x15;
inline constexpr std::uint8_t ReplySendHeader = 0xE4;
inline constexpr std::uint8_t ReplySendPreview = 0xE5;
inline constexpr std::uint8_t ReplyUploadDone = 0xE6;
inline constexpr std::uint8_t ReplyMemoryFull = 0xE7;

inline constexpr std::uint8_t kStatusMarker = 0x10;  // byte 0 of a status packet
inline constexpr std::uint8_t kDataMarker = 0x01;    // byte 0 of a data packet
inline constexpr std::uint8_t kSetupTrailer = 0x72;  // byte 114 of a status packet during set-up

std::uint16_t ReadBigEndian16(const std::uint8_t* bytes);
std::uint32_t ReadBigEndian32(const std::uint8_t* bytes);
void WriteBigEndian16(std::uint8_t* bytes, std::uint16_t value);
void WriteBigEndian32(std::uint8_t* bytes, std::uint32_t value);

// Status packets.
bool IsStatusPacket(const CameraPacket& packet);
// A status packet that also carries the set-up trailer (checked only during set-up).
bool IsSetupStatusPacket(const CameraPacket& packet);
inline std::uint8_t StatusCode(const CameraPacket& packet) { return packet[8]; }
CameraPacket EncodeStatusPacket(std::uint8_t code);

// What the identification status packet says about the camera.
struct Identification {
  bool modelAccepted = false;    // model code 931 or 631
  bool variant631 = false;       // model code begins with '6'
  bool writeProtected = false;   // byte 2 is 0x10
  std::uint32_t capacity = 0;    // bytes 16..19
  std::uint16_t pictureCount = 0;  // bytes 20..21
};
Identification ParseIdentification(const CameraPacket& packet);

// Data packets. Good when byte 0 is 0x01, byte 115 is 0 and byte 1 is the low
// byte of the receiving packet counter.
bool IsGoodDataPacket(const CameraPacket& packet, std::uint16_t packetCounter);
// A data packet as the program sends it: sequence = low byte of counter, byte 2
// its two's complement, up to 112 payload bytes (the rest zero).
CameraPacket EncodeDataPacket(std::uint16_t packetCounter, const std::uint8_t* payload,
                              std::size_t size);
inline const std::uint8_t* Payload(const CameraPacket& packet) {
  return packet.data() + kPayloadOffset;
}

// Header packet (sequence 0) of an index entry or a picture.
struct ItemHeader {
  std::uint8_t quality = 0;  // low 4 bits not 0: Fine
  std::uint32_t size = 0;    // bytes of item data
  std::uint16_t width = 0, height = 0;
  bool endMarker = false;    // bytes 12 and 13 both 0
  std::uint16_t previewWidth = 0, previewHeight = 0;
  std::uint16_t freeFine = 0, freeNormal = 0;
  std::uint8_t year = 0;     // years since 1900, low 8 bits
  std::uint8_t month = 0, day = 0, hour = 0, minute = 0;
  std::uint16_t pictureCount = 0;  // index only
  bool Fine() const { return (quality & 0x0F) != 0; }
};
ItemHeader ParseItemHeader(const CameraPacket& packet);
// Data packets following a header for an item of size bytes: floor(size / 112) + 1.
std::uint32_t PacketsInItem(std::uint32_t size);

// Picture-number sequences driven by DigitStep. Each StatusAccepted writes
// `command` and moves to `nextStep`; `valid` is false when no step is pending.
struct DigitAction {
  bool valid = false;
  std::uint8_t command = 0;
  std::uint8_t nextStep = 0;
};
DigitAction IndexSequenceStep(std::uint8_t step);                    // number 000, then CmdSendIndex
DigitAction DownloadSequenceStep(std::uint8_t step, int number);     // then CmdSendPicture
// Delete pages: step 5..1; at step 2 `morePages` chooses between 5 (next page) and 1.
DigitAction DeleteSequenceStep(std::uint8_t step, int number, bool morePages);
// The three digit bytes of a number, units first.
std::array<std::uint8_t, 3> DigitCommands(int number);

// Recovery after too many bad packets in a row.
enum class TransferKind { IndexEntry, Picture, LiveFrame, ZoomPicture };
std::uint8_t RecoveryByte(TransferKind kind, std::uint8_t lastCommandByte, bool liveActive);

inline constexpr std::int8_t kMaxBadPackets = 10;
// A camera that answers every recovery of a download with refusals again
// (a picture that is no longer on its card) is given up after this many.
inline constexpr int kMaxDownloadRecoveries = 3;
// Refusals in a row after which an upload is given up: the camera takes
// none of the packets it is sent.
inline constexpr int kMaxUploadNaks = 20;
// The bad-packet rule: returns the byte to answer with and updates the count.
// Up to 10 consecutive bad packets get CmdNak; the next one gets the recovery
// byte, the count returns to 0 and `recovered` is set so the caller can reset
// its counter and empty its buffer.
std::uint8_t AnswerBadPacket(std::int8_t& badPacketCount, std::uint8_t recoveryByte,
                             bool& recovered);

}  // namespace lumarel
