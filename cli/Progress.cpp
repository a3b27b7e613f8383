// SPDX-License-Identifier: MIT
#include "cli/Progress.h"

#include <cstdio>
#include <ostream>

#include "link/Protocol.h"

namespace lumarel::cli {
namespace {

constexpr std::int64_t kRedrawMs = 200;

std::string KiloBytes(std::uint64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%llu", static_cast<unsigned long long>((bytes + 500) / 1000));
  return text;
}

}  // namespace

void RunProgress::StartRun(int pictures, std::int64_t nowMs) {
  *this = RunProgress{};
  pictures_ = pictures;
  runStartMs_ = nowMs;
}

void RunProgress::StartPicture(int k, std::uint64_t bytes) {
  if (k != current_) {
    finishedBytes_ += pictureDone_;
  } else {
    startedTotal_ -= pictureBytes_;  // the same picture again (a retry)
  }
  current_ = k;
  pictureBytes_ = bytes;
  pictureDone_ = 0;
  startedTotal_ += bytes;
}

void RunProgress::Advance(std::uint64_t bytesDone) {
  pictureDone_ = bytesDone < pictureBytes_ ? bytesDone : pictureBytes_;
}

std::string RunProgress::Text(std::int64_t nowMs) const {
  char text[160];
  int used = 0;
  if (pictures_ > 0)
    used = std::snprintf(text, sizeof text, "picture %d of %d: ", current_, pictures_);
  const double seconds = static_cast<double>(nowMs - runStartMs_) / 1000.0;
  const double runDone = static_cast<double>(finishedBytes_ + pictureDone_);
  const double rate = seconds > 0.05 ? runDone / seconds : 0.0;
  // A picture received whole is done, not moving: no "65 of 65 kB".
  if (pictureBytes_ > 0 && pictureDone_ == pictureBytes_)
    used += std::snprintf(text + used, sizeof text - used, "%s kB received",
                          KiloBytes(pictureBytes_).c_str());
  else
    used += std::snprintf(text + used, sizeof text - used, "%s of %s kB",
                          KiloBytes(pictureDone_).c_str(), KiloBytes(pictureBytes_).c_str());
  // No rate until one can be told (not "0.0 kB/s" at the start).
  if (rate > 0)
    used += std::snprintf(text + used, sizeof text - used, ", %.1f kB/s", rate / 1000.0);
  if (rate > 0 && (pictureDone_ < pictureBytes_ || pictures_ > current_)) {
    const int begun = current_ > 0 ? current_ : 1;
    const int toCome = pictures_ > current_ ? pictures_ - current_ : 0;
    const double average = static_cast<double>(startedTotal_) / begun;
    const double left = static_cast<double>(pictureBytes_ - pictureDone_) + toCome * average;
    const long secondsLeft = static_cast<long>(left / rate + 0.5);
    std::snprintf(text + used, sizeof text - used, ", %ld:%02ld left", secondsLeft / 60,
                  secondsLeft % 60);
  }
  return text;
}

void Progress::SetItem(int k, int n) {
  // A new count or an earlier item is a new run; the same item again is a retry.
  if (n != items_ || k < item_) run_.StartRun(n, clock_.NowMilliseconds());
  item_ = k;
  items_ = n;
}

void Progress::SetRange(int packets) {
  range_ = packets;
  run_.StartPicture(item_, static_cast<std::uint64_t>(packets) * kPayloadSize);
  Draw();
}

void Progress::SetPosition(int packet) {
  run_.Advance(static_cast<std::uint64_t>(packet) * kPayloadSize);
  if (clock_.NowMilliseconds() - lastDrawMs_ >= kRedrawMs || packet >= range_) Draw();
}

void Progress::Draw() {
  if (!enabled_ || range_ <= 0) return;
  lastDrawMs_ = clock_.NowMilliseconds();
  err_ << "\r\033[K" << run_.Text(lastDrawMs_) << std::flush;
  drawn_ = true;
}

void Progress::Clear() {
  if (!drawn_) return;
  err_ << "\r\033[K" << std::flush;
  drawn_ = false;
}

}  // namespace lumarel::cli
