// SPDX-License-Identifier: MIT
// The simulated camera as a pure state machine: bytes the program wrote go in,
// with the line speed the program's port runs at; the camera's answers come
// out, each with the speed the camera sends it at. No I/O, no time, no threads:
// tests drive it in-process and PtyTransport puts it behind a pseudo-terminal.
//
// The camera answers only after a command. It follows the speed commands
// (a speed above maxSpeed is never answered), keeps the addressed picture
// number from the digit commands, serves the index, pictures, live frames and
// zoom stills one packet per CmdAck, resends its last packet on CmdNak, deletes
// and erases, and takes uploads packet by packet with one-byte replies. A
// picture number it does not hold is refused with StatusNoPicture, again on
// every CmdNak and every new CmdSendPicture.
#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "Jpeg.h"
#include "Pictures.h"
#include "Protocol.h"

namespace lumarel::sim {

enum class CameraMode { Photo, Vcr, NoCard };

struct CameraSettings {
  std::string model = "931";                // three ASCII digits
  bool writeProtected = false;
  CameraMode mode = CameraMode::Photo;
  std::uint32_t maxSpeed = 115200;          // faster speed commands go unanswered
  int memoryFullAfter = -1;                 // uploads taken before the card is full; -1: never
  bool busyDuringLive = false;              // answer the 3rd frame of each live run with StatusBusy
  int badPreview = 0;                       // this index entry's preview (from 1) is not a JPEG; 0: none
  bool uploadNoReply = false;               // an upload command gets no answer
  int uploadSilentAfter = -1;               // upload packets answered before falling silent; -1: all
  int nakUploadAfter = -1;                  // upload packets taken before all get ReplyNak; -1: all
  int writeProtectAfter = -1;               // commands after identification before write protection
                                            // turns on; -1: never
  int truncatedPicture = 0;                 // this picture (from 1) keeps half its JPEG; 0: none
  std::uint32_t cardBytes = 8u << 20;       // card size; what pictures leave free is reported
  unsigned sceneSeed = 1;                   // varies the live scene
};

// One answer: a 116-byte packet, or one reply byte during an upload.
struct Transmission {
  std::vector<std::uint8_t> bytes;
  std::uint32_t speed = kBaseSpeed;  // the camera's line speed while it sends
  bool afterSpeedChange = false;     // answer to a speed command: due once the program has switched
  bool pictureData = false;          // a data packet of a picture download
  std::string description;           // for logs: "StatusAccepted", "DataPacket seq 3 (picture 2, 3/41)"

  bool IsPacket() const { return bytes.size() == kPacketSize; }
};

class SimCamera {
 public:
  SimCamera(CameraSettings settings, std::vector<StoredPicture> pictures);

  // Bytes the program wrote while its port ran at lineSpeed; the camera's answers in order.
  std::vector<Transmission> Receive(const std::uint8_t* data, std::size_t size,
                                    std::uint32_t lineSpeed);
  std::vector<Transmission> Receive(std::uint8_t command, std::uint32_t lineSpeed) {
    return Receive(&command, 1, lineSpeed);
  }
  // The line stayed quiet in the middle of an upload packet: the partial packet is
  // dropped and answered with ReplyNak. Nothing otherwise.
  std::vector<Transmission> LineIdle();

  // Run-time changes, as a user would make them on the camera.
  void SetMode(CameraMode mode) { settings_.mode = mode; }
  // Changes the write-protect switch; a connected camera reports it with
  // StatusCardReport ahead of its next answer.
  void SetWriteProtected(bool writeProtected);

  // Receives every line of the camera's own log ("rx CmdSendPicture at 115200").
  void SetLog(std::function<void(const std::string&)> log) { log_ = std::move(log); }

  std::uint32_t Speed() const { return speed_; }
  CameraMode Mode() const { return settings_.mode; }
  bool WriteProtected() const { return settings_.writeProtected; }
  bool Connected() const { return connected_; }
  bool Uploading() const { return transfer_ == Transfer::Upload; }
  std::uint16_t AddressedNumber() const;
  const std::vector<StoredPicture>& Pictures() const { return pictures_; }
  std::uint32_t FreeBytes() const;

 private:
  enum class Transfer { None, Index, Picture, Live, Zoom, Upload };
  enum class UploadPhase { PictureHeader, PictureData, PreviewHeader, PreviewData };
  using Answers = std::vector<Transmission>;

  void HandleByte(std::uint8_t byte, std::uint32_t lineSpeed, Answers& out);
  void HandleCommand(std::uint8_t command, Answers& out);
  bool HandleSetupCommand(std::uint8_t command, Answers& out);
  bool HandleNumberCommand(std::uint8_t command, Answers& out);
  bool HandleTransferCommand(std::uint8_t command, Answers& out);
  void ResetConversation();

  // Items: index entries and pictures, header then data packets.
  void StartIndex(Answers& out);
  void StartIndexEntry(std::size_t position, Answers& out);
  void StartPicture(Answers& out);
  void SendNextItemPacket(Answers& out);
  void SendItemPacket(Answers& out);
  void NextEntry(Answers& out);
  ItemHeader HeaderFor(const StoredPicture& picture) const;
  ItemHeader CardHeader() const;

  // Live frames and zoom stills.
  void StartLiveFrame(Answers& out);
  void StartZoom(Answers& out);
  void SendLivePacket(Answers& out);

  // Deleting.
  void FinishDelete(Answers& out);
  void EraseAll(Answers& out);

  // Uploads.
  void StartUpload(bool fine, Answers& out);
  void CollectUploadByte(std::uint8_t byte, Answers& out);
  void HandleUploadPacket(const Packet& packet, Answers& out);
  void UploadHeader(const Packet& packet, Answers& out);
  void UploadData(const Packet& packet, Answers& out);
  void StoreUpload();
  bool CardFull(std::uint32_t pictureSize) const;

  // Fault switches (SimCameraFaults.cpp).
  void TruncatePicture();
  void CountForWriteProtect(std::uint8_t command);
  bool UploadNaksFromNow() const;

  void Send(const Packet& packet, std::string description, Answers& out, bool speedChange = false);
  void SendStatus(std::uint8_t status, Answers& out);
  void SendReply(std::uint8_t reply, Answers& out);
  void Log(const std::string& line) const;
  // --upload-silent-after: the running upload has had all the answers it gets.
  bool UploadFellSilent() const {
    return settings_.uploadSilentAfter >= 0 && uploadPacketsSeen_ >= settings_.uploadSilentAfter;
  }

  CameraSettings settings_;
  std::vector<StoredPicture> pictures_;
  std::function<void(const std::string&)> log_;

  std::uint32_t speed_ = kBaseSpeed;
  bool connected_ = false;         // camera ready was reported since the last reset
  bool cardReportDue_ = false;
  std::uint8_t digits_[3] = {0, 0, 0};  // units, tens, hundreds
  std::set<std::size_t> marked_;        // positions to delete at CmdDeleteEnd

  Transfer transfer_ = Transfer::None;
  std::size_t position_ = 0;            // index entry or picture being sent
  std::uint32_t counter_ = 0;           // packet of the current item (0 = header)
  std::vector<std::uint8_t> badPreviewData_;  // what --bad-preview serves instead of a JPEG
  int uploadPacketsSeen_ = 0;           // packets of the running upload
  int commandsSinceIdentify_ = -1;      // for --write-protect-after; -1: no identification yet
  std::uint32_t packets_ = 0;           // data packets of the current item
  const std::vector<std::uint8_t>* itemData_ = nullptr;
  Packet itemHeader_{};
  std::string itemName_;

  RgbImage liveImage_;
  unsigned liveFrameNumber_ = 0;
  int framesInRun_ = 0;

  UploadPhase uploadPhase_ = UploadPhase::PictureHeader;
  bool uploadFine_ = true;
  std::vector<std::uint8_t> partial_;   // bytes of the upload packet being collected
  std::uint32_t uploadSize_ = 0;
  PictureTime uploadTime_;
  std::vector<std::uint8_t> uploadPicture_;
  std::vector<std::uint8_t> uploadPreview_;
  int uploadsTaken_ = 0;

  std::vector<Transmission> last_;      // the last packet sent, for CmdNak (empty: none to resend)
};

}  // namespace lumarel::sim
