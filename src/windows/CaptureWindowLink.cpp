// SPDX-License-Identifier: MIT
#include "windows/CaptureWindowLink.h"

#include <cstring>

#include "link/LinkOperations.h"
#include "link/LinkTransfers.h"

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

void CaptureCreated(LinkTransfers* transfers, DownloadTarget& target, Timers& timers) {
  if (transfers) transfers->Download().CaptureWindowCreated(target, timers);
}

void CaptureDestroyed(LinkTransfers* transfers, DownloadTarget& target) {
  if (transfers) transfers->Download().CaptureWindowDestroyed(target);
}

void CaptureTimer(LinkTransfers* transfers, int id) {
  if (transfers) transfers->Download().OnCaptureTimer(id);
}

int ChooseNext(LinkTransfers* transfers) {
  return transfers ? transfers->Download().ChooseNext() : -1;
}

void StartDownload(LinkTransfers* transfers, int p, std::function<void(bool arrived)> finished) {
  if (!transfers) return;
  transfers->Operations().DownloadSelected(
      p, [finished = std::move(finished)](const LinkOutcome& outcome) {
        if (finished) finished(outcome.Ok());
      });
}

bool AutoSaveMode(const CameraLink* link) { return link && link->Pictures().autoSaveMode; }

void SetAutoSaveMode(CameraLink* link, bool on) {
  if (link) link->Pictures().autoSaveMode = on;
}

int DownloadsPending(const CameraLink* link) {
  return link ? link->Pictures().downloadsPending : 0;
}

void OpenfileTimer(LinkTransfers* transfers, int id) {
  if (transfers) transfers->Upload().OnOpenfileTimer(id);
}

bool AwaitingPacket(const CameraLink* link) { return link && link->State().awaitingPacket; }

void OpenDisconnectDialog(CameraLink* link) {
  if (link) link->OpenDisconnectDialog();
}

}  // namespace lumarel::windowlink
