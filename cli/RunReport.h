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
  // terminator ends each printed path ('\0' for -0).
  RunReport(std::ostream& out, std::ostream& err, bool quiet, char terminator = '\n')
      : out_(out), err_(err), quiet_(quiet), terminator_(terminator) {}

  void Saved(const std::string& path);
  // A second file of the same picture (--original --processed): printed, not counted.
  void AlsoWritten(const std::string& path);
  // Left out on purpose (--skip-existing, --new, answered no); unaskedSkip: an
  // existing file kept only because nobody could be asked, which fails the run.
  void Skipped(bool unaskedSkip = false);
  void Failed(ExitStatus why);
  // Never tried: the run ended before its turn (the line is gone, the disk full).
  void NotAttempted(ExitStatus why);
  // Something went wrong that is no picture's (a hook failed).
  void Worsen(ExitStatus why) { worst_ = Worse(worst_, why); }
  // A file was saved, but its path or its import record line could not be
  // written: the run fails with FileError without counting the picture as failed.
  void NotRecorded();

  int SavedCount() const { return saved_; }
  int SkippedCount() const { return skipped_; }
  int FailedCount() const { return failed_; }
  int NotAttemptedCount() const { return notAttempted_; }

  // "6 saved, 2 skipped, 0 failed" (", 3 not attempted" when there are such).
  std::string SummaryText() const;
  // Prints the summary on err (not with -q).
  void PrintSummary();
  // Success, the worst failure, or LinkFailure (1) when a file was kept unasked.
  ExitStatus Status() const;

 private:
  // One path on out; a path that cannot be written fails the run (NotRecorded).
  void Print(const std::string& path);
  std::ostream& out_;
  std::ostream& err_;
  bool quiet_;
  char terminator_;
  int saved_ = 0, skipped_ = 0, failed_ = 0, notAttempted_ = 0;
  bool unaskedSkip_ = false;
  bool outLost_ = false;
  ExitStatus worst_ = ExitStatus::Success;
};

}  // namespace lumarel::cli
