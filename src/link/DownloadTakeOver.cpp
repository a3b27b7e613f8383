#include "link/DownloadTakeOver.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "link/LinkTexts.h"
#include "link/PictureWork.h"

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
    return false;
  }
  const PictureEntry& entry = list.entries[s.currentPictureNumber];
  const std::span<std::uint8_t> picture = target->Picture();
  const bool decoded = Decode(jpegSize, entry, picture);
  EmptyPictureBuffer(jpegSize);
  if (!decoded) {
    Abandon(nullptr);
    return false;
  }
  PostProcessPicture(picture, entry.quality, link_.Messages());
  if (services_.paletteDisplay && !services_.currentPalette.empty()) {
    MakePictureDisplayPalette(link_.Messages(), picture, services_.currentPalette,
                              target->Palette());
  }
  ui.Repaint(LinkWindow::ActiveChild, std::nullopt);
  ui.EnableMenuItem(MenuOwner::Frame, menu::kSaveAs, true);
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
}

bool DownloadTakeOver::Decode(std::uint32_t jpegSize, const PictureEntry& entry,
                              std::span<std::uint8_t> picture) {
  const LinkServices& services = link_.Services();
  auto fail = [this](const char* message) {
    link_.Messages().Show(message, text::kError, MessageButtons::Ok, MessageIcon::Exclamation);
    return false;
  };
  {
    File jpeg(std::fopen(services.tempPathA.c_str(), "wb"));
    if (jpeg) std::fwrite(link_.PictureBuffer().data(), 1, jpegSize, jpeg.get());
  }
  std::remove(services.tempPathB.c_str());  // a stale bitmap must not pass for this picture
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
  if (width != entry.width || height != entry.height || width <= 0 || height <= 0 ||
      info[14] != 24) {
    return fail(text::kFileSizeWrong);
  }
  const std::size_t pixelBytes = Stride24(std::size_t(width)) * std::size_t(height);
  if (picture.size() < kInfoHeaderSize || pixelBytes > picture.size() - kInfoHeaderSize) {
    return fail(text::kFileSizeWrong);
  }
  std::copy_n(info, kInfoHeaderSize, picture.begin());
  if (std::fread(picture.data() + kInfoHeaderSize, 1, pixelBytes, bmp.get()) != pixelBytes) {
    std::fill(picture.begin(), picture.end(), std::uint8_t{0});  // keep the empty picture
    return fail(text::kFileSizeWrong);
  }
  return true;
}

void DownloadTakeOver::EmptyPictureBuffer(std::uint32_t bytes) {
  auto& buffer = link_.PictureBuffer();
  const std::size_t used =
      std::min(buffer.size(), std::size_t(bytes) + kPayloadSize);  // with the last packet's padding
  std::fill_n(buffer.begin(), used, std::uint8_t{0});
  link_.State().pictureDataOffset = 0;
}

}  // namespace lumarel
