// Downloads over a line that garbles and drops packets as the simulator's
// --garble-every 7 --drop-every 11 do. Each dropped packet costs up to two
// Capture watchdog periods, so the full card runs for minutes: the suite takes
// three pictures, LUMAREL_FAULT_PICTURES=20 (scripts/soak) the whole card.
#include <gtest/gtest.h>

#include <cstdlib>

#include "SimLinkRig.h"
#include "SwitchedFaultLine.h"

namespace lumarel::testing {
namespace {

int FaultPictureCount() {
  const char* value = std::getenv("LUMAREL_FAULT_PICTURES");
  const int count = value ? std::atoi(value) : 3;
  return count > 0 ? count : 3;
}

// The simulator's garbling every 7th and dropping every 11th packet, switched on
// once the list is read (a dropped index packet costs a 4 s watchdog period).
TEST(DownloadAll, EveryPictureUnderGarbledAndDroppedPackets) {
  const fs::path dir = FreshDir();
  SwitchedFaultLine line((dir / "com1").string(), sim::GeneratePictures(FaultPictureCount(), 3));
  ASSERT_TRUE(line.Opened());
  TransferRig t(dir);
  ASSERT_TRUE(t.Connect());
  line.EnableFaults({7, 11, -1});
  DownloadAllAndCompare(t, line.Source(), dir);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace lumarel::testing
