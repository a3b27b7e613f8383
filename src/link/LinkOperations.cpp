// SPDX-License-Identifier: MIT
#include "link/LinkOperations.h"

#include "link/CameraLink.h"
#include "link/DeleteOps.h"
#include "link/LinkSetup.h"
#include "link/LinkTexts.h"
#include "link/LinkTransfers.h"

namespace lumarel {

const char* Describe(OutcomeKind kind) {
  switch (kind) {
    case OutcomeKind::Done: return "done";
    case OutcomeKind::LineLost: return "line lost";
    case OutcomeKind::CameraSilent: return "camera silent";
    case OutcomeKind::WriteProtected: return "write-protected";
    case OutcomeKind::MemoryFull: return "memory full";
    case OutcomeKind::BadData: return "bad data";
    case OutcomeKind::Cancelled: return "cancelled";
  }
  return "?";
}

LinkOperations::LinkOperations(CameraLink& link, LinkTransfers& transfers)
    : link_(link), transfers_(transfers) {}

bool LinkOperations::Begin(Operation kind, OperationDone done) {
  link_.BeginOperation(kind, std::move(done));
  if (!link_.LineIsLost()) return true;
  LinkOutcome outcome = LinkOutcome::Of(OutcomeKind::LineLost);
  outcome.reason = link_.LineLostReason();
  Finish(kind, outcome);
  return false;
}

void LinkOperations::Finish(Operation kind, LinkOutcome outcome) {
  link_.FinishOperation(kind, outcome);
}

void LinkOperations::Index(OperationDone done) {
  link_.BeginOperation(Operation::Index, std::move(done));
  link_.Start();
}

void LinkOperations::Reload(OperationDone done) {
  link_.BeginOperation(Operation::Index, std::move(done));
  link_.Setup().BeginReconnect();
}

void LinkOperations::Download(int n, DownloadTarget& target, Timers& captureTimers,
                              OperationDone done) {
  if (!Begin(Operation::Download, std::move(done))) return;
  PictureList& list = link_.Pictures();
  if (n < 0 || n >= list.receivedEntries) {
    Finish(Operation::Download, LinkOutcome::Bad(n, "no such picture"));
    return;
  }
  // As a single picture selected in the Preview window.
  list.currentPicture = static_cast<std::int16_t>(n);
  list.selectedCount = 1;
  list.downloadsPending = 0;
  list.autoSaveMode = false;
  DownloadControl& control = transfers_.Download();
  control.CaptureWindowCreated(target, captureTimers);
  const int chosen = control.ChooseNext();
  if (chosen < 0 || !control.Start(chosen)) {
    Finish(Operation::Download, LinkOutcome::Bad(n, "no such picture"));
  }
}

void LinkOperations::DownloadSelected(int n, OperationDone done) {
  if (!Begin(Operation::Download, std::move(done))) return;
  if (n < 0 || n >= link_.Pictures().receivedEntries || !transfers_.Download().Start(n)) {
    Finish(Operation::Download, LinkOutcome::Bad(n, "no such picture"));
  }
}

void LinkOperations::EndDownload(DownloadTarget& target) {
  transfers_.Download().CaptureWindowDestroyed(target);
}

void LinkOperations::AttachCapture(DownloadTarget& target, Timers& captureTimers) {
  transfers_.Download().CaptureWindowCreated(target, captureTimers);
}

void LinkOperations::CaptureTimer(int id) { transfers_.Download().OnCaptureTimer(id); }

int LinkOperations::NextSelected() { return transfers_.Download().ChooseNext(); }

void LinkOperations::SetAutoSave(bool on) { link_.Pictures().autoSaveMode = on; }

void LinkOperations::DisconnectIfAwaiting() {
  if (link_.State().awaitingPacket) link_.OpenDisconnectDialog();
}

void LinkOperations::DropPendingAnswers() {
  link_.PurgePort();
  link_.DiscardPartialResponse();
}

void LinkOperations::OpenfileTimer(int id) { transfers_.Upload().OnOpenfileTimer(id); }

void LinkOperations::Upload(const UploadRequest& request, Timers& openfileTimers,
                            OperationDone done) {
  if (!Begin(Operation::Upload, std::move(done))) return;
  if (transfers_.Upload().Start(request, openfileTimers)) return;
  Finish(Operation::Upload, link_.State().writeProtected
                                ? LinkOutcome::Of(OutcomeKind::WriteProtected)
                                : LinkOutcome::Bad(-1, text::kFileSizeWrong));
}

void LinkOperations::DeletePictures(const std::vector<int>& positions, OperationDone done) {
  if (!Begin(Operation::DeletePictures, std::move(done))) return;
  PictureList& list = link_.Pictures();
  for (int n : positions) {
    if (n < 0 || n >= list.receivedEntries) {
      Finish(Operation::DeletePictures, LinkOutcome::Bad(n, "no such picture"));
      return;
    }
  }
  if (positions.empty()) {
    Finish(Operation::DeletePictures, LinkOutcome::Of(OutcomeKind::Done));
    return;
  }
  for (PictureEntry& entry : list.entries) entry.selectionMark = 0;
  for (int n : positions) list.entries[n].selectionMark = 1;
  list.selectedCount = static_cast<std::uint16_t>(positions.size());
  list.currentPicture = static_cast<std::int16_t>(positions.back());
  if (transfers_.Delete().DeletePages()) return;
  Finish(Operation::DeletePictures, LinkOutcome::Of(link_.State().writeProtected
                                                        ? OutcomeKind::WriteProtected
                                                        : OutcomeKind::Cancelled));
}

void LinkOperations::DeleteAll(OperationDone done) {
  if (!Begin(Operation::DeleteAll, std::move(done))) return;
  if (link_.Pictures().pictureCount == 0) {
    Finish(Operation::DeleteAll, LinkOutcome::Of(OutcomeKind::Done));  // nothing to delete
    return;
  }
  if (transfers_.Delete().DeleteAll()) return;
  Finish(Operation::DeleteAll, LinkOutcome::Of(link_.State().writeProtected
                                                   ? OutcomeKind::WriteProtected
                                                   : OutcomeKind::Cancelled));
}

void LinkOperations::Erase(OperationDone done) {
  if (!Begin(Operation::Erase, std::move(done))) return;
  if (link_.State().writeProtected) {
    // The camera would take CmdEraseAll and erase nothing.
    link_.Messages().Show(kWriteProtected, text::kWarning, MessageButtons::Ok,
                          MessageIcon::Exclamation);
    Finish(Operation::Erase, LinkOutcome::Of(OutcomeKind::WriteProtected));
    return;
  }
  if (!transfers_.Delete().FlashAllErase()) {
    Finish(Operation::Erase, LinkOutcome::Of(OutcomeKind::Cancelled));
  }
}

void LinkOperations::LiveFrame(OperationDone done) {
  if (!Begin(Operation::LiveFrame, std::move(done))) return;
  LiveControl& live = transfers_.Live();
  live.Activated();
  if (!link_.State().liveActive) live.LiveButtonNotified(true, true);
  if (!link_.State().liveActive) {
    // Not connected, or a still is being taken: nothing was asked for.
    Finish(Operation::LiveFrame, LinkOutcome::Of(OutcomeKind::Cancelled));
  }
}

bool LinkOperations::StopLive() {
  const bool zoomStopped = transfers_.Live().StopStream();
  link_.FinishOperation(Operation::ZoomStill, LinkOutcome::Of(OutcomeKind::Cancelled));
  return zoomStopped;
}

void LinkOperations::LiveButton(bool selected, bool selectionChanged) {
  transfers_.Live().LiveButtonNotified(selected, selectionChanged);
}

void LinkOperations::ZoomButton(bool selected, bool selectionChanged, OperationDone done) {
  const bool wasTaking = link_.State().zoomActive;
  transfers_.Live().ZoomButtonNotified(selected, selectionChanged);
  const bool taking = link_.State().zoomActive;
  if (!wasTaking && taking) link_.BeginOperation(Operation::ZoomStill, std::move(done));
  if (wasTaking && !taking) {
    link_.FinishOperation(Operation::ZoomStill, LinkOutcome::Of(OutcomeKind::Cancelled));
  }
}

void LinkOperations::LivePainted() { transfers_.Live().Painted(); }

void LinkOperations::LiveActivated() { transfers_.Live().Activated(); }

bool LinkOperations::LiveFrameOutstanding() const { return transfers_.Live().FrameOutstanding(); }

const LiveFaces& LinkOperations::LiveButtonFaces() const { return transfers_.Live().Faces(); }

void LinkOperations::ZoomStill(OperationDone done) {
  if (!Begin(Operation::ZoomStill, std::move(done))) return;
  LiveControl& live = transfers_.Live();
  live.Activated();
  // A click on the zoom button: the press stops the live picture, the release asks for the still.
  live.ZoomButtonNotified(true, true);
  live.ZoomButtonNotified(false, true);
  if (!link_.State().zoomActive) {
    Finish(Operation::ZoomStill, LinkOutcome::Of(OutcomeKind::Cancelled));
  }
}

void LinkOperations::Cancel() {
  // An upload really stops; a delete already sent runs to the camera's report,
  // which still brings the list up to date.
  transfers_.Upload().Cancel();
  link_.FinishOperation(Operation::None, LinkOutcome::Of(OutcomeKind::Cancelled));
}

}  // namespace lumarel
