#include "link/IndexHandler.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "link/LinkTexts.h"

namespace lumarel {

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f != nullptr) std::fclose(f);
  }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::int32_t ReadLittleEndian32(const std::uint8_t* p) {
  return static_cast<std::int32_t>(std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) |
                                   (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24));
}

}  // namespace

IndexHandler::IndexHandler(CameraLink& link) : link_(link) {}

void IndexHandler::Reset() {
  header_ = ItemHeader{};
  pendingLabel_ = Label{};
  overflowed_ = false;
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
    case StatusCardReport: s.writeProtected = packet[7] == 1; return;
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
  if (packets > kPreviewBufferSize / kPayloadSize) {
    // The preview would not fit the preview buffer: refuse it like a preview
    // of the wrong size; the watchdog then takes over.
    link_.Messages().Show(text::kFileSizeWrong, text::kError, MessageButtons::Ok,
                          MessageIcon::Exclamation);
    return false;
  }
  s.packetsInItem = static_cast<std::uint16_t>(packets);
  s.indexDataOffset = 0;
  overflowed_ = false;

  const int e = list.receivedEntries;
  const EntryDate date{DisplayYear(header_.year), header_.month, header_.day, header_.hour,
                       header_.minute};
  pendingLabel_ = FormatLabel(e + 1, header_.Fine(), date);
  if (e < kMaxPictures) {
    PictureEntry& entry = list.entries[e];
    entry.fileName = FormatFileName(e + 1, header_.Fine(), date);
    entry.quality = header_.quality;
    entry.width = header_.width;
    entry.height = header_.height;
  }
  return true;
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
}

void IndexHandler::EmptyCard() {
  LinkState& s = link_.State();
  LinkUi& ui = link_.Ui();
  s.indexActive = false;
  ui.Repaint(LinkWindow::Preview, std::nullopt);
  link_.Messages().Show(text::kNoImages, text::kVidmarelleInfo, MessageButtons::Ok,
                        MessageIcon::Exclamation);
  ui.EnableMdiClient(true);
  ui.EnableMenuItem(MenuOwner::Preview, menu::kReload, true);
  ui.EnableMenuItem(MenuOwner::Openfile, menu::kFineMode, true);
  ui.EnableMenuItem(MenuOwner::Openfile, menu::kNormalMode, true);
  s.indexLoaded = true;
}

void IndexHandler::MakePlaceholder() {
  auto& buffer = link_.PreviewBuffer();
  WriteEmptySlotHeader(buffer.data());
  const std::size_t pixels = std::size_t{kEmptySlotWidth} * kEmptySlotHeight * 3;  // 21504
  std::fill_n(buffer.begin() + kInfoHeaderSize, pixels, kPlaceholderFill);
}

// Writes the collected JPEG bytes to the first scratch file, decodes it into
// the second and reads the bitmap back into the preview buffer, checking the
// type and that the size is the header's and fits a slot.
bool IndexHandler::DecodePreview() {
  const LinkServices& services = link_.Services();
  auto& buffer = link_.PreviewBuffer();
  auto fail = [this](const char* message) {
    link_.Messages().Show(message, text::kError, MessageButtons::Ok, MessageIcon::Exclamation);
    return false;
  };
  if (overflowed_) return fail(text::kFileSizeWrong);
  {
    File jpeg(std::fopen(services.tempPathA.c_str(), "wb"));
    if (jpeg) {
      std::fwrite(buffer.data(), 1, std::size_t{link_.State().packetsInItem} * kPayloadSize,
                  jpeg.get());
    }
  }
  if (services.decodeJpeg) services.decodeJpeg(services.tempPathA, services.tempPathB);

  File bmp(std::fopen(services.tempPathB.c_str(), "rb"));
  std::uint8_t fileHeader[14] = {};
  if (!bmp || std::fread(fileHeader, 1, sizeof fileHeader, bmp.get()) != sizeof fileHeader ||
      fileHeader[0] != 'B' || fileHeader[1] != 'M') {
    return fail(text::kFileTypeWrong);
  }
  std::uint8_t info[kInfoHeaderSize] = {};
  if (std::fread(info, 1, sizeof info, bmp.get()) != sizeof info) return fail(text::kFileSizeWrong);
  const std::int32_t width = ReadLittleEndian32(info + 4);
  const std::int32_t height = ReadLittleEndian32(info + 8);
  if (width != header_.previewWidth || height != header_.previewHeight) {
    return fail(text::kFileSizeWrong);
  }
  const std::size_t pixelBytes = std::size_t(width) * std::size_t(height) * 3;
  if (pixelBytes > buffer.size() - kInfoHeaderSize) return fail(text::kFileSizeWrong);
  std::copy_n(info, kInfoHeaderSize, buffer.begin());
  std::fread(buffer.data() + kInfoHeaderSize, 1, pixelBytes, bmp.get());
  return true;
}

void IndexHandler::CompleteEntry() {
  LinkState& s = link_.State();
  PictureList& list = link_.Pictures();
  if (s.packetsInItem >= 2) {
    if (!DecodePreview()) return;  // nothing written: the watchdog takes over
  } else {
    MakePlaceholder();
  }
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
    link_.Messages().Show(text::kNotEnoughMemory, text::kGlobalMemory, MessageButtons::Ok,
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
