// SPDX-License-Identifier: MIT
#include "link/LinkAssembly.h"

#include <algorithm>

#include "imagefile/DibImage.h"
#include "imagefile/JpegDecode.h"
#include "link/EventLoop.h"
#include "link/LinkOperations.h"
#include "link/ScratchDecode.h"
#include "platform/Clock.h"

namespace lumarel {

namespace {

// A block of `size` bytes holding a width x height 24-bit picture, all 0x80.
std::vector<std::uint8_t> GreyPicture(std::size_t size, int width, int height) {
  std::vector<std::uint8_t> block(size, 0);
  WriteDibHeader(block, width, height, 24);
  const std::size_t pixels = DibStride(static_cast<std::size_t>(width), 24) * height;
  std::fill_n(block.begin() + kDibInfoHeaderSize, std::min(pixels, size - kDibInfoHeaderSize),
              std::uint8_t{0x80});
  return block;
}

}  // namespace

LinkAssembly::LinkAssembly(LinkParts parts) {
  LinkServices& s = parts.link;
  if (s.frameTimers == nullptr) {
    frameTimers_ = parts.makeTimers([this](int id) { link_->OnFrameTimer(id); });
    s.frameTimers = frameTimers_.get();
  }
  if (s.previewTimers == nullptr) {
    previewTimers_ = parts.makeTimers([this](int id) { link_->OnPreviewTimer(id); });
    s.previewTimers = previewTimers_.get();
  }
  if (s.waitDialogTimers == nullptr) {
    waitTimers_ = parts.makeTimers([this](int id) { link_->OnWaitDialogTimer(id); });
    s.waitDialogTimers = waitTimers_.get();
  }
  if (!s.decodeJpeg) {
    s.decodeJpeg = DecodeCameraJpeg;
  }
  link_ = std::make_unique<CameraLink>(std::move(s));

  TransferServices& t = parts.transfers;
  if (t.clock == nullptr) t.clock = &SystemClock();
  if (t.liveTimers == nullptr) {
    // A live timer may expire while the transfers are still being made.
    liveTimers_ = parts.makeTimers([this](int id) {
      if (transfers_) transfers_->Live().OnTimer(id);
    });
    t.liveTimers = liveTimers_.get();
  }
  if (t.liveFrame.empty()) {
    ownFrame_ = GreyPicture(kPreviewSlotSize, 160, 120);
    t.liveFrame = ownFrame_;
  }
  if (t.livePhoto.empty()) {
    ownPhoto_ = GreyPicture(kPictureBlockSize, 640, 480);
    t.livePhoto = ownPhoto_;
  }
  liveFrame_ = t.liveFrame;
  livePhoto_ = t.livePhoto;
  transfers_ = std::make_unique<LinkTransfers>(*link_, t);
}

LinkAssembly::~LinkAssembly() {
  transfers_.reset();
  link_.reset();
}

TimerMaker TimersOn(EventLoop& loop) {
  return [&loop](std::function<void(int)> handler) { return loop.MakeTimers(std::move(handler)); };
}

PortMap PortMapWithCom1(const std::string& device, const std::string& absentDir) {
  PortMap ports;
  ports.SetDevicePath(kPortCom1, device);
  ports.SetDevicePath(kPortCom2, absentDir + "/none2");
  ports.SetDevicePath(kPortCom3, absentDir + "/none3");
  ports.SetDevicePath(kPortCom4, absentDir + "/none4");
  return ports;
}

}  // namespace lumarel
