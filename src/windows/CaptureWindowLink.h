// SPDX-License-Identifier: MIT
// What the picture windows ask of the camera link, as plain functions. Every
// function accepts null pointers, which stand for "no camera behind the
// windows", and then does nothing.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/Clock.h"

namespace lumarel {

class CameraLink;
class DownloadTarget;
class LinkOperations;
class Timers;

namespace windowlink {

struct EntryFacts {
  std::string label;     // "  1F: 01/12/31 9:05"
  std::string fileName;  // "1F01-12-31(9-5)"
  int width = 0;
  int height = 0;
  std::optional<LocalTime> time;  // the picture's own date (the list entry's TakenAt)
};

// Facts of list entry p; false when p is not a received entry.
bool Entry(const CameraLink* link, int p, EntryFacts& facts);

void CaptureCreated(LinkOperations* operations, DownloadTarget& target, Timers& timers);
void CaptureDestroyed(LinkOperations* operations, DownloadTarget& target);
void CaptureTimer(LinkOperations* operations, int id);
// The next picture of Data in from camera; -1 when none.
int ChooseNext(LinkOperations* operations);
// Starts picture p's download; `finished` learns whether the picture arrived.
void StartDownload(LinkOperations* operations, int p, std::function<void(bool arrived)> finished);

bool AutoSaveMode(const CameraLink* link);
void SetAutoSaveMode(LinkOperations* operations, bool on);
int DownloadsPending(const CameraLink* link);

void OpenfileTimer(LinkOperations* operations, int id);
// The disconnect dialog opens when a packet is still awaited.
void DisconnectIfAwaiting(LinkOperations* operations);

}  // namespace windowlink
}  // namespace lumarel
