// SPDX-License-Identifier: MIT
#include "link/DownloadTakeOver.h"

#include <algorithm>

#include "link/LinkTexts.h"
#include "link/PictureWork.h"
#include "link/ScratchDecode.h"

namespace lumarel {

DownloadTakeOver::DownloadTakeOver(CameraLink& link, const TransferServices& services)
    : link_(link), services_(services) {}

bool DownloadTakeOver::Run(std::uint32_t jpegSize) {
  LinkState& s = link_.State();
  PictureList& list = link_.Pictures();
  LinkUi& ui = link_.Ui();
  s.picturePacketCounter = 0;
  s.downloadActive = false;
  ui.SetStatusText(text::kReady);
  ui.ShowProgress(false);
  if (list.downloadsPending == 0) link_.CloseWaitDialog();

  DownloadTarget* target = target_;
  const bool listed = s.currentPictureNumber < kMaxPictures;
  if (target == nullptr || !listed) {
    EmptyPictureBuffer(jpegSize);
    link_.FinishOperation(Operation::Download, LinkOutcome::Of(OutcomeKind::Cancelled));
    return false;
  }
  const PictureEntry& entry = list.entries[s.currentPictureNumber];
  const std::span<std::uint8_t> picture = target->Picture();
  const char* error = Decode(jpegSize, entry, picture);
  EmptyPictureBuffer(jpegSize);
  if (error != nullptr) {
    Abandon(nullptr);
    link_.FinishOperation(Operation::Download, LinkOutcome::Bad(s.currentPictureNumber, error));
    return false;
  }
  PostProcessPicture(picture, entry.quality, link_.Messages());
  if (services_.paletteDisplay && !services_.currentPalette.empty()) {
    MakePictureDisplayPalette(link_.Messages(), picture, services_.currentPalette,
                              target->Palette());
  }
  ui.Repaint(LinkWindow::ActiveChild, std::nullopt);
  ui.EnableMenuItem(MenuOwner::Frame, menu::kSaveAs, true);
  // The caller learns of the picture before it is saved or the next one starts.
  link_.FinishOperation(Operation::Download, LinkOutcome::Of(OutcomeKind::Done));
  if (list.autoSaveMode) {
    ui.SendCommand(LinkWindow::ActiveChild, menu::kSaveAs);
  } else if (list.downloadsPending != 0) {
    link_.ScheduleNextDownload();
  }
  return true;
}

void DownloadTakeOver::Abandon(const char* message) {
  LinkUi& ui = link_.Ui();
  PictureList& list = link_.Pictures();
  ui.SetStatusText(text::kReady);
  ui.ShowProgress(false);
  if (message != nullptr) {
    link_.Messages().Show(message, text::kError, MessageButtons::Ok, MessageIcon::Exclamation);
  }
  // The rest of a multi-picture download is dropped: its wait dialog would
  // otherwise stay open with nothing left to close it.
  list.downloadsPending = 0;
  list.autoSaveMode = false;
  link_.CloseWaitDialog();
  if (message != nullptr) {
    link_.FinishOperation(Operation::Download,
                          LinkOutcome::Bad(link_.State().currentPictureNumber, message));
  }
}

const char* DownloadTakeOver::Decode(std::uint32_t jpegSize, const PictureEntry& entry,
                                     std::span<std::uint8_t> picture) {
  const std::span<const std::uint8_t> jpeg(link_.PictureBuffer().data(), jpegSize);
  const char* error =
      DecodeThroughScratchFiles(link_.Services(), jpeg, entry.width, entry.height, picture);
  if (error == nullptr) return nullptr;
  link_.Messages().Show(error, text::kError, MessageButtons::Ok, MessageIcon::Exclamation);
  return error;
}

void DownloadTakeOver::EmptyPictureBuffer(std::uint32_t bytes) {
  auto& buffer = link_.PictureBuffer();
  const std::size_t used =
      std::min(buffer.size(), std::size_t(bytes) + kPayloadSize);  // with the last packet's padding
  std::fill_n(buffer.begin(), used, std::uint8_t{0});
  link_.State().pictureDataOffset = 0;
}

}  // namespace lumarel
