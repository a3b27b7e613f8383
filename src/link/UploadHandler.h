// SPDX-License-Identifier: MIT
// The upload (ResponseKind 4): the camera paces the picture and then its
// preview with one-byte replies; each is answered with one 116-byte packet,
// and the upload ends with the new entry taken into the list or, when the
// card is full, discarded. Also the Openfile window's watchdog rule.
#pragma once

#include <cstdint>
#include <span>

#include "link/CameraLink.h"
#include "link/TransferServices.h"

namespace lumarel {

// What the Openfile window hands over for an upload.
struct UploadRequest {
  bool fine = true;
  std::span<const std::uint8_t> picture;      // the picture as an Exif JPEG file
  std::span<const std::uint8_t> preview;      // the 160 x 120 preview as a JPEG file
  PictureEntry entry;                         // the prepared next list entry
  std::span<const std::uint8_t> previewSlot;  // its thumbnail bitmap (header and rows)
};

class UploadHandler final : public ResponseHandler {
 public:
  UploadHandler(CameraLink& link, const TransferServices& services);
  void Handle(const CameraPacket& packet) override;
  void Reset() override;

  // Copies the data into the link's buffers, prepares entry n (the number of
  // received entries), arms the link and writes the upload command. False,
  // with a message and nothing sent, for a write-protected card, a full list
  // or data larger than the buffers.
  bool Start(const UploadRequest& request, Timers& openfileTimers);
  // Timer `id` of the Openfile window that runs the upload.
  void OnOpenfileTimer(int id);
  bool Running() const { return running_; }

 private:
  void SendHeaderReply();
  void SendCurrent();
  void SendPreviewHeader();
  void Done();
  void MemoryFull();
  // Back to 116-byte responses for the picture handler; the wait dialog closes.
  void Finish();
  void DiscardPreparedEntry();
  void Fail(const char* message);

  CameraLink& link_;
  const TransferServices& services_;
  Timers* timers_ = nullptr;
  bool running_ = false;
  bool replySinceTick_ = false;
  int naksInRow_ = 0;
  CameraPacket pictureHeader_{};
  bool pictureHeaderMade_ = false;
  std::uint16_t preparedEntry_ = 0;
};

}  // namespace lumarel
