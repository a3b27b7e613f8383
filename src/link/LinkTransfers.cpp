// SPDX-License-Identifier: MIT
#include "link/LinkTransfers.h"

#include "link/IndexHandler.h"

namespace lumarel {

LinkTransfers::LinkTransfers(CameraLink& link, TransferServices services)
    : link_(link),
      services_(services), download_(link, services_), delete_(link), live_(link, services_) {
  auto upload = std::make_unique<UploadHandler>(link, services_);
  upload_ = upload.get();
  link.SetHandler(ResponseKind::UploadReply, std::move(upload));
}

LinkTransfers::~LinkTransfers() {
  for (ResponseKind kind : {ResponseKind::Picture, ResponseKind::LiveFrame,
                            ResponseKind::ZoomPicture, ResponseKind::UploadReply}) {
    link_.SetHandler(kind, nullptr);
  }
  link_.Index().SetDeleteHooks({});
}

}  // namespace lumarel
