// SPDX-License-Identifier: MIT
// Where a paced line loses time on this machine. A camera thread on the
// master side of a pseudo-terminal answers each one-byte command with one
// packet, paced exactly as vidmarelle-sim --realtime paces it (due = command
// read + the packet's line time; sleep to 200 us before, spin to it); the
// calling thread plays the program on the slave side, its command paced like
// bench/TimedPort's. Every step is time-stamped on one clock, so the camera's
// turn as the link benchmark sees it (command logged to the packet's last
// byte read) splits into line time and the three delays a pseudo-terminal
// adds: the command's way to the camera, the pacer's lateness, and the
// packet's way back.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lumarel::bench {

struct PacingProfile {
  bool ok = false;
  int packets = 0;
  double lineUs = 0;           // line time of one command and one packet
  // Means over all packets, in microseconds.
  double commandTransitUs = 0;  // command written .. the camera's read returned
  double lateUs = 0;            // due time .. the camera's write (0 when on time)
  double packetTransitUs = 0;   // camera's write .. the program's last read returned
  double excessUs = 0;          // camera's turn less line time
  double excessMedianUs = 0;
  double excess99Us = 0;
};

PacingProfile ProbePacing(int packets, std::uint32_t speed, std::size_t packetBytes);

}  // namespace lumarel::bench
