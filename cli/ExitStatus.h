// SPDX-License-Identifier: MIT
// Exit statuses of lumarel-cli.
#pragma once

namespace lumarel::cli {

enum class ExitStatus : int {
  Success = 0,
  LinkFailure = 1,  // no camera found, disconnected, refused, memory full, write-protected
  Usage = 2,
  FileError = 3,    // cannot read, write, decode or encode; disk full
  Interrupted = 130,  // Ctrl-C (the process exits with 128 + the signal's number)
};

// A declined delete or erase question: nothing happened because the user
// chose so, which is not a failure.
inline constexpr char kNothingDeleted[] = "nothing deleted";
inline constexpr char kNothingErased[] = "nothing erased";
inline constexpr ExitStatus kDeclinedStatus = ExitStatus::Success;

inline int Code(ExitStatus status) { return static_cast<int>(status); }

// The more serious of two outcomes (a link failure outranks a file error, an
// interruption both).
inline ExitStatus Worse(ExitStatus a, ExitStatus b) {
  auto rank = [](ExitStatus s) {
    switch (s) {
      case ExitStatus::Success: return 0;
      case ExitStatus::FileError: return 1;
      case ExitStatus::LinkFailure: return 2;
      case ExitStatus::Interrupted: return 3;
      case ExitStatus::Usage: return 4;
    }
    return 0;
  };
  return rank(a) >= rank(b) ? a : b;
}

}  // namespace lumarel::cli
