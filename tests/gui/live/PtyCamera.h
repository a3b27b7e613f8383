// SPDX-License-Identifier: MIT
// The simulated camera behind a pseudo-terminal on its own thread, as the
// program meets it through a serial device path. Names no link or picture
// types, so it can sit beside the frame's headers.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace lumarel::testing {

class PtyCamera {
 public:
  // Links the camera's line at `linkPath`; Started() tells whether that worked.
  explicit PtyCamera(const std::string& linkPath);
  ~PtyCamera();
  bool Started() const;
  // The camera's log ("rx CmdLiveStop at 115200", ...).
  std::vector<std::string> Log() const;
  int Count(const std::string& line) const;

 private:
  struct Core;
  std::unique_ptr<Core> core_;
};

}  // namespace lumarel::testing
