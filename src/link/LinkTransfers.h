// SPDX-License-Identifier: MIT
// The transfers built on the link core, in one object the front end creates
// after the CameraLink: it installs the picture, live frame, zoom and upload
// handlers and the delete hooks, and gives the windows their entry points.
#pragma once

#include "link/CameraLink.h"
#include "link/DeleteOps.h"
#include "link/DownloadControl.h"
#include "link/LinkOperations.h"
#include "link/LiveButtons.h"
#include "link/TransferServices.h"
#include "link/UploadHandler.h"

namespace lumarel {

class LinkTransfers {
 public:
  LinkTransfers(CameraLink& link, TransferServices services);
  // Takes its handlers and delete hooks out of the link again.
  ~LinkTransfers();
  LinkTransfers(const LinkTransfers&) = delete;
  LinkTransfers& operator=(const LinkTransfers&) = delete;

  DownloadControl& Download() { return download_; }
  DeleteOps& Delete() { return delete_; }
  UploadHandler& Upload() { return *upload_; }
  LiveControl& Live() { return live_; }
  TransferServices& Services() { return services_; }
  // The typed entry points front ends use (see LinkOperations).
  LinkOperations& Operations() { return operations_; }

 private:
  CameraLink& link_;
  TransferServices services_;
  DownloadControl download_;
  DeleteOps delete_;
  LiveControl live_;
  UploadHandler* upload_ = nullptr;  // owned by the link
  LinkOperations operations_{link_, *this};
};

}  // namespace lumarel
