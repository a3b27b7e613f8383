// SPDX-License-Identifier: MIT
// Delete Page, Delete All and Flash All Erase: what is sent, the page-by-page
// walk through the selected pictures (the one clicked last first, then the
// others from the highest position down), and the compaction of the picture
// list when the camera reports that deleting is done. Deleting runs with
// ResponseKind 0; its status steps reach this code through the index
// handler's delete hooks.
#pragma once

#include "link/CameraLink.h"

namespace lumarel {

inline constexpr char kWriteProtected[] =
    "The card is write protected.\nSlide the switch on the card to the \"UNLOCK\" "
    "position.\nThen,perform Reload after the card into the slot.";

class DeleteOps {
 public:
  explicit DeleteOps(CameraLink& link);

  // Delete Page (40010): refuses a write-protected card, asks "Delete selected
  // page?", credits the free capacity for the picture clicked last, sends
  // CmdDeleteBegin and opens PERASE_PROC. False when nothing was sent.
  bool DeletePages();
  // Delete All (40013): refuses a write-protected card, asks "Delete all
  // pages?", marks every picture for removal, sends CmdEraseAll, PERASE_PROC.
  bool DeleteAll();
  // Flash All Erase (40008): refuses a write-protected card, asks "Delete all
  // Flash memory?" and sends CmdEraseAll. Every picture is marked: once the
  // camera reports the erase done the list is empty, as the card is.
  bool FlashAllErase();
  // CmdEraseAll with the index handler taking the camera's reports; nothing asked.
  void SendEraseAll();
  // A delete or erase is under way (the Preview watchdog watches it).
  bool Active() const { return link_.State().deleteActive; }

  // StatusAccepted during a page-by-page delete.
  void OnAccepted();
  // StatusDeleteDone: the list loses every entry marked 2 - unless the camera
  // reported its card write-protected on the way, in which case it deleted
  // nothing and the list stays as it was.
  void OnDeleteDone();
  // StatusCardReport while deleting.
  void OnCardReport(bool writeProtected);

 private:
  bool RefuseWriteProtected();
  bool Confirm(const char* question, const char* caption);
  void CreditFreeCapacity();
  void Compact();
  void UpdatePreviewWindow();
  void AnswerAsRejected();
  // Marks sent, watchdog armed, PERASE_PROC open.
  void Started();
  void RefusedByCard();

  CameraLink& link_;
  bool refusedByCard_ = false;
  FreeCapacity capacityBefore_;
};

// A default file name "%dF..." or "%dN..." renumbered for list position `number`.
Label RenumberFileName(const Label& name, int number);

}  // namespace lumarel
