// SPDX-License-Identifier: MIT
// The link and its transfers, put together by LinkAssembly as every front end
// does, wired to fakes and with no threads: the fake receiver does the receive
// thread's opening writes synchronously, and tests hand responses to
// HandleResponse directly.
#pragma once


#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "FakeSerialPort.h"
#include "PlatformFakes.h"
#include "RecordingLinkUi.h"
#include "TempDir.h"
#include "imagefile/DibImage.h"
#include "link/CameraLink.h"
#include "link/IndexHandler.h"
#include "link/LinkAssembly.h"
#include "link/LinkSetup.h"
#include "link/Protocol.h"

namespace lumarel::testing {

using Bytes = std::vector<std::uint8_t>;

class SyncReceiver final : public Receiver {
 public:
  explicit SyncReceiver(int& discards) : discards_(discards) {}
  void DiscardPartial() override { ++discards_; }

 private:
  int& discards_;
};

inline CameraPacket Identity(const char* model = "931", bool writeProtected = false,
                             std::uint32_t capacity = 409600, std::uint16_t pictures = 25) {
  CameraPacket p = EncodeStatusPacket(0);
  p[2] = writeProtected ? 0x10 : 0;
  p[4] = static_cast<std::uint8_t>(model[0]);
  p[5] = static_cast<std::uint8_t>(model[1]);
  p[6] = static_cast<std::uint8_t>(model[2]);
  WriteBigEndian32(&p[16], capacity);
  WriteBigEndian16(&p[20], pictures);
  return p;
}

// The header packet of an index entry.
struct HeaderFields {
  std::uint8_t quality = 0x01;
  std::uint32_t size = 2000;
  std::uint16_t width = 640, height = 480;
  bool endMarker = false;
  std::uint16_t previewWidth = 160, previewHeight = 120;
  std::uint16_t freeFine = 10, freeNormal = 20;
  std::uint8_t year = 101, month = 6, day = 15, hour = 9, minute = 5;
  std::uint16_t pictureCount = 25;
};

inline CameraPacket IndexHeader(const HeaderFields& f) {
  CameraPacket p = EncodeDataPacket(0, nullptr, 0);
  p[2] = 0;
  p[3] = f.quality;
  WriteBigEndian32(&p[4], f.size);
  WriteBigEndian16(&p[8], f.width);
  WriteBigEndian16(&p[10], f.height);
  p[12] = f.endMarker ? 0 : 1;
  p[13] = 0;
  WriteBigEndian16(&p[14], f.previewWidth);
  WriteBigEndian16(&p[16], f.previewHeight);
  WriteBigEndian16(&p[18], f.freeFine);
  WriteBigEndian16(&p[20], f.freeNormal);
  p[22] = f.year;
  p[23] = f.month;
  p[24] = f.day;
  p[25] = f.hour;
  p[26] = f.minute;
  WriteBigEndian16(&p[28], f.pictureCount);
  return p;
}

inline CameraPacket DataPacketOf(std::uint16_t counter, std::uint8_t fill) {
  std::uint8_t payload[kPayloadSize];
  std::fill_n(payload, kPayloadSize, fill);
  return EncodeDataPacket(counter, payload, kPayloadSize);
}

// Writes a 24-bit BMP of width x height whose pixels are all `value`.
inline void WriteTestBitmap(const std::string& path, int width, int height, std::uint8_t value) {
  std::vector<std::uint8_t> file(54 + std::size_t(width) * height * 3, value);
  auto put32 = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) file[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  file[0] = 'B';
  file[1] = 'M';
  put32(2, static_cast<std::uint32_t>(file.size()));
  put32(6, 0);
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<std::uint32_t>(width));
  put32(22, static_cast<std::uint32_t>(height));
  file[26] = 1;
  file[27] = 0;
  file[28] = 24;
  for (std::size_t i = 29; i < 54; ++i) file[i] = 0;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(file.data(), 1, file.size(), f);
  std::fclose(f);
}

class LinkHarness {
 public:
  explicit LinkHarness(bool ntFamily = true) {
    LinkParts parts;
    LinkServices& s = parts.link;
    s.opener = &opener;
    s.portMap.SetDevicePath(kPortCom1, "com1");
    s.portMap.SetDevicePath(kPortCom2, "com2");
    s.portMap.SetDevicePath(kPortCom3, "com3");
    s.portMap.SetDevicePath(kPortCom4, "com4");
    s.frameTimers = &frame;
    s.previewTimers = &preview;
    s.waitDialogTimers = &waitTimers;
    s.notifier = &notifier;
    s.ui = &ui;
    s.ntFamily = ntFamily;
    s.tempPathA = (dir / "tmpA").string();
    s.tempPathB = (dir / "tmpB").string();
    s.decodeJpeg = [this](const std::string& jpeg, const std::string& bmp) {
      ++decodes;
      if (decodedWidth > 0) WriteTestBitmap(bmp, decodedWidth, decodedHeight, decodedValue);
      return ImageResult(ImageStatus::Done);
    };
    s.makeReceiver = [this](SerialPort& port, CameraLink& link) {
      port.WriteByte(CmdWake);
      port.WriteByte(CmdIdentify);
      link.ReceiverStarted();
      return std::make_unique<SyncReceiver>(discards);
    };
    TransferServices& t = parts.transfers;
    t.clock = &clock;
    t.liveTimers = &liveTimers;
    t.currentPalette = currentPalette;
    t.liveFrame = liveFrame;
    t.livePhoto = livePhoto;
    WriteDibHeader(liveFrame, 160, 120, 24);
    WriteDibHeader(livePhoto, 640, 480, 24);
    assembly = std::make_unique<LinkAssembly>(std::move(parts));
    link = &assembly->Link();
    transfers = &assembly->Transfers();
  }
  ~LinkHarness() { assembly.reset(); }

  FakeSerialPort& Port() { return *opener.OpenedPorts().back().port; }
  Bytes Written() { return Port().TakeWritten(); }
  void Feed(const CameraPacket& p) { link->HandleResponse(p); }
  LinkState& State() { return link->State(); }
  PictureList& List() { return link->Pictures(); }

  // Start, open COM1, identify: LinkPhase 2, writes taken.
  void Identified(const CameraPacket& id = Identity()) {
    link->Start();
    link->OnFrameTimer(frame_timer::kOpenPort);
    Feed(id);
    Written();
  }
  // Through 115200 to camera ready: LinkPhase 0, index addressing begun.
  void Connected(const CameraPacket& id = Identity()) {
    Identified(id);
    link->OnFrameTimer(frame_timer::kSetupStep);
    Feed(EncodeStatusPacket(StatusAccepted));
    Feed(EncodeStatusPacket(StatusCameraReady));
    Written();
  }
  // Camera ready and the digit sequence done: the index entries may come.
  void IndexStarted(const CameraPacket& id = Identity()) {
    Connected(id);
    for (int i = 0; i < 3; ++i) Feed(EncodeStatusPacket(StatusAccepted));
    Written();
    ui.Clear();
  }

  TempDir scratch;
  std::filesystem::path dir = scratch.Path();
  FakeSerialPortOpener opener;
  RecordingTimers frame, preview, waitTimers;
  RecordingNotifier notifier;
  RecordingLinkUi ui;
  int discards = 0;
  int decodes = 0;
  int decodedWidth = 160, decodedHeight = 120;
  std::uint8_t decodedValue = 0x42;
  FakeClock clock;
  RecordingTimers liveTimers;
  std::vector<std::uint8_t> currentPalette = std::vector<std::uint8_t>(1032, 0);
  std::vector<std::uint8_t> liveFrame = std::vector<std::uint8_t>(59392, 0x80);
  std::vector<std::uint8_t> livePhoto = std::vector<std::uint8_t>(925696, 0x80);
  std::unique_ptr<LinkAssembly> assembly;
  CameraLink* link = nullptr;
  LinkTransfers* transfers = nullptr;
};

}  // namespace lumarel::testing
