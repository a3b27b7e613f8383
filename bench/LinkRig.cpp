// SPDX-License-Identifier: MIT
#include "LinkRig.h"

#include <cstdio>

#include "imagefile/JpegDecode.h"

namespace lumarel::bench {

MessageAnswer ProgramLink::CountingNotifier::Show(const std::string& text, const std::string&,
                                                  MessageButtons buttons, MessageIcon) {
  ++shown;
  std::fprintf(stderr, "message: %s\n", text.c_str());
  return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
}

ProgramLink::ProgramLink(const std::string& device, const std::string& scratchDir, bool pace)
    : opener_(log_, pace) {
  frame_ = loop_.MakeTimers([this](int id) { link_->OnFrameTimer(id); });
  preview_ = loop_.MakeTimers([this](int id) { link_->OnPreviewTimer(id); });
  wait_ = loop_.MakeTimers([this](int id) { link_->OnWaitDialogTimer(id); });
  capture_ = loop_.MakeTimers([this](int id) { transfers_->Download().OnCaptureTimer(id); });
  LinkServices s;
  s.opener = &opener_;
  s.portMap.SetDevicePath(kPortCom1, device);
  s.portMap.SetDevicePath(kPortCom2, scratchDir + "/none2");
  s.portMap.SetDevicePath(kPortCom3, scratchDir + "/none3");
  s.portMap.SetDevicePath(kPortCom4, scratchDir + "/none4");
  s.frameTimers = frame_.get();
  s.previewTimers = preview_.get();
  s.waitDialogTimers = wait_.get();
  s.notifier = &messages_;
  s.ui = &ui_;
  s.dispatcher = &loop_;
  s.decodeJpeg = [](const std::string& a, const std::string& b) { DecodeJpegFile(a, b); };
  s.tempPathA = scratchDir + "/tmpA";
  s.tempPathB = scratchDir + "/tmpB";
  link_ = std::make_unique<CameraLink>(s);
  TransferServices t;
  t.clock = &SystemClock();
  t.currentPalette = palette_;
  t.liveFrame = liveFrame_;
  t.livePhoto = livePhoto_;
  transfers_ = std::make_unique<LinkTransfers>(*link_, t);
}

ProgramLink::~ProgramLink() {
  transfers_.reset();
  link_.reset();
}

bool ProgramLink::Connect(std::chrono::milliseconds timeout) {
  link_->Start();
  return loop_.RunUntil([&] { return link_->State().indexLoaded; }, timeout);
}

bool ProgramLink::Download(int n, std::chrono::milliseconds timeout,
                           const std::function<void()>& beforeStart) {
  const PictureEntry& e = link_->Pictures().entries[n];
  BenchTarget target(std::size_t(e.width) * e.height * 3 + 100);
  DownloadControl& download = transfers_->Download();
  download.CaptureWindowCreated(target, *capture_);
  if (beforeStart) beforeStart();
  bool done = download.Start(n) &&
              loop_.RunUntil([&] { return !link_->State().downloadActive; }, timeout);
  download.CaptureWindowDestroyed(target);
  return done;
}

}  // namespace lumarel::bench
