#include "cli/Progress.h"

#include <cstdio>
#include <ostream>

#include "link/Protocol.h"

namespace lumarel::cli {

std::string Progress::Format(int k, int n, int position, int range, double elapsed) {
  char text[160];
  int used = 0;
  if (n > 0) used = std::snprintf(text, sizeof text, "picture %d of %d: ", k, n);
  const double bytes = static_cast<double>(position) * kPayloadSize;
  const double rate = elapsed > 0.05 ? bytes / elapsed : 0.0;
  const int left = rate > 0 ? static_cast<int>((range - position) * double(kPayloadSize) / rate + 0.5)
                            : -1;
  used += std::snprintf(text + used, sizeof text - used, "packet %d of %d, %.0f B/s", position,
                        range, rate);
  if (left >= 0) std::snprintf(text + used, sizeof text - used, ", %d:%02d left", left / 60, left % 60);
  return text;
}

void Progress::SetItem(int k, int n) {
  item_ = k;
  items_ = n;
}

void Progress::SetRange(int packets) {
  range_ = packets;
  position_ = 0;
  started_ = Clock::now();
  Draw();
}

void Progress::SetPosition(int packet) {
  position_ = packet;
  if (Clock::now() - lastDraw_ >= std::chrono::milliseconds(200) || packet >= range_) Draw();
}

void Progress::Draw() {
  if (!enabled_ || range_ <= 0) return;
  lastDraw_ = Clock::now();
  const double elapsed = std::chrono::duration<double>(lastDraw_ - started_).count();
  err_ << "\r\033[K" << Format(item_, items_, position_, range_, elapsed) << std::flush;
  drawn_ = true;
}

void Progress::Clear() {
  if (!drawn_) return;
  err_ << "\r\033[K" << std::flush;
  drawn_ = false;
}

}  // namespace lumarel::cli
