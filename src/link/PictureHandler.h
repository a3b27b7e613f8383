// SPDX-License-Identifier: MIT
// The picture download (ResponseKind 1): the rest of the picture-number
// sequence, then one header and its data packets collected in the picture
// buffer, with progress, the free-capacity figures and the bad-packet
// recovery that re-sends the last command byte of the download.
#pragma once

#include "link/CameraLink.h"
#include "link/DownloadTakeOver.h"

namespace lumarel {

class PictureHandler final : public ResponseHandler {
 public:
  PictureHandler(CameraLink& link, DownloadTakeOver& takeOver);
  void Handle(const CameraPacket& packet) override;
  void Reset() override;

 private:
  void HandleStatus(const CameraPacket& packet);
  // False when the transfer ended here (the picture would not fit the buffer).
  bool TakeHeader(const CameraPacket& packet);
  void Append(const CameraPacket& packet);
  void Complete();
  void Reject();
  void EmptyBuffer();

  CameraLink& link_;
  DownloadTakeOver& takeOver_;
  std::uint32_t jpegSize_ = 0;
  int recoveries_ = 0;  // recoveries since the last good packet
  bool gaveUp_ = false;  // refusals are no longer answered until the next download
};

}  // namespace lumarel
