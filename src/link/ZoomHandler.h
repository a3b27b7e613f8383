// SPDX-License-Identifier: MIT
// The zoom still (ResponseKind 3): 2160 data packets without a header, nine to
// a camera line, decoded into LivePhoto; the photo area is repainted every 36
// packets and the Live window's zoom button returns to its first face at the end.
#pragma once

#include "imageproc/ZoomDecode.h"
#include "link/CameraLink.h"
#include "link/LiveHandler.h"
#include "link/TransferServices.h"

namespace lumarel {

class ZoomHandler final : public ResponseHandler {
 public:
  ZoomHandler(CameraLink& link, const TransferServices& services, LiveFaces& faces);
  void Handle(const CameraPacket& packet) override;

 private:
  void Complete();
  void Reject();

  CameraLink& link_;
  const TransferServices& services_;
  LiveFaces& faces_;
  ZoomDecoderState decoder_;
};

}  // namespace lumarel
