// SPDX-License-Identifier: MIT
// Command-line options of vidmarelle-sim.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "CardChanges.h"
#include "LineFaults.h"
#include "SimCamera.h"

namespace lumarel::sim {

struct SimOptions {
  std::string link;           // --link PATH
  std::string picturesDir;    // --pictures DIR
  int generate = -1;          // --generate N (default 12 when no --pictures)
  CameraSettings camera;      // --model, --write-protected, --mode, --max-speed, ...
  bool realtime = false;      // --realtime
  int adapterLatencyMs = 0;   // --adapter-latency MS: a USB-serial adapter's latency timer
  FaultSettings faults;       // --garble-every, --drop-every, --silent-after, --garble-rate,
                              // --drop-rate, --silence-rate, --silence-ms (seeded by --seed)
  unsigned seed = 1;          // --seed
  std::string logFile;        // --log FILE ("-": standard error)
  std::string probe;          // --probe PATH: run the probe client instead
  CardChanges card;           // --small-previews, --return-after, --return-without
  bool help = false;
  bool version = false;       // --version
};

// Parses argv[1..]; false with a message in `error` on a bad option.
bool ParseSimOptions(const std::vector<std::string>& args, SimOptions& options, std::string& error);

extern const char* const kSimUsage;

}  // namespace lumarel::sim
