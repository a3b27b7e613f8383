// SPDX-License-Identifier: MIT
#include "windows/CaptureWindowLink.h"

#include <cstring>

#include "link/LinkOperations.h"

namespace lumarel::windowlink {
namespace {

std::string Text(const Label& label) {
  return std::string(label.data(), strnlen(label.data(), label.size()));
}

}  // namespace

bool Entry(const CameraLink* link, int p, EntryFacts& facts) {
  if (!link || p < 0 || p >= link->Pictures().receivedEntries || p >= kMaxPictures) return false;
  const PictureEntry& entry = link->Pictures().entries[static_cast<std::size_t>(p)];
  facts = EntryFacts{Text(entry.label), Text(entry.fileName), entry.width, entry.height,
                     entry.TakenAt()};
  return true;
}

void CaptureCreated(LinkOperations* operations, DownloadTarget& target, Timers& timers) {
  if (operations) operations->AttachCapture(target, timers);
}

void CaptureDestroyed(LinkOperations* operations, DownloadTarget& target) {
  if (operations) operations->EndDownload(target);
}

void CaptureTimer(LinkOperations* operations, int id) {
  if (operations) operations->CaptureTimer(id);
}

int ChooseNext(LinkOperations* operations) { return operations ? operations->NextSelected() : -1; }

void StartDownload(LinkOperations* operations, int p, std::function<void(bool arrived)> finished) {
  if (!operations) return;
  operations->DownloadSelected(
      p, [finished = std::move(finished)](const LinkOutcome& outcome) {
        if (finished) finished(outcome.Ok());
      });
}

bool AutoSaveMode(const CameraLink* link) { return link && link->Pictures().autoSaveMode; }

void SetAutoSaveMode(LinkOperations* operations, bool on) {
  if (operations) operations->SetAutoSave(on);
}

int DownloadsPending(const CameraLink* link) {
  return link ? link->Pictures().downloadsPending : 0;
}

void OpenfileTimer(LinkOperations* operations, int id) {
  if (operations) operations->OpenfileTimer(id);
}

void DisconnectIfAwaiting(LinkOperations* operations) {
  if (operations) operations->DisconnectIfAwaiting();
}

}  // namespace lumarel::windowlink
