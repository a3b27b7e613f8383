// SPDX-License-Identifier: MIT
#include "link/IndexHandler.h"

#include <algorithm>

#include "link/LinkTexts.h"
#include "link/PictureKey.h"
#include "link/PreviewCache.h"
#include "link/ScratchDecode.h"

namespace lumarel {

namespace {
// The packet counters are 16 bits wide.
inline constexpr std::uint32_t kMaxItemPackets = 0xFFFF;
}  // namespace

IndexHandler::IndexHandler(CameraLink& link) : link_(link) {}

void IndexHandler::Reset() {
  header_ = ItemHeader{};
  pendingLabel_ = Label{};
  overflowed_ = false;
  listingBegun_ = false;
  askedFor_ = -1;
}

void IndexHandler::Handle(const CameraPacket& packet) {
  LinkState& s = link_.State();
  s.awaitingPacket = false;
  if (IsStatusPacket(packet)) {
    HandleStatus(packet);
    return;
  }
  if (!IsGoodDataPacket(packet, s.indexPacketCounter)) {
    Reject();
    return;
  }
  if (s.indexPacketCounter == 0) {
    if (!HandleHeader(packet)) return;
    if (TakeFromCache()) return;
  } else {
    AppendData(packet);
  }
  ++s.indexPacketCounter;
  s.badPacketCount = 0;
  if (s.indexPacketCounter <= s.packetsInItem) {
    link_.WriteCommand(CmdAck);
    return;
  }
  CompleteEntry();
}

void IndexHandler::HandleStatus(const CameraPacket& packet) {
  LinkState& s = link_.State();
  switch (StatusCode(packet)) {
    case StatusCardReport:
      s.writeProtected = packet[7] == 1;
      if (deleteHooks_.onCardReport) deleteHooks_.onCardReport(s.writeProtected);
      return;
    case StatusBusy: return;
    case StatusAccepted: {
      if (s.deleteMode != 0 && deleteHooks_.onAccepted) {
        deleteHooks_.onAccepted();
        return;
      }
      const DigitAction step = IndexSequenceStep(s.digitStep);
      if (!step.valid) break;
      link_.WriteCommand(step.command);
      s.digitStep = step.nextStep;
      return;
    }
    case StatusDeleteDone:
      if (deleteHooks_.onDeleteDone) {
        deleteHooks_.onDeleteDone();
        return;
      }
      break;
    default: break;
  }
  Reject();
}

void IndexHandler::Reject() {
  LinkState& s = link_.State();
  bool recovered = false;
  link_.WriteCommand(AnswerBadPacket(s.badPacketCount, CmdRestartEntry, recovered));
  if (!recovered) return;
  s.indexPacketCounter = 0;
  s.indexDataOffset = 0;
  overflowed_ = false;
  std::fill(link_.PreviewBuffer().begin(), link_.PreviewBuffer().end(), std::uint8_t{0});
}

bool IndexHandler::HandleHeader(const CameraPacket& packet) {
  LinkState& s = link_.State();
  PictureList& list = link_.Pictures();
  header_ = ParseItemHeader(packet);
  if (list.receivedEntries >= 1 && header_.endMarker) {
    ListComplete();
    return false;
  }
  list.pictureCount = header_.pictureCount;
  list.freeCapacity = {header_.freeFine, header_.freeNormal};
  if (list.pictureCount == 0) {
    EmptyCard();
    return false;
  }
  const std::uint32_t packets = PacketsInItem(header_.size);
  if (packets > kMaxItemPackets) {
    // A size no packet counter can reach: refuse it; the watchdog then takes over.
    link_.Messages().Show(text::kFileSizeWrong, text::kError, MessageButtons::Ok,
                          MessageIcon::Exclamation);
    return false;
  }
  // A preview larger than the preview buffer is still received (nothing past
  // the buffer is kept) and then gets the placeholder like any bad preview.
  s.packetsInItem = static_cast<std::uint16_t>(packets);
  s.indexDataOffset = 0;
  overflowed_ = false;

  const int e = list.receivedEntries;
  const CameraDate taken{header_.year, header_.month, header_.day, header_.hour, header_.minute};
  const EntryDate date = ShownDate(taken);
  pendingLabel_ = FormatLabel(e + 1, header_.Fine(), date);
  if (e < kMaxPictures) {
    PictureEntry& entry = list.entries[e];
    entry.fileName = FormatFileName(e + 1, header_.Fine(), date);
    entry.quality = header_.quality;
    entry.width = header_.width;
    entry.height = header_.height;
    entry.date = taken;
  }
  // Entry 0 begins a listing for the cache, once (a header sent again is the same entry).
  if (e > 0) {
    listingBegun_ = false;
  } else if (PreviewCache* cache = link_.Services().previewCache; cache && !listingBegun_) {
    cache->BeginListing();
    listingBegun_ = true;
    askedFor_ = -1;
  }
  return true;
}

bool IndexHandler::TakeFromCache() {
  LinkState& s = link_.State();
  PreviewCache* cache = link_.Services().previewCache;
  const int e = link_.Pictures().receivedEntries;
  // One question per entry: a header sent again (CmdRestartEntry) is the same
  // place, not a second picture with the same fingerprint. A one-packet
  // preview is the placeholder anyway, and entries past 800 are not kept.
  if (cache == nullptr || s.packetsInItem < 2 || e >= kMaxPictures || e == askedFor_) return false;
  askedFor_ = e;
  const auto preview = cache->Find(FingerprintOf(header_));
  auto& buffer = link_.PreviewBuffer();
  if (!preview || preview->size() > buffer.size()) return false;
  std::copy(preview->begin(), preview->end(), buffer.begin());
  s.badPacketCount = 0;
  StoreEntry();
  return true;
}

void IndexHandler::OfferToCache() {
  PreviewCache* cache = link_.Services().previewCache;
  if (cache == nullptr) return;
  const PreviewFingerprint f = FingerprintOf(header_);
  const std::span<const std::uint8_t> preview = PreviewBytes(link_.PreviewBuffer().data());
  cache->Offer(f, preview, KeyFor(f, preview));
}

void IndexHandler::AppendData(const CameraPacket& packet) {
  LinkState& s = link_.State();
  auto& buffer = link_.PreviewBuffer();
  if (s.indexDataOffset + kPayloadSize > buffer.size()) {
    overflowed_ = true;  // cannot happen for a header we accepted; never write past the end
    return;
  }
  std::copy_n(Payload(packet), kPayloadSize, buffer.begin() + s.indexDataOffset);
  s.indexDataOffset += kPayloadSize;
}

void IndexHandler::ListComplete() {
  LinkState& s = link_.State();
  LinkUi& ui = link_.Ui();
  ui.SetStatusText(text::kReady);
  s.indexActive = false;
  ui.EnableMdiClient(true);
  ui.EnableMenuItem(MenuOwner::Preview, menu::kDeleteAll, true);
  ui.EnableMenuItem(MenuOwner::Preview, menu::kReload, true);
  ui.EnableMenuItem(MenuOwner::Openfile, menu::kFineMode, true);
  ui.EnableMenuItem(MenuOwner::Openfile, menu::kNormalMode, true);
  s.indexLoaded = true;
  link_.FinishOperation(Operation::Index, LinkOutcome::Of(OutcomeKind::Done));
}

void IndexHandler::EmptyCard() {
  LinkState& s = link_.State();
  LinkUi& ui = link_.Ui();
  s.indexActive = false;
  ui.SetStatusText(text::kReady);  // not "Receive Preview data": there is none
  ui.Repaint(LinkWindow::Preview, std::nullopt);
  ui.SetStatusText(text::kReady);
  if (!link_.ShowFromHandler(text::kNoImages, text::kVidmarelleInfo, MessageButtons::Ok,
                             MessageIcon::Exclamation))
    return;  // a reconnect began while the box was open: that index is not this one
  ui.EnableMdiClient(true);
  ui.EnableMenuItem(MenuOwner::Preview, menu::kReload, true);
  ui.EnableMenuItem(MenuOwner::Openfile, menu::kFineMode, true);
  ui.EnableMenuItem(MenuOwner::Openfile, menu::kNormalMode, true);
  s.indexLoaded = true;
  link_.FinishOperation(Operation::Index, LinkOutcome::Of(OutcomeKind::Done));
}

void IndexHandler::MakePlaceholder() {
  auto& buffer = link_.PreviewBuffer();
  WriteEmptySlotHeader(buffer.data());
  const std::size_t pixels = std::size_t{kEmptySlotWidth} * kEmptySlotHeight * 3;  // 21504
  std::fill_n(buffer.begin() + kInfoHeaderSize, pixels, kPlaceholderFill);
}

// Decodes the collected JPEG bytes into the preview buffer, checking the type
// and that the size is the header's and fits a slot.
IndexHandler::PreviewResult IndexHandler::DecodePreview() {
  auto& buffer = link_.PreviewBuffer();
  const char* error = text::kFileSizeWrong;
  if (!overflowed_) {
    const std::size_t collected =
        std::min(buffer.size(), std::size_t{link_.State().packetsInItem} * kPayloadSize);
    error = DecodeThroughScratchFiles(link_.Services(), {buffer.data(), collected},
                                      header_.previewWidth, header_.previewHeight, buffer);
  }
  if (error == nullptr) return PreviewResult::Decoded;
  if (!link_.ShowFromHandler(error, text::kError, MessageButtons::Ok, MessageIcon::Exclamation))
    return PreviewResult::Abandoned;
  return PreviewResult::Bad;
}

void IndexHandler::CompleteEntry() {
  LinkState& s = link_.State();
  PictureList& list = link_.Pictures();
  // A preview that cannot be decoded (not a JPEG, wrong size) is reported
  // once and shown as the grey placeholder; the list goes on with the next
  // entry instead of asking for this one again and again.
  bool decoded = false;
  if (s.packetsInItem < 2) {
    MakePlaceholder();
  } else {
    switch (DecodePreview()) {
      case PreviewResult::Decoded: decoded = true; break;
      case PreviewResult::Bad: MakePlaceholder(); break;
      // The line was given up or set up again while the message was open:
      // this entry belongs to a list that no longer exists.
      case PreviewResult::Abandoned: return;
    }
  }
  if (decoded && list.receivedEntries < kMaxPictures) OfferToCache();
  StoreEntry();
}

void IndexHandler::StoreEntry() {
  LinkState& s = link_.State();
  PictureList& list = link_.Pictures();
  const int e = list.receivedEntries;
  const bool stored = e < kMaxPictures;  // entries past 800 are acknowledged, not kept
  if (stored) {
    list.entries[e].label = pendingLabel_;
    list.receivedEntries = static_cast<std::uint16_t>(e + 1);
  }
  link_.WriteCommand(CmdNextEntry);
  if (std::uint8_t* slot = stored ? list.store.Slot(e) : nullptr) {
    std::copy_n(link_.PreviewBuffer().begin(), kPreviewSlotSize, slot);
  }
  s.indexPacketCounter = 0;
  s.indexDataOffset = 0;
  if (stored) NotifyPreviewWindow(list.receivedEntries);
}

void IndexHandler::NotifyPreviewWindow(int count) {
  PictureList& list = link_.Pictures();
  LinkUi& ui = link_.Ui();
  if (count > 12 && count % 4 == 1) {
    ++list.scrollRowMaximum;
    list.scrollRow = list.scrollRowMaximum;
    ui.SetPreviewScrollRange(list.scrollRowMaximum);
    ui.SetPreviewScrollPosition(list.scrollRowMaximum);
    ui.ScrollPreviewLines(1);
  }
  ui.Repaint(LinkWindow::Preview, kPreviewGridArea);
  if (count == 1) ui.Repaint(LinkWindow::Preview, std::nullopt);
}

void IndexHandler::PrepareStore() {
  PictureList& list = link_.Pictures();
  const LinkState& s = link_.State();
  if (s.reconnecting) {
    list.store.Release();
  } else if (list.store.Exists()) {
    return;
  }
  const std::size_t slots = PreviewStore::SlotCountFor(s.capacity, s.identifiedPictures);
  if (!list.store.Allocate(slots, link_.Services().previewStoreLimit)) {
    link_.ShowFromHandler(text::kNotEnoughMemory, text::kGlobalMemory, MessageButtons::Ok,
                          MessageIcon::Exclamation);
  }
}

void IndexHandler::EmptyIndex() {
  PictureList& list = link_.Pictures();
  list.store.EmptyAll();
  for (PictureEntry& entry : list.entries) entry.label = Label{};
  list.receivedEntries = 0;
  list.scrollRow = 0;
  list.scrollRowMaximum = 0;
  link_.Ui().ResetPreviewScroll();
  link_.Ui().Repaint(LinkWindow::Preview, std::nullopt);
  Reset();
}

}  // namespace lumarel
