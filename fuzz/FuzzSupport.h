// SPDX-License-Identifier: MIT
// Shared pieces of the fuzz targets: one private temporary directory per
// process (also made $TMPDIR, so the code under test puts its own temporary
// files there), writing the input to a file, and a silent message box.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/Clock.h"
#include "platform/Notifier.h"

namespace lumarel::fuzz {

// The process's temporary directory, created on first use and removed at exit.
const std::string& RunDirectory();

// A path inside RunDirectory(); the same name gives the same path.
std::string RunPath(const std::string& name);

// Replaces the file at `path` with the given bytes; false on failure.
bool WriteFileBytes(const std::string& path, const std::uint8_t* data, std::size_t size);

// Reads a whole file; empty when missing.
std::string ReadFileBytes(const std::string& path);

// Answers every message box with its default and counts them.
class SilentNotifier final : public Notifier {
 public:
  MessageAnswer Show(const std::string& text, const std::string& caption, MessageButtons buttons,
                     MessageIcon icon) override {
    ++shown;
    return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
  }
  int shown = 0;
};

// A fixed clock, so runs are reproducible.
class FixedClock final : public Clock {
 public:
  std::int64_t NowMilliseconds() override { return 0; }
  LocalTime Now() override { return {2001, 6, 15, 10, 30, 0}; }
};

}  // namespace lumarel::fuzz
