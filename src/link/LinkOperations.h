// SPDX-License-Identifier: MIT
// The operations a front end starts on the link, one entry point each. Every
// call ends exactly once with a LinkOutcome passed to `done` (at once when the
// operation is refused before anything is sent, else from the event loop when
// the camera's answers, a watchdog, a hang-up or the user end it). Only one
// operation runs at a time; starting another ends the first as cancelled.
// The messages the program shows on the way still go through the Notifier and
// LinkUi exactly as in the windows; the outcome is what callers decide from.
#pragma once

#include <vector>

#include "link/LinkOutcome.h"
#include "link/LiveHandler.h"
#include "link/UploadHandler.h"

namespace lumarel {

class CameraLink;
class LinkTransfers;
class DownloadTarget;
class Timers;

class LinkOperations {
 public:
  LinkOperations(CameraLink& link, LinkTransfers& transfers);

  // Start of the link: port scan, identification, speed, picture list.
  void Index(OperationDone done);
  // Reload: the reconnect sequence, then the picture list again.
  void Reload(OperationDone done);
  // Picture n (0-based) into target, as a single picture selected in the
  // Preview window; captureTimers drive the download's watchdog. The target
  // stays attached until the caller calls EndDownload (its window goes).
  void Download(int n, DownloadTarget& target, Timers& captureTimers, OperationDone done);
  void EndDownload(DownloadTarget& target);
  // Picture n of the Preview window's selection into the Capture window that
  // is already attached (the selection and its chain stay as they are).
  void DownloadSelected(int n, OperationDone done);
  // The Capture window that a chain of selected pictures fills: attached when
  // it is made, detached when it goes; its timer drives the download's
  // watchdog. NextSelected is the next picture of the selection (-1: none).
  void AttachCapture(DownloadTarget& target, Timers& captureTimers);
  void CaptureTimer(int id);
  int NextSelected();
  // Sends a picture to the camera; openfileTimers drive the upload's watchdog.
  void Upload(const UploadRequest& request, Timers& openfileTimers, OperationDone done);
  // Deletes the pictures at these 0-based positions (the last one as if clicked last).
  void DeletePictures(const std::vector<int>& positions, OperationDone done);
  // Deletes every picture; an empty card is done with nothing sent.
  void DeleteAll(OperationDone done);
  // Erases the whole card memory; a write-protected card is refused first.
  void Erase(OperationDone done);
  // Starts the live picture (when it is not running) and ends with the next whole frame.
  void LiveFrame(OperationDone done);
  // Stops the live picture and zoom still (the Live window loses focus).
  // True when a still was being taken.
  bool StopLive();
  // Takes one 640 x 480 still (a click on the zoom button).
  void ZoomStill(OperationDone done);
  // The Live window's buttons as the user presses and releases them. A zoom
  // release that asks for a still begins ZoomStill with `done`; a press that
  // cancels the still ends it as cancelled.
  void LiveButton(bool selected, bool selectionChanged);
  void ZoomButton(bool selected, bool selectionChanged, OperationDone done);
  // The Live window painted a frame (the next is asked for), became active,
  // or asks whether a frame it asked for is still on its way.
  void LivePainted();
  void LiveActivated();
  bool LiveFrameOutstanding() const;
  const LiveFaces& LiveButtonFaces() const;
  // The Preview window's multi-picture Save As: each downloaded picture is
  // saved and its window closed before the next is fetched.
  void SetAutoSave(bool on);
  // An Openfile window's check: when a packet is still awaited, the
  // disconnect dialog opens.
  void DisconnectIfAwaiting();
  // Whatever the camera sent for another window is dropped (the Preview
  // window became active).
  void DropPendingAnswers();
  // Timer `id` of the Openfile window (the upload's watchdog).
  void OpenfileTimer(int id);
  // The user gave up (closed the wait dialog): the running operation ends as
  // cancelled, and an upload stops sending.
  void Cancel();

 private:
  // Begins `kind`; false (and `done` already called with line lost) when the
  // port has hung up and nothing can be sent.
  bool Begin(Operation kind, OperationDone done);
  void Finish(Operation kind, LinkOutcome outcome);

  CameraLink& link_;
  LinkTransfers& transfers_;
};

}  // namespace lumarel
