// SPDX-License-Identifier: MIT
// Ctrl-C and friends: SIGINT, SIGTERM and SIGHUP only set a flag that the
// commands poll, so that a run unwinds normally and every output file still
// being written (under its temporary name) is removed, never left half
// written under its real name. A second Ctrl-C ends the process at once, as
// a user who presses it again expects; its temporary file is the only trace.
#pragma once

namespace lumarel::cli {

void InstallInterruptFlag();

// The signal that asked the run to stop, or 0.
int InterruptSignal();
inline bool InterruptRequested() { return InterruptSignal() != 0; }

// The exit status shells expect of a run stopped by that signal: 128 + its
// number (130 for Ctrl-C).
int InterruptExitCode();

// Sets the flag as the handler does (tests; or a command that stops itself).
void RequestInterrupt(int signal);
void ClearInterrupt();

}  // namespace lumarel::cli
