// SPDX-License-Identifier: MIT
#include "LinkRig.h"

#include <cstdio>

namespace lumarel::bench {

MessageAnswer ProgramLink::CountingNotifier::Show(const std::string& text, const std::string&,
                                                  MessageButtons buttons, MessageIcon) {
  ++shown;
  std::fprintf(stderr, "message: %s\n", text.c_str());
  return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
}

ProgramLink::ProgramLink(const std::string& device, const std::string& scratchDir, bool pace)
    : opener_(log_, pace) {
  LinkParts parts;
  parts.link.opener = &opener_;
  parts.link.portMap = PortMapWithCom1(device, scratchDir);
  parts.link.notifier = &messages_;
  parts.link.ui = &ui_;
  parts.link.dispatcher = &loop_;
  parts.link.tempPathA = scratchDir + "/tmpA";
  parts.link.tempPathB = scratchDir + "/tmpB";
  parts.makeTimers = TimersOn(loop_);
  assembly_ = std::make_unique<LinkAssembly>(std::move(parts));
  capture_ = loop_.MakeTimers(
      [this](int id) { assembly_->Transfers().Download().OnCaptureTimer(id); });
}

ProgramLink::~ProgramLink() { assembly_.reset(); }

bool ProgramLink::Connect(std::chrono::milliseconds timeout) {
  assembly_->Link().Start();
  return loop_.RunUntil([&] { return assembly_->Link().State().indexLoaded; }, timeout);
}

bool ProgramLink::Download(int n, std::chrono::milliseconds timeout,
                           const std::function<void()>& beforeStart) {
  const PictureEntry& e = assembly_->Link().Pictures().entries[n];
  BenchTarget target(std::size_t(e.width) * e.height * 3 + 100);
  DownloadControl& download = assembly_->Transfers().Download();
  download.CaptureWindowCreated(target, *capture_);
  if (beforeStart) beforeStart();
  bool done = download.Start(n) &&
              loop_.RunUntil([&] { return !assembly_->Link().State().downloadActive; }, timeout);
  download.CaptureWindowDestroyed(target);
  return done;
}

}  // namespace lumarel::bench
