// SPDX-License-Identifier: MIT
// The camera simulator as its own process behind a pseudo-terminal, for the
// benchmarks that drive the program's link against it.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace lumarel::bench {

// vidmarelle-sim with `pictures` generated pictures, linked at `link`, with
// any further options in `extra`.
class SimProcess {
 public:
  SimProcess(const std::string& link, int pictures, bool realtime,
             const std::vector<std::string>& extra = {});
  ~SimProcess();
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;
  // False when the simulator did not start or did not create its link.
  bool Ready() const { return ready_; }

 private:
  pid_t pid_ = -1;
  bool ready_ = false;
};

}  // namespace lumarel::bench
