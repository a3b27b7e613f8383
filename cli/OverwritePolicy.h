// SPDX-License-Identifier: MIT
// What to do when a download's file name already exists. Nothing is replaced
// silently: on a terminal the user is asked (yes / no / all / quit); without
// one the file is skipped with a message and the run must end with status 1;
// --force-overwrite replaces (still through a temporary file and rename).
#pragma once

#include <iosfwd>
#include <string>

namespace lumarel::cli {

enum class OverwriteMode {
  Ask,      // a terminal: ask for each existing file
  Skip,     // no terminal: keep the file, report it
  Replace,  // --force-overwrite
};

enum class OverwriteDecision {
  Write,  // the file does not exist, or may be replaced
  Skip,   // keep the existing file, go on with the next picture
  Quit,   // keep it and download nothing more
};

class OverwritePolicy {
 public:
  // `in` answers the questions printed on `err`; messages go to err too.
  OverwritePolicy(OverwriteMode mode, std::istream& in, std::ostream& err)
      : mode_(mode), in_(in), err_(err) {}

  // The mode for a run: Replace with --force-overwrite, else Ask when both
  // standard input and standard error are terminals, else Skip.
  static OverwriteMode ModeFor(bool forceOverwrite, bool inputIsTerminal, bool errIsTerminal);

  // Decides for path, which the caller found to exist.
  OverwriteDecision ForExisting(const std::string& path);
  // Decides for path, looking whether it exists.
  OverwriteDecision For(const std::string& path);

  OverwriteMode Mode() const { return mode_; }
  // True once a file was skipped without asking: the run's exit status is then 1.
  bool SkippedUnasked() const { return skippedUnasked_; }

 private:
  OverwriteMode mode_;
  std::istream& in_;
  std::ostream& err_;
  bool replaceAll_ = false;
  bool quit_ = false;
  bool skippedUnasked_ = false;
};

}  // namespace lumarel::cli
