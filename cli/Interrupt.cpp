// SPDX-License-Identifier: MIT
#include "cli/Interrupt.h"

#include <csignal>
#include <initializer_list>

namespace lumarel::cli {
namespace {

volatile std::sig_atomic_t gSignal = 0;

extern "C" void OnStopSignal(int signal) {
  if (gSignal == 0) gSignal = signal;
}

}  // namespace

void InstallInterruptFlag() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
  // Once caught, SIGINT is back to its default: the second Ctrl-C ends the process.
  action.sa_flags = SA_RESETHAND;
  sigaction(SIGINT, &action, nullptr);
}

int InterruptSignal() { return gSignal; }

int InterruptExitCode() { return gSignal != 0 ? 128 + gSignal : 0; }

void RequestInterrupt(int signal) { gSignal = signal; }

void ClearInterrupt() { gSignal = 0; }

}  // namespace lumarel::cli
