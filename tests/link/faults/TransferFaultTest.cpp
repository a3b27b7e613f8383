// SPDX-License-Identifier: MIT
// The fault classes over a real line: an unplugged line, a bad preview, and
// downloads over a line that garbles and drops packets as the simulator's
// --garble-every / --drop-every do. Each dropped packet costs up to two Capture
// watchdog periods of real time, so the suite keeps this to one real-line run
// of the fault class (three pictures, one of each quality; every 13th packet
// garbled, every 41st dropped); the recovery steps themselves are unit tests on
// a fake clock. scripts/soak runs the whole card at the simulator's harshest
// settings: LUMAREL_FAULT_PICTURES=20 LUMAREL_FAULT_EVERY="7 11".
#include <gtest/gtest.h>

#include <cstdio>
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
  const TempDir scratch;
  const fs::path dir = scratch.Path();
  SwitchedFaultLine line((dir / "com1").string(), sim::GeneratePictures(FaultPictureCount(), 3));
  ASSERT_TRUE(line.Opened());
  TransferRig t(dir);
  ASSERT_TRUE(t.Connect());
  line.EnableFaults(FaultRates());
  DownloadAllAndCompare(t, line.Source(), dir);
}

// The line closes after five picture data packets, as an unplugged adapter:
// the download ends at once as line lost with the device's reason, not after
// a watchdog's worth of all-zero packets, and COM_DISCONNECT opens once.
TEST(LineLost, AnUnpluggedLineEndsTheDownloadAsLineLost) {
  const TempDir scratch;
  const fs::path dir = scratch.Path();
  sim::FaultSettings faults;
  faults.hangupAfter = 5;
  SimRig rig(dir / "com1", {}, faults, sim::GeneratePictures(2, 1));
  TransferRig t(dir);
  ASSERT_TRUE(t.Connect());
  TestTarget target(640 * 480 * 3 + 100);
  const auto started = std::chrono::steady_clock::now();
  const std::optional<LinkOutcome> outcome = t.RunOperation(
      [&](OperationDone done) { t.Ops().Download(0, target, *t.capture, done); }, 20s);
  ASSERT_TRUE(outcome.has_value());
  EXPECT_EQ(outcome->kind, OutcomeKind::LineLost);
  EXPECT_FALSE(outcome->reason.empty());
  EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);
  t.loop.RunFor(300ms);
  EXPECT_EQ(t.ui.rec.disconnectDialogs, 1);
  EXPECT_FALSE(t.link->WaitDialogOpen());
  t.Ops().EndDownload(target);
}

// The second preview is no JPEG: one message, the grey placeholder, and the
// rest of the list still arrives.
TEST(BadPreview, TheListGoesOnWithAPlaceholder) {
  const TempDir scratch;
  const fs::path dir = scratch.Path();
  sim::CameraSettings camera;
  camera.badPreview = 2;
  SimRig rig(dir / "com1", camera, {}, sim::GeneratePictures(4, 1));
  TransferRig t(dir);
  ASSERT_TRUE(t.Connect(30s));
  EXPECT_EQ(t.link->Pictures().receivedEntries, 4);
  ASSERT_EQ(t.notifier.shown.size(), 1u);
  EXPECT_EQ(t.notifier.shown[0].caption, "ERROR");
  const std::uint8_t* slot = t.link->Pictures().store.Slot(1);
  ASSERT_NE(slot, nullptr);
  EXPECT_EQ(slot[4], kEmptySlotWidth);
  EXPECT_EQ(t.ui.rec.disconnectDialogs, 0);
}

}  // namespace
}  // namespace lumarel::testing
