// SPDX-License-Identifier: MIT
#include "Protocol.h"

#include <cstdio>

namespace lumarel::sim {
namespace {

std::string Hex(std::uint8_t byte) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", byte);
  return text;
}

const char* FixedCommandName(std::uint8_t command) {
  switch (command) {
    case CmdWake: return "CmdWake";
    case CmdIdentify: return "CmdIdentify";
    case CmdSpeed115200: return "CmdSpeed115200";
    case CmdSpeed57600: return "CmdSpeed57600";
    case CmdSpeed19200: return "CmdSpeed19200";
    case CmdSpeedConfirm: return "CmdSpeedConfirm";
    case CmdReset: return "CmdReset";
    case CmdSendIndex: return "CmdSendIndex";
    case CmdSendPicture: return "CmdSendPicture";
    case CmdDeleteBegin: return "CmdDeleteBegin";
    case CmdDeletePicture: return "CmdDeletePicture";
    case CmdDeleteEnd: return "CmdDeleteEnd";
    case CmdEraseAll: return "CmdEraseAll";
    case CmdUploadFine: return "CmdUploadFine";
    case CmdUploadNormal: return "CmdUploadNormal";
    case CmdLiveFrame: return "CmdLiveFrame";
    case CmdLiveStop: return "CmdLiveStop";
    case CmdZoomCapture: return "CmdZoomCapture";
    case CmdZoomStop: return "CmdZoomStop";
    case CmdAck: return "CmdAck";
    case CmdNak: return "CmdNak";
    case CmdNextEntry: return "CmdNextEntry";
    case CmdRestartEntry: return "CmdRestartEntry";
    case CmdCancel: return "CmdCancel";
    default: return nullptr;
  }
}

}  // namespace

std::string CommandName(std::uint8_t command) {
  if (const char* name = FixedCommandName(command)) return name;
  const int digit = command & 0x0F;
  if (digit <= 9) {
    switch (command & 0xF0) {
      case CmdDigitOnes: return "CmdDigitOnes " + std::to_string(digit);
      case CmdDigitTens: return "CmdDigitTens " + std::to_string(digit);
      case CmdDigitHundreds: return "CmdDigitHundreds " + std::to_string(digit);
      default: break;
    }
  }
  return Hex(command) + " (unknown)";
}

std::string StatusName(std::uint8_t status) {
  switch (status) {
    case StatusAccepted: return "StatusAccepted";
    case StatusCardReport: return "StatusCardReport";
    case StatusBusy: return "StatusBusy";
    case StatusDeleteDone: return "StatusDeleteDone";
    case StatusCameraReady: return "StatusCameraReady";
    case StatusVcrMode: return "StatusVcrMode";
    case StatusNoCard: return "StatusNoCard";
    case StatusNoPicture: return "StatusNoPicture";
    default: return "status " + Hex(status);
  }
}

std::string ReplyName(std::uint8_t reply) {
  switch (reply) {
    case ReplyAck: return "ReplyAck";
    case ReplyNak: return "ReplyNak";
    case ReplySendHeader: return "ReplySendHeader";
    case ReplySendPreview: return "ReplySendPreview";
    case ReplyUploadDone: return "ReplyUploadDone";
    case ReplyMemoryFull: return "ReplyMemoryFull";
    default: return "reply " + Hex(reply);
  }
}

std::uint32_t SpeedOfCommand(std::uint8_t command) {
  switch (command) {
    case CmdSpeed115200: return 115200;
    case CmdSpeed57600: return 57600;
    case CmdSpeed19200: return 19200;
    default: return 0;
  }
}

}  // namespace lumarel::sim
