// SPDX-License-Identifier: MIT
// A LinkHarness with a connected link whose picture list is filled directly,
// a Capture window's picture block and the timers of the Capture and Openfile
// windows.
#pragma once

#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

#include "LinkHarness.h"
#include "link/LinkTexts.h"
#include "link/LinkTransfers.h"

namespace lumarel::testing {

inline int HeaderWidth(const std::vector<std::uint8_t>& block) {
  return block[4] | (block[5] << 8) | (block[6] << 16) | (block[7] << 24);
}

class TestTarget final : public DownloadTarget {
 public:
  explicit TestTarget(std::size_t pictureBytes, std::size_t paletteBytes = 0)
      : picture(pictureBytes, 0), palette(paletteBytes, 0) {}
  std::span<std::uint8_t> Picture() override { return picture; }
  std::span<std::uint8_t> Palette() override { return palette; }
  std::vector<std::uint8_t> picture;
  std::vector<std::uint8_t> palette;
};

inline CameraPacket PictureHeader(std::uint32_t size, std::uint8_t quality = 0x01,
                                  std::uint16_t freeFine = 7, std::uint16_t freeNormal = 14) {
  HeaderFields f;
  f.size = size;
  f.quality = quality;
  f.freeFine = freeFine;
  f.freeNormal = freeNormal;
  return IndexHeader(f);
}

class TransferHarness : public LinkHarness {
 public:
  explicit TransferHarness(int pictures = 6) {
    IndexStarted(Identity("931", false, 409600, static_cast<std::uint16_t>(pictures)));
    FillList(pictures);
  }

  // `count` Fine 640 x 480 entries labelled as the index transfer labels them.
  void FillList(int count) {
    PictureList& list = List();
    for (int i = 0; i < count; ++i) {
      PictureEntry& e = list.entries[i];
      const EntryDate date{1, 6, 10 + i, 9, i};
      e.label = FormatLabel(i + 1, true, date);
      e.fileName = FormatFileName(i + 1, true, date);
      e.quality = 0x01;
      e.width = 640;
      e.height = 480;
      if (std::uint8_t* slot = list.store.Slot(i)) std::fill_n(slot + 40, 100, std::uint8_t(i + 1));
    }
    list.receivedEntries = static_cast<std::uint16_t>(count);
    list.pictureCount = static_cast<std::uint16_t>(count);
    State().indexActive = false;
    State().indexLoaded = true;
  }

  DownloadControl& Download() { return transfers->Download(); }

  // A Capture window for a 640 x 480 picture, created and its download started.
  void StartDownload(int n) {
    Download().CaptureWindowCreated(target, captureTimers);
    ASSERT_TRUE(Download().Start(n));
  }
  // Addressing done and the picture's packets fed, none bad.
  void FeedPicture(std::uint32_t size, std::uint8_t quality = 0x01) {
    for (int i = 0; i < 3; ++i) Feed(EncodeStatusPacket(StatusAccepted));
    Feed(PictureHeader(size, quality));
    for (std::uint32_t k = 1; k <= PacketsInItem(size); ++k) {
      Feed(DataPacketOf(static_cast<std::uint16_t>(k), static_cast<std::uint8_t>(k)));
    }
  }

  RecordingTimers captureTimers, openfileTimers;
  TestTarget target{640 * 480 * 3 + 100, 1032};
};

// A one-byte upload reply as the receive thread hands it over.
inline CameraPacket Reply(std::uint8_t byte) {
  CameraPacket p{};
  p[0] = byte;
  return p;
}

// A TransferHarness with a picture, its preview and the prepared entry of an upload.
struct UploadFixture {
  explicit UploadFixture(std::size_t pictureSize, bool fine = true, int entries = 6,
                         std::size_t previewSize = 300)
      : h(entries), picture(pictureSize), preview(previewSize), thumb(57640, 0x33) {
    std::iota(picture.begin(), picture.end(), std::uint8_t{1});
    std::iota(preview.begin(), preview.end(), std::uint8_t{100});
    request.fine = fine;
    request.picture = picture;
    request.preview = preview;
    request.entry.label = FormatLabel(entries + 1, fine, {1, 6, 15, 10, 30});
    request.entry.fileName = FormatFileName(entries + 1, fine, {1, 6, 15, 10, 30});
    request.entry.width = fine ? 640 : 320;
    request.entry.height = fine ? 480 : 240;
    request.previewSlot = thumb;
  }
  bool Start() { return h.transfers->Upload().Start(request, h.openfileTimers); }
  CameraPacket Sent() {
    Bytes w = h.Written();
    EXPECT_EQ(w.size(), kPacketSize);
    CameraPacket p{};
    std::copy_n(w.begin(), std::min(w.size(), kPacketSize), p.begin());
    return p;
  }
  TransferHarness h;
  std::vector<std::uint8_t> picture, preview, thumb;
  UploadRequest request;
};

}  // namespace lumarel::testing
