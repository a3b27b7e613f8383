// SPDX-License-Identifier: MIT
// The camera line as the simulated camera speaks it: command bytes the program
// writes, status codes and upload replies the camera answers with, and the
// fixed layout of the 116-byte packet. Multi-byte numbers are big-endian.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace lumarel::sim {

constexpr std::size_t kPacketSize = 116;
constexpr std::size_t kPayloadSize = 112;  // packet bytes 3..114
constexpr std::size_t kPayloadOffset = 3;
using Packet = std::array<std::uint8_t, kPacketSize>;

constexpr std::uint8_t kStatusMarker = 0x10;  // byte 0 of a status packet
constexpr std::uint8_t kDataMarker = 0x01;    // byte 0 of a data packet
constexpr std::uint8_t kStatusTail = 0x72;    // byte 114 of a status packet

// Commands, one byte each.
enum : std::uint8_t {
  CmdWake = 0x00,
  CmdIdentify = 0x2A,
  CmdSpeed115200 = 0x26,
  CmdSpeed57600 = 0x24,
  CmdSpeed19200 = 0x22,
  CmdSpeedConfirm = 0x28,
  CmdReset = 0x20,
  CmdDigitOnes = 0xA0,
  CmdDigitTens = 0xB0,
  CmdDigitHundreds = 0xC0,
  CmdSendIndex = 0xE8,
  CmdSendPicture = 0xD0,
  CmdDeleteBegin = 0xD1,
  CmdDeletePicture = 0xD2,
  CmdDeleteEnd = 0xD3,
  CmdEraseAll = 0xEA,
  CmdUploadFine = 0xE0,
  CmdUploadNormal = 0xE1,
  CmdLiveFrame = 0x81,
  CmdLiveStop = 0x82,
  CmdZoomCapture = 0x84,
  CmdZoomStop = 0x87,
  CmdAck = 0x06,
  CmdNak = 0x15,
  CmdNextEntry = 0xE5,
  CmdRestartEntry = 0xE6,
  CmdCancel = 0x08,
};

// Status codes, byte 8 of a status packet.
enum : std::uint8_t {
  StatusAccepted = 0x80,
  StatusCardReport = 0x81,
  StatusBusy = 0x88,
  StatusDeleteDone = 0x89,
  StatusCameraReady = 0xA0,
  StatusVcrMode = 0xA2,
  StatusNoCard = 0xA3,
  // The camera's refusal of CmdSendPicture for a number it does not hold. The
  // program knows no such status, so it takes it as a bad packet.
  StatusNoPicture = 0x8A,
};

// One-byte replies during an upload.
enum : std::uint8_t {
  ReplyAck = 0x06,
  ReplyNak = 0x15,
  ReplySendHeader = 0xE4,
  ReplySendPreview = 0xE5,
  ReplyUploadDone = 0xE6,
  ReplyMemoryFull = 0xE7,
};

constexpr std::uint32_t kBaseSpeed = 9600;

// Data packets that carry an item of `size` bytes (the header not counted).
constexpr std::uint32_t PacketsForSize(std::uint32_t size) { return size / kPayloadSize + 1; }

// "CmdDigitTens 4", "CmdAck", "0x3F (unknown)": the name of a command byte for logs.
std::string CommandName(std::uint8_t command);
std::string StatusName(std::uint8_t status);
std::string ReplyName(std::uint8_t reply);

// The line speed a speed command asks for, or 0 when the byte is none.
std::uint32_t SpeedOfCommand(std::uint8_t command);

}  // namespace lumarel::sim
