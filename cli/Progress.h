// Progress of the transfers on standard error, when it is a terminal: picture
// k of n, packets, bytes per second and time left, rewritten in place.
#pragma once

#include <chrono>
#include <iosfwd>
#include <string>

namespace lumarel::cli {

class Progress {
 public:
  using Clock = std::chrono::steady_clock;

  Progress(std::ostream& err, bool enabled) : err_(err), enabled_(enabled) {}

  // The item being transferred (k of n, 1-based); 0 of 0 when there is no count.
  void SetItem(int k, int n);
  void SetRange(int packets);
  void SetPosition(int packet);
  // Clears the line (before other output, and at the end).
  void Clear();

  // The text shown for the given state; elapsed is the time since the range was set.
  static std::string Format(int k, int n, int position, int range, double elapsedSeconds);

 private:
  void Draw();

  std::ostream& err_;
  bool enabled_;
  bool drawn_ = false;
  int item_ = 0, items_ = 0, position_ = 0, range_ = 0;
  Clock::time_point started_ = Clock::now();
  Clock::time_point lastDraw_{};
};

}  // namespace lumarel::cli
