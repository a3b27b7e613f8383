// SPDX-License-Identifier: MIT
#include "windows/PreviewLinkCommands.h"

#include <vector>

#include "link/CameraLink.h"
#include "link/LinkOperations.h"
#include "windows/ChildWindow.h"

namespace lumarel {

namespace {
// The window reacts to what the link shows and to the list it changes; the
// outcome itself needs nothing more from it.
void Ignore(const LinkOutcome&) {}
}  // namespace

bool PreviewLinkCommands::Run(int id, ChildHost& host) {
  switch (id) {
    case kCmdDeletePage:
      DeleteSelected();
      return true;
    case kCmdDeleteAll:
      operations_.DeleteAll(Ignore);
      return true;
    case kCmdReload:
      Reload(host);
      return true;
    default:
      return false;
  }
}

void PreviewLinkCommands::Reload(ChildHost& host) {
  if (host.Messages().Show(kReloadQuestion, kReloadCaption, MessageButtons::OkCancel,
                           MessageIcon::Question) != MessageAnswer::Ok) {
    return;
  }
  for (int item : {kCmdReload, kCmdDataIn, kCmdDeletePage, kCmdSaveAs, kCmdDeleteAll}) {
    host.SetCurrentMenuItemEnabled(item, false);
  }
  // Status, progress bar, wait dialog, port buffers, the fresh list state,
  // CmdReset and the timer that sets the link up again. Picture windows are
  // closed on the way; a downloaded picture never saved is asked about.
  operations_.Reload(Ignore);
}

void PreviewLinkCommands::DeleteSelected() {
  const PictureList& list = link_.Pictures();
  const int current = list.currentPicture;
  if (current < 0 || current >= list.receivedEntries) return;
  // The picture clicked last goes last: it is deleted first.
  std::vector<int> positions;
  for (int p = 0; p < list.receivedEntries; ++p)
    if (p != current && list.entries[static_cast<std::size_t>(p)].selectionMark == 1)
      positions.push_back(p);
  positions.push_back(current);
  operations_.DeletePictures(positions, Ignore);
}

void PreviewLinkCommands::Activated() {
  if (link_.State().indexLoaded) operations_.DropPendingAnswers();
}

}  // namespace lumarel
