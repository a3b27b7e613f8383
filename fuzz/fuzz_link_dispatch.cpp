// SPDX-License-Identifier: MIT
// The link's response dispatch driven by arbitrary response sequences: a
// CameraLink with every transfer installed, wired to the test doubles (fake
// port, recording timers, notifier and UI; no threads), brought into a
// starting situation picked by the input, then fed responses, timer expiries
// and window actions. The input may also force any LinkPhase and ResponseKind.
#include <memory>
#include <vector>

#include "FuzzInput.h"
#include "FuzzEntries.h"
#include "FuzzSupport.h"
#include "LinkHarness.h"
#include "link/LinkTransfers.h"

using namespace lumarel;
using namespace lumarel::fuzz;
using namespace lumarel::testing;

namespace {

constexpr std::size_t kPaletteBytes = 1032;
constexpr std::size_t kPhotoBlockBytes = 925696;

// A 40-byte header of a 24-bit picture (the Live window's blocks).
void Write24BitHeader(std::vector<std::uint8_t>& block, std::int32_t width, std::int32_t height) {
  std::fill_n(block.begin(), 40, std::uint8_t{0});
  const std::uint32_t fields[] = {40, static_cast<std::uint32_t>(width),
                                  static_cast<std::uint32_t>(height)};
  for (int f = 0; f < 3; ++f) {
    for (int i = 0; i < 4; ++i) block[f * 4 + i] = static_cast<std::uint8_t>(fields[f] >> (8 * i));
  }
  block[12] = 1;
  block[14] = 24;
}

class FuzzTarget final : public DownloadTarget {
 public:
  explicit FuzzTarget(std::size_t size) : picture(size, 0), palette(kPaletteBytes, 0) {}
  std::span<std::uint8_t> Picture() override { return picture; }
  std::span<std::uint8_t> Palette() override { return palette; }
  std::vector<std::uint8_t> picture;
  std::vector<std::uint8_t> palette;
};

// The link plus the transfers and the windows' blocks and timers.
class LinkRig {
 public:
  LinkRig() {
    Write24BitHeader(liveFrame, 160, 120);
    Write24BitHeader(livePhoto, 640, 480);
    TransferServices services;
    services.clock = &clock;
    services.liveTimers = &liveTimers;
    services.currentPalette = currentPalette;
    services.liveFrame = liveFrame;
    services.livePhoto = livePhoto;
    transfers = std::make_unique<LinkTransfers>(*h.link, services);
  }

  void FillList(int count) {
    PictureList& list = h.List();
    for (int i = 0; i < count; ++i) {
      PictureEntry& e = list.entries[i];
      const EntryDate date{1, 6, 10 + i % 20, 9, i % 60};
      e.label = FormatLabel(i + 1, true, date);
      e.fileName = FormatFileName(i + 1, true, date);
      e.quality = 0x01;
      e.width = 640;
      e.height = 480;
      e.selectionMark = (i % 3 == 0) ? 1 : 0;
    }
    list.receivedEntries = static_cast<std::uint16_t>(count);
    list.pictureCount = static_cast<std::uint16_t>(count);
    list.selectedCount = static_cast<std::uint16_t>((count + 2) / 3);
    h.State().indexActive = false;
    h.State().indexLoaded = true;
  }

  LinkHarness h;
  FixedClock clock;
  RecordingTimers liveTimers, captureTimers, openfileTimers;
  std::vector<std::uint8_t> currentPalette = std::vector<std::uint8_t>(kPaletteBytes, 0);
  std::vector<std::uint8_t> liveFrame = std::vector<std::uint8_t>(kPreviewSlotSize, 0x80);
  std::vector<std::uint8_t> livePhoto = std::vector<std::uint8_t>(kPhotoBlockBytes, 0x80);
  FuzzTarget target{640 * 480 * 3 + 100};
  std::unique_ptr<LinkTransfers> transfers;
  std::vector<std::uint8_t> uploadPicture, uploadPreview, uploadSlot;
};

CameraPacket IdentityFrom(FuzzInput& in) {
  static const char* kModels[] = {"931", "631", "000", "93X"};
  CameraPacket p = Identity(kModels[in.Below(4)], in.Bool(), in.U32(), in.U16());
  return p;
}

// The starting situation.
void Begin(LinkRig& rig, FuzzInput& in) {
  LinkHarness& h = rig.h;
  switch (in.Below(6)) {
    case 0:  // still identifying
      h.link->Start();
      h.link->OnFrameTimer(frame_timer::kOpenPort);
      break;
    case 1: h.Identified(IdentityFrom(in)); break;
    case 2: h.Connected(IdentityFrom(in)); break;
    case 3: h.IndexStarted(IdentityFrom(in)); break;
    default: {
      h.IndexStarted(Identity("931", false, 409600, 40));
      rig.FillList(1 + static_cast<int>(in.Below(kMaxPictures)));
      break;
    }
  }
  h.Written();
}

void StartUpload(LinkRig& rig, FuzzInput& in) {
  // Sizes around the buffers' limits, contents from the input.
  const std::size_t pictureSizes[] = {0, 1, 112, 113, 5000, kPictureBlockSize,
                                      kPictureBlockSize + 1};
  const std::size_t previewSizes[] = {0, 1, 112, 2000, kPreviewSlotSize, kPreviewSlotSize + 1};
  rig.uploadPicture.assign(pictureSizes[in.Below(7)], in.Byte());
  rig.uploadPreview.assign(previewSizes[in.Below(6)], in.Byte());
  rig.uploadSlot.assign(in.Bool() ? kPreviewSlotSize : in.Below(200), 0x40);
  UploadRequest request;
  request.fine = in.Bool();
  request.picture = rig.uploadPicture;
  request.preview = rig.uploadPreview;
  request.previewSlot = rig.uploadSlot;
  request.entry.width = in.U16();
  request.entry.height = in.U16();
  rig.transfers->Upload().Start(request, rig.openfileTimers);
}

// A response of a kind chosen by the input.
CameraPacket MakePacket(LinkRig& rig, FuzzInput& in) {
  CameraPacket p{};
  const LinkState& s = rig.h.State();
  switch (in.Below(6)) {
    case 0: {  // raw bytes
      auto bytes = in.Take(kPacketSize);
      std::copy(bytes.begin(), bytes.end(), p.begin());
      break;
    }
    case 1: {  // a status packet, sometimes with the set-up trailer
      p = EncodeStatusPacket(in.Byte());
      if (in.Bool()) p[114] = kSetupTrailer;
      break;
    }
    case 2:  // a good data packet for the index, live or zoom counter
    case 3: {  // ... or for the picture counter
      std::uint16_t counter = in.Below(3) == 0
                                  ? in.U16()
                                  : (in.Bool() ? s.indexPacketCounter : s.picturePacketCounter);
      auto payload = in.Take(kPayloadSize);
      p = EncodeDataPacket(counter, payload.data(), payload.size());
      break;
    }
    case 4: {  // an item header with arbitrary fields
      HeaderFields f;
      f.quality = in.Byte();
      f.size = in.Bool() ? in.U32() : in.U16();
      f.width = in.U16();
      f.height = in.U16();
      f.endMarker = in.Below(4) == 0;
      f.previewWidth = in.U16();
      f.previewHeight = in.U16();
      f.freeFine = in.U16();
      f.freeNormal = in.U16();
      f.year = in.Byte();
      f.month = in.Byte();
      f.day = in.Byte();
      f.hour = in.Byte();
      f.minute = in.Byte();
      f.pictureCount = in.U16();
      p = IndexHeader(f);
      break;
    }
    default:  // a one-byte reply, the rest left over from before
      p.fill(in.Byte());
      p[0] = in.Byte();
      break;
  }
  return p;
}

void Step(LinkRig& rig, FuzzInput& in) {
  LinkHarness& h = rig.h;
  CameraLink& link = *h.link;
  const std::uint8_t op = in.Byte();
  if (op < 160) {
    link.HandleResponse(MakePacket(rig, in));
  } else if (op < 170) {
    link.OnFrameTimer(1 + static_cast<int>(in.Below(5)));
  } else if (op < 174) {
    link.OnPreviewTimer(1);
    rig.transfers->Download().OnCaptureTimer(1);
    rig.transfers->Upload().OnOpenfileTimer(1);
    link.OnWaitDialogTimer(1);
  } else if (op < 180) {
    rig.transfers->Live().OnTimer(1 + static_cast<int>(in.Below(4)));
  } else if (op < 186) {
    h.State().responseKind = static_cast<ResponseKind>(in.Below(kResponseKinds));
  } else if (op < 190) {
    h.State().linkPhase = static_cast<LinkPhase>(in.Below(8));
  } else if (op < 194) {
    // Around the preview (160 x 120) and picture (640 x 480) sizes, and nonsense.
    h.decodedWidth = static_cast<int>(in.Below(704)) - 2;
    h.decodedHeight = static_cast<int>(in.Below(524));  // the test bitmap writer needs >= 0
  } else if (op < 200) {
    rig.transfers->Download().CaptureWindowCreated(rig.target, rig.captureTimers);
    rig.transfers->Download().Start(static_cast<int>(in.Below(kMaxPictures + 2)) - 1);
  } else if (op < 204) {
    StartUpload(rig, in);
  } else if (op < 212) {
    LiveControl& live = rig.transfers->Live();
    switch (in.Below(6)) {
      case 0: live.LiveButtonNotified(in.Bool(), in.Bool()); break;
      case 1: live.ZoomButtonNotified(in.Bool(), in.Bool()); break;
      case 2: live.Painted(); break;
      case 3: live.Activated(); break;
      default: live.StopStream(); break;
    }
  } else if (op < 218) {
    DeleteOps& del = rig.transfers->Delete();
    switch (in.Below(3)) {
      case 0: del.DeletePages(); break;
      case 1: del.DeleteAll(); break;
      default: del.FlashAllErase(); break;
    }
  } else if (op < 222) {
    link.CloseWaitDialog(1 + static_cast<int>(in.Below(2)));
  } else if (op < 224) {
    rig.transfers->Download().CaptureWindowDestroyed(rig.target);
  } else if (op < 226) {
    // A click in the Preview window: toggles one entry's mark, the counts follow it.
    PictureList& list = h.List();
    const int n = static_cast<int>(in.Below(kMaxPictures + 1));
    list.currentPicture = static_cast<std::int16_t>(n);
    if (n < list.receivedEntries) {
      std::uint8_t& mark = list.entries[n].selectionMark;
      mark = mark == 1 ? 0 : 1;
      list.selectedCount = 0;
      for (int i = 0; i < list.receivedEntries; ++i) {
        if (list.entries[i].selectionMark == 1) ++list.selectedCount;
      }
      list.downloadsPending = static_cast<std::uint16_t>(in.Below(list.selectedCount + 1u));
    }
    rig.transfers->Download().ChooseNext();
  } else {
    link.HandleResponse(CameraPacket{});  // a wait that ended with nothing received
  }
}

}  // namespace

namespace lumarel::fuzz {

int FuzzLinkDispatch(const std::uint8_t* data, std::size_t size) {
  RunDirectory();  // $TMPDIR for the harness's directories
  FuzzInput in(data, size);
  LinkRig rig;
  Begin(rig, in);
  for (int steps = 0; !in.Empty() && steps < 4000; ++steps) {
    Step(rig, in);
    if (steps % 64 == 0) rig.h.Port().TakeWritten();
  }
  return 0;
}

}  // namespace lumarel::fuzz

#ifndef LUMAREL_FUZZ_REPLAY
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return lumarel::fuzz::FuzzLinkDispatch(data, size);
}
#endif
