// SPDX-License-Identifier: MIT
// Progress of the transfers on standard error, when it is a terminal: picture
// k of n, bytes, rate and time left for the whole run, rewritten in place.
// RunProgress is the arithmetic and the text, driven by times passed in;
// Progress draws it, at most five times a second.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

#include "platform/Clock.h"

namespace lumarel::cli {

class RunProgress {
 public:
  // A run of n pictures (0: one transfer without a count, as put).
  void StartRun(int pictures, std::int64_t nowMs);
  // Picture k (1-based) of the run begins; it has `bytes` bytes. The same k
  // again is a retry: what its failed attempt received no longer counts.
  void StartPicture(int k, std::uint64_t bytes);
  // Bytes of the current picture received so far.
  void Advance(std::uint64_t bytesDone);

  // "picture 3 of 6: 41 of 82 kB, 9.6 kB/s, 0:42 left"; a picture received
  // whole says "82 kB received"; no rate or time left until a rate is known.
  // The time left is for the run: the rest of this picture and, for the
  // pictures still to come, the average size of those begun so far, at the
  // run's rate.
  std::string Text(std::int64_t nowMs) const;

 private:
  int pictures_ = 0;
  int current_ = 0;
  std::int64_t runStartMs_ = 0;
  std::uint64_t finishedBytes_ = 0;  // pictures before the current one
  std::uint64_t startedTotal_ = 0;   // sizes of all pictures begun, the current one included
  std::uint64_t pictureBytes_ = 0;
  std::uint64_t pictureDone_ = 0;
};

class Progress {
 public:
  Progress(std::ostream& err, bool enabled, Clock& clock = SystemClock())
      : err_(err), enabled_(enabled), clock_(clock) {}

  // The item being transferred (k of n, 1-based); 0 of 0 when there is no count.
  void SetItem(int k, int n);
  // The current item's size in packets of the link, and the packets received.
  void SetRange(int packets);
  void SetPosition(int packet);
  // Clears the line (before other output, and at the end).
  void Clear();

 private:
  void Draw();

  std::ostream& err_;
  bool enabled_;
  Clock& clock_;
  RunProgress run_;
  bool drawn_ = false;
  int item_ = 0, items_ = -1, range_ = 0;
  std::int64_t lastDrawMs_ = 0;
};

}  // namespace lumarel::cli
