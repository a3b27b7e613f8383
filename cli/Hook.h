// SPDX-License-Identifier: MIT
// get --hook CMD: a command run through /bin/sh -c after each file saved and
// once at the end, with what happened in its environment:
//   LUMAREL_ACTION  "saved" or "end"
//   saved: LUMAREL_FILE (the path), LUMAREL_NUMBER (the picture's number),
//          LUMAREL_DATE (its date, YYYY-MM-DDTHH:MM:SS; empty when it has none)
//   end:   LUMAREL_SAVED, LUMAREL_SKIPPED, LUMAREL_FAILED, LUMAREL_NOT_ATTEMPTED,
//          LUMAREL_STATUS (the exit status the run will have)
// The hook's standard output goes to standard error: standard output stays
// the list of paths. lumarel-cli waits for it; a hook that cannot run or
// exits non-zero is reported and fails the run (status 1).
#pragma once

#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

namespace lumarel::cli {

using HookVariables = std::vector<std::pair<std::string, std::string>>;

class Hook {
 public:
  Hook(std::string command, std::ostream& err) : command_(std::move(command)), err_(err) {}
  bool Enabled() const { return !command_.empty(); }
  // Runs the command with these variables added to the environment; true
  // when it ran and exited 0 (or there is no hook).
  bool Run(const HookVariables& variables);

 private:
  std::string command_;
  std::ostream& err_;
};

}  // namespace lumarel::cli
