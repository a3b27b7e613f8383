// SPDX-License-Identifier: MIT
#include "cli/RunReport.h"

#include <ostream>

namespace lumarel::cli {

void RunReport::Saved(const std::string& path) {
  ++saved_;
  Print(path);
}

void RunReport::AlsoWritten(const std::string& path) { Print(path); }

void RunReport::Print(const std::string& path) {
  if (quiet_) return;
  out_ << path << terminator_ << std::flush;  // a pipe sees each file as it comes
  // A script that collects the paths must not lose them unnoticed.
  if (!out_ && !outLost_) {
    outLost_ = true;
    err_ << "lumarel-cli: cannot write the saved files' paths to standard output" << std::endl;
    NotRecorded();
  }
}

void RunReport::NotRecorded() { worst_ = Worse(worst_, ExitStatus::FileError); }

void RunReport::Skipped(bool unaskedSkip) {
  ++skipped_;
  unaskedSkip_ = unaskedSkip_ || unaskedSkip;
}

void RunReport::Failed(ExitStatus why) {
  ++failed_;
  worst_ = Worse(worst_, why);
}

void RunReport::NotAttempted(ExitStatus why) {
  ++notAttempted_;
  worst_ = Worse(worst_, why);
}

std::string RunReport::SummaryText() const {
  return std::to_string(saved_) + " saved, " + std::to_string(skipped_) + " skipped, " +
         std::to_string(failed_) + " failed" +
         (notAttempted_ > 0 ? ", " + std::to_string(notAttempted_) + " not attempted" : "");
}

void RunReport::PrintSummary() {
  if (!quiet_) err_ << SummaryText() << std::endl;
}

ExitStatus RunReport::Status() const {
  return unaskedSkip_ ? Worse(worst_, ExitStatus::LinkFailure) : worst_;
}

}  // namespace lumarel::cli
