// SPDX-License-Identifier: MIT
// What a run that writes several files tells its user: each written file's
// path on standard output (for scripts; nothing with -q), and a closing
// "6 saved, 2 skipped, 0 failed" on standard error, which keeps standard
// output a plain list of paths.
#pragma once

#include <iosfwd>
#include <string>

#include "cli/ExitStatus.h"

namespace lumarel::cli {

class RunReport {
 public:
  RunReport(std::ostream& out, std::ostream& err, bool quiet)
      : out_(out), err_(err), quiet_(quiet) {}

  void Saved(const std::string& path);
  // Left out on purpose (--skip-existing, --new, answered no); unaskedSkip: an
  // existing file kept only because nobody could be asked, which fails the run.
  void Skipped(bool unaskedSkip = false);
  void Failed(ExitStatus why);
  // A file was saved, but its path or its import record line could not be
  // written: the run fails with FileError without counting the picture as failed.
  void NotRecorded();

  int SavedCount() const { return saved_; }
  int SkippedCount() const { return skipped_; }
  int FailedCount() const { return failed_; }

  // "6 saved, 2 skipped, 0 failed".
  std::string SummaryText() const;
  // Prints the summary on err (not with -q).
  void PrintSummary();
  // Success, the worst failure, or LinkFailure (1) when a file was kept unasked.
  ExitStatus Status() const;

 private:
  std::ostream& out_;
  std::ostream& err_;
  bool quiet_;
  int saved_ = 0, skipped_ = 0, failed_ = 0;
  bool unaskedSkip_ = false;
  bool outLost_ = false;
  ExitStatus worst_ = ExitStatus::Success;
};

}  // namespace lumarel::cli
