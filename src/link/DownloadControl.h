// SPDX-License-Identifier: MIT
// Entry points of picture downloads for the Preview and Capture windows:
// choosing the next picture, starting its download, the Capture window's
// creation (download active, watchdog) and its early close, and the window's
// timer. Installs the picture handler for ResponseKind 1.
#pragma once

#include <memory>

#include "link/CameraLink.h"
#include "link/DownloadTakeOver.h"
#include "link/LinkWatchdog.h"
#include "link/TransferServices.h"

namespace lumarel {

class DownloadControl {
 public:
  DownloadControl(CameraLink& link, const TransferServices& services);

  // The picture "Data in from camera" fetches next (Preview window): the one
  // clicked last when fewer than two are selected, otherwise the next selected
  // one in ascending order, counting down DownloadsPending. -1 when none.
  int ChooseNext();

  // The Capture window for a download was created with its picture block
  // (width x height x 3 + 100 bytes) and its own timers: the download becomes
  // active and the window's watchdog starts.
  void CaptureWindowCreated(DownloadTarget& target, Timers& windowTimers);
  // Addresses picture n and opens DATA_TRANS unless a wait dialog is open.
  // False (nothing sent) when n is not a listed picture.
  bool Start(int n);
  // The Capture window is being destroyed; a download still running is dropped.
  void CaptureWindowDestroyed(DownloadTarget& target);
  // Timer `id` of the Capture window that is being filled.
  void OnCaptureTimer(int id);

  DownloadTakeOver& TakeOver() { return takeOver_; }

 private:
  CameraLink& link_;
  DownloadTakeOver takeOver_;
  std::unique_ptr<LinkWatchdog> watchdog_;
};

}  // namespace lumarel
