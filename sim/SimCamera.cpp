// SPDX-License-Identifier: MIT
// Command dispatch, link set-up, picture numbers and deleting.
#include "SimCamera.h"

#include <algorithm>

#include "Packets.h"

namespace lumarel::sim {
namespace {

constexpr std::size_t kMostPictures = 800;
constexpr std::uint32_t kFineBytes = 81920;    // room a Fine picture is reckoned to need
constexpr std::uint32_t kNormalBytes = 40960;  // and a Normal one

std::uint16_t Saturate16(std::uint32_t value) {
  return static_cast<std::uint16_t>(std::min<std::uint32_t>(value, 0xFFFF));
}

}  // namespace

SimCamera::SimCamera(CameraSettings settings, std::vector<StoredPicture> pictures)
    : settings_(std::move(settings)), pictures_(std::move(pictures)) {
  if (pictures_.size() > kMostPictures) pictures_.resize(kMostPictures);
  TruncatePicture();
}

std::uint16_t SimCamera::AddressedNumber() const {
  return static_cast<std::uint16_t>(digits_[2] * 100 + digits_[1] * 10 + digits_[0]);
}

std::uint32_t SimCamera::FreeBytes() const {
  std::size_t used = 0;
  for (const StoredPicture& picture : pictures_) used += picture.CardBytes();
  return used >= settings_.cardBytes ? 0 : static_cast<std::uint32_t>(settings_.cardBytes - used);
}

void SimCamera::SetWriteProtected(bool writeProtected) {
  settings_.writeProtected = writeProtected;
  cardReportDue_ = true;
}

std::vector<Transmission> SimCamera::Receive(const std::uint8_t* data, std::size_t size,
                                             std::uint32_t lineSpeed) {
  Answers out;
  for (std::size_t i = 0; i < size; ++i) HandleByte(data[i], lineSpeed, out);
  return out;
}

std::vector<Transmission> SimCamera::LineIdle() {
  Answers out;
  if (transfer_ == Transfer::Upload && !partial_.empty()) {
    Log("rx partial upload packet of " + std::to_string(partial_.size()) + " bytes dropped");
    partial_.clear();
    if (!UploadFellSilent()) SendReply(ReplyNak, out);
  }
  return out;
}

// A byte sent at another speed than the camera's arrives as noise. The one
// exception: the program back at 9600 while the camera is not. The camera then
// falls back to 9600 and listens (as after an unconfirmed speed or a restart of
// the program), so the byte is taken as a command after all.
void SimCamera::HandleByte(std::uint8_t byte, std::uint32_t lineSpeed, Answers& out) {
  if (lineSpeed != speed_) {
    if (lineSpeed != kBaseSpeed) {
      Log("rx byte lost: line at " + std::to_string(lineSpeed) + ", camera at " +
          std::to_string(speed_));
      return;
    }
    Log("camera falls back to 9600");
    ResetConversation();
  }
  if (transfer_ == Transfer::Upload) {
    CollectUploadByte(byte, out);
    return;
  }
  Log("rx " + CommandName(byte) + " at " + std::to_string(lineSpeed));
  HandleCommand(byte, out);
  CountForWriteProtect(byte);
}

void SimCamera::ResetConversation() {
  speed_ = kBaseSpeed;
  connected_ = false;
  transfer_ = Transfer::None;
  marked_.clear();
  partial_.clear();
  framesInRun_ = 0;
  last_.clear();
}

void SimCamera::HandleCommand(std::uint8_t command, Answers& out) {
  if (command == CmdNak) {
    // StatusDeleteDone is answered with CmdNak as a matter of course; resending
    // it would start the program's compaction again, so it is never resent.
    if (!last_.empty()) out.insert(out.end(), last_.begin(), last_.end());
    return;
  }
  if (HandleSetupCommand(command, out) || HandleNumberCommand(command, out)) return;
  if (!HandleTransferCommand(command, out)) Log("   ignored");
}

bool SimCamera::HandleSetupCommand(std::uint8_t command, Answers& out) {
  switch (command) {
    case CmdWake:
      return true;
    case CmdIdentify:
      ResetConversation();
      Send(MakeIdentification(settings_.model, settings_.writeProtected, FreeBytes(),
                              Saturate16(static_cast<std::uint32_t>(pictures_.size()))),
           "identification (model " + settings_.model + ")", out);
      return true;
    case CmdReset:
      ResetConversation();
      return true;
    case CmdSpeed115200:
    case CmdSpeed57600:
    case CmdSpeed19200: {
      const std::uint32_t speed = SpeedOfCommand(command);
      if (speed > settings_.maxSpeed) return true;  // a speed it cannot run: no answer
      speed_ = speed;
      Send(MakeStatusPacket(StatusAccepted, settings_.writeProtected), StatusName(StatusAccepted), out,
           true);
      return true;
    }
    case CmdSpeedConfirm: {
      const std::uint8_t status = settings_.mode == CameraMode::Photo ? StatusCameraReady
                                  : settings_.mode == CameraMode::Vcr ? StatusVcrMode
                                                                      : StatusNoCard;
      SendStatus(status, out);
      connected_ = status == StatusCameraReady;
      cardReportDue_ = false;
      if (!connected_) speed_ = kBaseSpeed;  // the program returns to 9600 and identifies again
      return true;
    }
    default:
      return false;
  }
}

bool SimCamera::HandleNumberCommand(std::uint8_t command, Answers& out) {
  const int digit = command & 0x0F;
  const int group = command & 0xF0;
  if (digit > 9 || (group != CmdDigitOnes && group != CmdDigitTens && group != CmdDigitHundreds))
    return false;
  digits_[group == CmdDigitOnes ? 0 : group == CmdDigitTens ? 1 : 2] = static_cast<std::uint8_t>(digit);
  SendStatus(StatusAccepted, out);
  return true;
}

bool SimCamera::HandleTransferCommand(std::uint8_t command, Answers& out) {
  switch (command) {
    case CmdSendIndex: StartIndex(out); return true;
    case CmdSendPicture: StartPicture(out); return true;
    case CmdAck: SendNextItemPacket(out); return true;
    case CmdNextEntry: NextEntry(out); return true;
    case CmdRestartEntry:
      if (transfer_ != Transfer::Index) return false;
      counter_ = 0;
      SendItemPacket(out);
      return true;
    case CmdDeleteBegin:
      marked_.clear();
      SendStatus(StatusAccepted, out);
      return true;
    case CmdDeletePicture:
      if (AddressedNumber() < pictures_.size()) marked_.insert(AddressedNumber());
      SendStatus(StatusAccepted, out);
      return true;
    case CmdDeleteEnd: FinishDelete(out); return true;
    case CmdEraseAll: EraseAll(out); return true;
    case CmdUploadFine: StartUpload(true, out); return true;
    case CmdUploadNormal: StartUpload(false, out); return true;
    case CmdLiveFrame: StartLiveFrame(out); return true;
    case CmdZoomCapture: StartZoom(out); return true;
    case CmdLiveStop:
    case CmdZoomStop:
      framesInRun_ = 0;
      [[fallthrough]];
    case CmdCancel:
      if (transfer_ == Transfer::Live || transfer_ == Transfer::Zoom) transfer_ = Transfer::None;
      return true;
    default:
      return false;
  }
}

void SimCamera::FinishDelete(Answers& out) {
  if (settings_.writeProtected) {
    SendStatus(StatusCardReport, out);
  } else {
    // Highest position first, so that the positions still to go stay valid.
    for (auto it = marked_.rbegin(); it != marked_.rend(); ++it)
      pictures_.erase(pictures_.begin() + static_cast<std::ptrdiff_t>(*it));
  }
  marked_.clear();
  transfer_ = Transfer::None;
  SendStatus(StatusDeleteDone, out);
  last_.clear();
}

void SimCamera::EraseAll(Answers& out) {
  if (settings_.writeProtected) SendStatus(StatusCardReport, out);
  else pictures_.clear();
  marked_.clear();
  transfer_ = Transfer::None;
  SendStatus(StatusDeleteDone, out);
  last_.clear();
}

ItemHeader SimCamera::CardHeader() const {
  ItemHeader header;
  const std::uint32_t free = FreeBytes();
  header.fineFree = Saturate16(free / kFineBytes);
  header.normalFree = Saturate16(free / kNormalBytes);
  header.pictureCount = Saturate16(static_cast<std::uint32_t>(pictures_.size()));
  header.time = {};
  return header;
}

bool SimCamera::CardFull(std::uint32_t pictureSize) const {
  if (settings_.memoryFullAfter >= 0 && uploadsTaken_ >= settings_.memoryFullAfter) return true;
  return pictures_.size() >= kMostPictures || pictureSize > kLargestPicture ||
         pictureSize + kNormalBytes > FreeBytes();
}

void SimCamera::Send(const Packet& packet, std::string description, Answers& out,
                     bool speedChange) {
  Transmission tx;
  tx.bytes.assign(packet.begin(), packet.end());
  tx.speed = speed_;
  tx.afterSpeedChange = speedChange;
  tx.description = std::move(description);
  // A card report going out anyway tells the news itself; another one ahead of it would repeat it.
  const bool isCardReport = packet[0] == kStatusMarker && packet[8] == StatusCardReport;
  if (cardReportDue_ && connected_ && !isCardReport) {
    Transmission report;
    const Packet reportPacket = MakeStatusPacket(StatusCardReport, settings_.writeProtected);
    report.bytes.assign(reportPacket.begin(), reportPacket.end());
    report.speed = speed_;
    report.description = std::string(StatusName(StatusCardReport)) +
                         (settings_.writeProtected ? " (write-protected)" : " (writable)");
    out.push_back(std::move(report));
  }
  if (connected_) cardReportDue_ = false;
  last_.assign(1, tx);
  out.push_back(std::move(tx));
}

void SimCamera::SendStatus(std::uint8_t status, Answers& out) {
  Send(MakeStatusPacket(status, settings_.writeProtected), StatusName(status), out);
}

void SimCamera::SendReply(std::uint8_t reply, Answers& out) {
  Transmission tx;
  tx.bytes.assign(1, reply);
  tx.speed = speed_;
  tx.description = ReplyName(reply);
  out.push_back(std::move(tx));
}

void SimCamera::Log(const std::string& line) const {
  if (log_) log_(line);
}

}  // namespace lumarel::sim
