// Downloads over a line that garbles and drops packets as the simulator's
// --garble-every / --drop-every do. Each dropped packet costs up to two Capture
// watchdog periods of real time, so the suite keeps this to one real-line run of
// the fault class (two pictures, every 13th packet garbled, every 41st dropped);
// the recovery steps themselves are unit tests on a fake clock. scripts/soak runs
// the whole card at the simulator's harshest settings:
// LUMAREL_FAULT_PICTURES=20 LUMAREL_FAULT_EVERY="7 11".
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "SimLinkRig.h"
#include "SwitchedFaultLine.h"

namespace lumarel::testing {
namespace {

int FaultPictureCount() {
  const char* value = std::getenv("LUMAREL_FAULT_PICTURES");
  const int count = value ? std::atoi(value) : 2;
  return count > 0 ? count : 2;
}

// "GARBLE DROP" from LUMAREL_FAULT_EVERY, else 13 and 41.
sim::FaultSettings FaultRates() {
  int garble = 13, drop = 41;
  if (const char* value = std::getenv("LUMAREL_FAULT_EVERY")) {
    int g = 0, d = 0;
    if (std::sscanf(value, "%d %d", &g, &d) == 2 && g > 1 && d > 1) {
      garble = g;
      drop = d;
    }
  }
  return {garble, drop, -1};
}

// Faults switched on once the list is read (a dropped index packet costs a 4 s
// watchdog period).
TEST(DownloadAll, EveryPictureUnderGarbledAndDroppedPackets) {
  const fs::path dir = FreshDir();
  SwitchedFaultLine line((dir / "com1").string(), sim::GeneratePictures(FaultPictureCount(), 3));
  ASSERT_TRUE(line.Opened());
  TransferRig t(dir);
  ASSERT_TRUE(t.Connect());
  line.EnableFaults(FaultRates());
  DownloadAllAndCompare(t, line.Source(), dir);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace lumarel::testing
