// SPDX-License-Identifier: MIT
#include "link/DeleteOps.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "link/IndexHandler.h"
#include "link/LinkTexts.h"
#include "link/LinkWatchdog.h"

namespace lumarel {

namespace {
inline constexpr std::size_t kLabelNumberWidth = 3;  // "%3d" stays with the position
}

Label RenumberFileName(const Label& name, int number) {
  std::size_t digits = 0;
  while (digits < name.size() && std::isdigit(static_cast<unsigned char>(name[digits]))) ++digits;
  if (digits == 0 || name[digits] == '\0') return name;
  Label renamed{};
  std::snprintf(renamed.data(), renamed.size(), "%d%s", number, name.data() + digits);
  return renamed;
}

DeleteOps::DeleteOps(CameraLink& link) : link_(link) {
  link_.Index().SetDeleteHooks({[this] { OnAccepted(); }, [this] { OnDeleteDone(); },
                                [this](bool writeProtected) { OnCardReport(writeProtected); }});
}

void DeleteOps::Started() {
  refusedByCard_ = false;
  link_.State().deleteActive = true;
  link_.State().awaitingPacket = true;
  link_.PreviewWatchdog().Arm();
}

void DeleteOps::OnCardReport(bool writeProtected) {
  if (Active() && writeProtected) refusedByCard_ = true;
}

bool DeleteOps::RefuseWriteProtected() {
  if (!link_.State().writeProtected) return false;
  link_.Messages().Show(kWriteProtected, text::kWarning, MessageButtons::Ok,
                        MessageIcon::Exclamation);
  return true;
}

bool DeleteOps::Confirm(const char* question, const char* caption) {
  return link_.Messages().Show(question, caption, MessageButtons::OkCancel,
                               MessageIcon::Question) == MessageAnswer::Ok;
}

bool DeleteOps::DeletePages() {
  PictureList& list = link_.Pictures();
  if (list.currentPicture < 0 || list.currentPicture >= list.receivedEntries) return false;
  if (RefuseWriteProtected() || !Confirm("Delete selected page?", "DELETE PAGE")) return false;
  LinkState& s = link_.State();
  capacityBefore_ = list.freeCapacity;
  s.deleteMode = 1;
  s.digitStep = 5;
  s.responseKind = ResponseKind::Index;
  link_.WriteCommand(CmdDeleteBegin);
  list.downloadsPending = list.selectedCount;
  s.currentPictureNumber = static_cast<std::uint16_t>(list.currentPicture);
  CreditFreeCapacity();
  Started();
  link_.OpenWaitDialog(WaitDialogKind::Erase);
  return true;
}

void DeleteOps::CreditFreeCapacity() {
  PictureList& list = link_.Pictures();
  FreeCapacity& free = list.freeCapacity;
  if (list.entries[list.currentPicture].label[3] == 'F') {
    free.fine = static_cast<std::uint16_t>(free.fine + 1);
    free.normal = static_cast<std::uint16_t>(free.normal + 2);
  } else {
    free.normal = static_cast<std::uint16_t>(free.normal + 1);
    if (free.normal % 2 == 0) free.fine = static_cast<std::uint16_t>(free.fine + 1);
  }
}

bool DeleteOps::DeleteAll() {
  if (RefuseWriteProtected() || !Confirm("Delete all pages?", "DELETE ALL")) return false;
  PictureList& list = link_.Pictures();
  capacityBefore_ = list.freeCapacity;
  const int count = std::min<int>(list.pictureCount, kMaxPictures);
  for (int i = 0; i < count; ++i) list.entries[i].selectionMark = 2;
  list.freeCapacity = {1, 1};
  link_.State().responseKind = ResponseKind::Index;
  link_.WriteCommand(CmdEraseAll);
  Started();
  link_.OpenWaitDialog(WaitDialogKind::Erase);
  return true;
}

bool DeleteOps::FlashAllErase() {
  if (RefuseWriteProtected() || !Confirm("Delete all Flash memory?", "ALL ERASE")) return false;
  SendEraseAll();
  return true;
}

void DeleteOps::SendEraseAll() {
  // The erase takes every picture: marked, they all leave the list when the
  // camera reports it done (a list left as it was would offer pictures that
  // are no longer there).
  PictureList& list = link_.Pictures();
  capacityBefore_ = list.freeCapacity;
  for (int i = 0; i < std::min<int>(list.pictureCount, kMaxPictures); ++i)
    list.entries[i].selectionMark = 2;
  link_.State().responseKind = ResponseKind::Index;
  link_.WriteCommand(CmdEraseAll);
  Started();
}

void DeleteOps::OnAccepted() {
  LinkState& s = link_.State();
  PictureList& list = link_.Pictures();
  bool morePages = false;
  if (s.digitStep == 2) {
    if (list.downloadsPending > 0) --list.downloadsPending;
    if (s.currentPictureNumber < kMaxPictures) list.entries[s.currentPictureNumber].selectionMark = 2;
    morePages = list.downloadsPending != 0;
  }
  const DigitAction step = DeleteSequenceStep(s.digitStep, s.currentPictureNumber, morePages);
  if (!step.valid) {
    AnswerAsRejected();
    return;
  }
  link_.WriteCommand(step.command);
  s.digitStep = step.nextStep;
  if (s.digitStep == 0) s.deleteMode = 0;
  if (step.command == CmdDeletePicture && morePages) {
    int next = 0;
    const int count = std::min<int>(list.pictureCount, kMaxPictures);
    for (int i = count - 1; i >= 0; --i) {
      if (list.entries[i].selectionMark == 1) {
        next = i;
        break;
      }
    }
    s.currentPictureNumber = static_cast<std::uint16_t>(next);
  }
}

void DeleteOps::RefusedByCard() {
  PictureList& list = link_.Pictures();
  LinkState& s = link_.State();
  for (PictureEntry& entry : list.entries) entry.selectionMark = 0;
  list.freeCapacity = capacityBefore_;
  list.selectedCount = 0;
  list.downloadsPending = 0;
  s.deleteMode = 0;
  s.digitStep = 0;
  link_.Ui().Repaint(LinkWindow::Preview, std::nullopt);
  AnswerAsRejected();
  if (!link_.ShowFromHandler(kWriteProtected, text::kWarning, MessageButtons::Ok,
                             MessageIcon::Exclamation))
    return;
  const Operation running = link_.RunningOperation();
  if (running == Operation::DeletePictures || running == Operation::DeleteAll ||
      running == Operation::Erase) {
    link_.FinishOperation(running, LinkOutcome::Of(OutcomeKind::WriteProtected));
  }
}

void DeleteOps::OnDeleteDone() {
  const bool refused = refusedByCard_;
  refusedByCard_ = false;
  link_.State().deleteActive = false;
  link_.PreviewWatchdog().Stop();
  link_.CloseWaitDialog();
  if (refused) {
    RefusedByCard();
    return;
  }
  Compact();
  UpdatePreviewWindow();
  AnswerAsRejected();
  const Operation running = link_.RunningOperation();
  if (running == Operation::DeletePictures || running == Operation::DeleteAll ||
      running == Operation::Erase) {
    link_.FinishOperation(running, LinkOutcome::Of(OutcomeKind::Done));
  }
}

void DeleteOps::Compact() {
  PictureList& list = link_.Pictures();
  const int count = std::min<int>(std::max(list.pictureCount, list.receivedEntries), kMaxPictures);
  int removed = 0;
  int removedReceived = 0;
  for (int j = 0; j < count; ++j) {
    PictureEntry& from = list.entries[j];
    if (from.selectionMark == 2) {
      ++removed;
      if (j < list.receivedEntries) ++removedReceived;
      continue;
    }
    if (removed == 0) continue;
    const int to = j - removed;
    PictureEntry& dest = list.entries[to];
    std::uint8_t* slotFrom = list.store.Slot(j);
    std::uint8_t* slotTo = list.store.Slot(to);
    if (slotFrom != nullptr && slotTo != nullptr) std::copy_n(slotFrom, kPreviewSlotSize, slotTo);
    // The label's position number stays; the rest of it moves.
    std::memcpy(dest.label.data() + kLabelNumberWidth, from.label.data() + kLabelNumberWidth,
                kLabelSize - kLabelNumberWidth);
    dest.label[kLabelSize - 1] = '\0';
    dest.fileName = RenumberFileName(from.fileName, to + 1);
    dest.quality = from.quality;
    dest.width = from.width;
    dest.height = from.height;
    dest.date = from.date;
  }
  for (int j = count - removed; j < count; ++j) {
    if (std::uint8_t* slot = list.store.Slot(j)) {
      std::fill_n(slot + kInfoHeaderSize, kPreviewSlotSize - kInfoHeaderSize, kEmptySlotFill);
    }
    list.entries[j].label = Label{};
    list.entries[j].fileName = Label{};
  }
  // Marks belong to positions that now hold other pictures; a later erase
  // report must not remove them.
  for (PictureEntry& entry : list.entries) entry.selectionMark = 0;
  list.receivedEntries = static_cast<std::uint16_t>(list.receivedEntries - removedReceived);
  list.pictureCount = static_cast<std::uint16_t>(std::max(0, list.pictureCount - removed));
  list.currentPicture = kNoPicture;
  list.selectedCount = 0;
}

void DeleteOps::UpdatePreviewWindow() {
  PictureList& list = link_.Pictures();
  LinkUi& ui = link_.Ui();
  const int count = list.receivedEntries;
  list.scrollRowMaximum = static_cast<std::uint8_t>(count < 13 ? 0 : (count - 13) / 4 + 1);
  list.scrollRow = 0;
  ui.SetPreviewScrollRange(list.scrollRowMaximum);
  ui.SetPreviewScrollPosition(0);
  ui.Repaint(LinkWindow::Preview, std::nullopt);
  ui.EnableMenuItem(MenuOwner::Frame, menu::kDataIn, false);
  ui.EnableMenuItem(MenuOwner::Frame, menu::kDeletePage, false);
  ui.EnableMenuItem(MenuOwner::Frame, menu::kSaveAs, false);
  if (list.pictureCount == 0) ui.EnableMenuItem(MenuOwner::Frame, menu::kDeleteAll, false);
}

void DeleteOps::AnswerAsRejected() {
  LinkState& s = link_.State();
  bool recovered = false;
  link_.WriteCommand(AnswerBadPacket(s.badPacketCount, CmdRestartEntry, recovered));
  if (recovered) {
    s.indexPacketCounter = 0;
    s.indexDataOffset = 0;
  }
}

}  // namespace lumarel
