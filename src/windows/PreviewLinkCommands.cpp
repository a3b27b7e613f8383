// SPDX-License-Identifier: MIT
#include "windows/PreviewLinkCommands.h"

#include "link/CameraLink.h"
#include "link/LinkSetup.h"
#include "link/LinkTransfers.h"
#include "windows/ChildWindow.h"

namespace lumarel {

bool PreviewLinkCommands::Run(int id, ChildHost& host) {
  switch (id) {
    case kCmdDeletePage:
      transfers_.Delete().DeletePages();
      return true;
    case kCmdDeleteAll:
      transfers_.Delete().DeleteAll();
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
  // CmdReset and the timer that sets the link up again.
  link_.Setup().BeginReconnect();
}

void PreviewLinkCommands::Activated() {
  if (!link_.State().indexLoaded) return;
  link_.PurgePort();
  link_.DiscardPartialResponse();
}

}  // namespace lumarel
