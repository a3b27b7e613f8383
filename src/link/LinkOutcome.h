// SPDX-License-Identifier: MIT
// How a link operation ended. Every operation started through LinkOperations
// ends exactly once with one of these; front ends decide from the kind, never
// from a message text.
#pragma once

#include <functional>
#include <string>

namespace lumarel {

enum class OutcomeKind {
  Done,            // the operation did what it was asked
  LineLost,        // the port hung up (unplugged adapter, closed terminal); reason says why
  CameraSilent,    // the camera stopped answering (a watchdog gave up), or none was found
  WriteProtected,  // refused before anything was sent: the card is write-protected
  MemoryFull,      // the camera's card has no room for the upload
  BadData,         // the camera's data could not be used; picture and what say which and why
  Cancelled,       // the user declined a question or closed the transfer
};

struct LinkOutcome {
  OutcomeKind kind = OutcomeKind::Done;
  std::string reason;  // LineLost: the device's reason; CameraSilent: what was not found
  int picture = -1;    // BadData: 0-based list position of the picture concerned, -1 none
  std::string what;    // BadData: what was wrong (the message the user was shown)

  static LinkOutcome Of(OutcomeKind kind) { return LinkOutcome{kind, {}, -1, {}}; }
  static LinkOutcome Bad(int picture, std::string what) {
    return LinkOutcome{OutcomeKind::BadData, {}, picture, std::move(what)};
  }
  bool Ok() const { return kind == OutcomeKind::Done; }
};

// "done", "line lost", "camera silent", ... for logs and messages.
const char* Describe(OutcomeKind kind);

using OperationDone = std::function<void(const LinkOutcome&)>;

// The operation running on the link; finishing events of one kind only end an
// operation of that kind (an index that completes does not end a download).
enum class Operation {
  None,
  Index,  // the link's start (or Reload): find the camera and read the picture list
  Download,
  Upload,
  DeletePictures,
  DeleteAll,
  Erase,
  LiveFrame,
  ZoomStill,
};

}  // namespace lumarel
