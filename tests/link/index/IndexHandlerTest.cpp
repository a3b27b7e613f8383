// SPDX-License-Identifier: MIT
// The index transfer, the picture list and the Preview window's watchdog.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <tuple>

#include "LinkHarness.h"
#include "link/LinkTexts.h"
#include "link/LinkWatchdog.h"
#include "link/PictureKey.h"
#include "link/RememberedPreviews.h"

namespace lumarel::testing {
namespace {

std::string Text(const Label& label) { return std::string(label.data()); }

// Sends one whole entry: header, then its data packets, acknowledging nothing itself.
void SendEntry(LinkHarness& h, const HeaderFields& f, std::uint8_t fill = 0x11) {
  h.Feed(IndexHeader(f));
  const std::uint32_t n = PacketsInItem(f.size);
  for (std::uint32_t k = 1; k <= n; ++k) h.Feed(DataPacketOf(static_cast<std::uint16_t>(k), fill));
}

TEST(Labels, YearsAndQuality) {
  EXPECT_EQ(Text(FormatLabel(1, true, {DisplayYear(101), 6, 15, 9, 5})), "  1F: 01/6/15 9:05");
  EXPECT_EQ(Text(FormatLabel(12, false, {DisplayYear(99), 12, 31, 23, 59})), " 12N: 99/12/31 23:59");
  EXPECT_EQ(Text(FormatFileName(3, true, {DisplayYear(101), 6, 15, 9, 5})), "3F01-6-15(9-5)");
  EXPECT_EQ(Text(FormatFileName(3, false, {99, 1, 2, 3, 4})), "3N99-1-2(3-4)");
}

// The picture's own date, for the Exif date tags of a saved camera picture:
// the camera's year byte counts from 1900.
TEST(Labels, EntryDateFromTheCamerasFields) {
  const struct {
    CameraDate date;
    std::optional<LocalTime> time;
  } cases[] = {
      {{101, 6, 15, 9, 5}, LocalTime{2001, 6, 15, 9, 5, 0}},
      {{99, 12, 30, 10, 0}, LocalTime{1999, 12, 30, 10, 0, 0}},
      {{200, 1, 2, 3, 4}, LocalTime{2100, 1, 2, 3, 4, 0}},
      {{101, 0, 15, 9, 5}, std::nullopt},  // month 0: no calendar date
      {{101, 6, 15, 24, 5}, std::nullopt},
  };
  for (const auto& c : cases) {
    PictureEntry entry;
    entry.date = c.date;
    EXPECT_EQ(entry.TakenAt(), c.time) << int{c.date.yearByte};
  }
  EXPECT_FALSE(PictureEntry{}.TakenAt());
}

TEST(PreviewStoreSizing, SlotsFromCapacityAndCount) {
  EXPECT_EQ(PreviewStore::SlotCountFor(40960 * 5 + 40959, 3), 5u + 3u + 4u);
  EXPECT_EQ(PreviewStore::SlotCountFor(0xFFFFFFFF, 100), 800u);
  PreviewStore store;
  ASSERT_TRUE(store.Allocate(2));
  const std::uint8_t* slot = store.Slot(1);
  EXPECT_EQ(slot[0], 40);
  EXPECT_EQ(slot[4], 128);
  EXPECT_EQ(slot[8], 56);
  EXPECT_EQ(slot[12], 1);
  EXPECT_EQ(slot[14], 24);
  EXPECT_EQ(slot[39], 0);
  EXPECT_EQ(slot[40], 0x80);
  EXPECT_EQ(slot[kPreviewSlotSize - 1], 0x80);
  EXPECT_EQ(store.Slot(2), nullptr);
}

TEST(PreviewStoreSizing, AllocationFailureShowsNotEnoughMemory) {
  LinkHarness h;
  h.link->Services().previewStoreLimit = kPreviewSlotSize * 3;
  h.Connected(Identity("931", false, 0, 10));
  ASSERT_EQ(h.notifier.shown.size(), 1u);
  EXPECT_EQ(h.notifier.shown[0].text, "Not enough memory.");
  EXPECT_EQ(h.notifier.shown[0].caption, "Global Memory");
  EXPECT_FALSE(h.List().store.Exists());
  EXPECT_EQ(h.State().linkPhase, LinkPhase{0});  // goes on without previews
}

TEST(IndexEntry, DecodedPreviewLandsInItsSlot) {
  LinkHarness h;
  h.IndexStarted();
  HeaderFields f;
  f.size = 300;  // 3 data packets
  h.Feed(IndexHeader(f));
  EXPECT_EQ(h.Written(), (Bytes{CmdAck}));
  h.Feed(DataPacketOf(1, 0x11));
  h.Feed(DataPacketOf(2, 0x22));
  EXPECT_EQ(h.Written(), (Bytes{CmdAck, CmdAck}));
  h.Feed(DataPacketOf(3, 0x33));
  EXPECT_EQ(h.Written(), (Bytes{CmdNextEntry}));
  EXPECT_EQ(h.decodes, 1);
  EXPECT_EQ(std::filesystem::file_size(h.dir / "tmpA"), 3u * 112u);
  EXPECT_EQ(h.List().receivedEntries, 1);
  EXPECT_EQ(Text(h.List().entries[0].label), "  1F: 01/6/15 9:05");
  EXPECT_EQ(Text(h.List().entries[0].fileName), "1F01-6-15(9-5)");
  EXPECT_EQ(h.List().entries[0].width, 640);
  EXPECT_EQ(h.List().pictureCount, 25);
  EXPECT_EQ(h.List().freeCapacity.fine, 10);
  EXPECT_EQ(h.List().freeCapacity.normal, 20);
  const std::uint8_t* slot = h.List().store.Slot(0);
  EXPECT_EQ(slot[4], 160);
  EXPECT_EQ(slot[8], 120);
  EXPECT_EQ(slot[40], 0x42);
  EXPECT_EQ(slot[40 + 160 * 120 * 3 - 1], 0x42);
  EXPECT_EQ(h.State().indexPacketCounter, 0);
  EXPECT_EQ(h.ui.calls, (std::vector<std::string>{"Repaint Preview 0,60,580,510", "Repaint Preview"}));
}

// A second listing of the same card: the cached entry is answered with
// CmdNextEntry at once, nothing is decoded, and the entry and its key are
// those the full read gave.
// A harness whose index transfer has begun with `cache` behind it.
void StartWithCache(LinkHarness& h, RememberedPreviews& cache) {
  h.link->Services().previewCache = &cache;
  h.IndexStarted();
}

TEST(IndexEntry, CachedPreviewSkipsTheDataAndGivesTheSameEntryAndKey) {
  RememberedPreviews cache;
  HeaderFields f;
  f.size = 300;
  LinkHarness full;
  StartWithCache(full, cache);
  SendEntry(full, f);
  ASSERT_EQ(full.Written(), (Bytes{CmdAck, CmdAck, CmdAck, CmdNextEntry}));
  ASSERT_EQ(cache.Size(), 1u);

  LinkHarness cached;
  cached.decodedValue = 0x99;  // a decode now would show
  StartWithCache(cached, cache);
  cached.Feed(IndexHeader(f));
  EXPECT_EQ(cached.Written(), (Bytes{CmdNextEntry}));
  EXPECT_EQ(cached.decodes, 0);
  EXPECT_EQ(cached.State().indexPacketCounter, 0);
  EXPECT_EQ(cache.Answered(), 1);
  const PictureEntry& a = full.List().entries[0];
  const PictureEntry& b = cached.List().entries[0];
  EXPECT_EQ(cached.List().receivedEntries, 1);
  EXPECT_EQ(Text(b.label), Text(a.label));
  EXPECT_EQ(Text(b.fileName), Text(a.fileName));
  EXPECT_EQ(std::tie(b.quality, b.width, b.height), std::tie(a.quality, a.width, a.height));
  EXPECT_EQ(KeyOf(cached.List(), 0), KeyOf(full.List(), 0));
  EXPECT_EQ(cached.ui.calls, full.ui.calls);

  // The next header is the next entry's, read as usual (another minute: not cached).
  f.minute = 6;
  cached.Feed(IndexHeader(f));
  EXPECT_EQ(cached.Written(), (Bytes{CmdAck}));
}

// A camera that does not skip and sends the same header again (after the
// watchdog's CmdNak, or a CmdRestartEntry): the header is read in full at its
// new place and the listing is suspect, to be read again without the cache.
TEST(IndexEntry, AHeaderSentAgainAfterASkipIsReadAndMakesTheListingSuspect) {
  RememberedPreviews cache;
  HeaderFields f;
  f.size = 300;
  LinkHarness full;
  StartWithCache(full, cache);
  SendEntry(full, f);

  LinkHarness h;
  StartWithCache(h, cache);
  h.Feed(IndexHeader(f));
  ASSERT_EQ(h.Written(), (Bytes{CmdNextEntry}));
  h.Feed(IndexHeader(f));
  EXPECT_EQ(h.Written(), (Bytes{CmdAck}));
  EXPECT_TRUE(cache.ListingSuspect());
}

class SmallItems : public ::testing::TestWithParam<std::uint32_t> {};

// 0 and 111 bytes still take one data packet and give the grey placeholder.
TEST_P(SmallItems, OnePacketGivesPlaceholder) {
  LinkHarness h;
  h.IndexStarted();
  HeaderFields f;
  f.size = GetParam();
  h.Feed(IndexHeader(f));
  EXPECT_EQ(h.Written(), (Bytes{CmdAck}));
  h.Feed(DataPacketOf(1, 0x55));
  EXPECT_EQ(h.Written(), (Bytes{CmdNextEntry}));
  EXPECT_EQ(h.decodes, 0);
  const std::uint8_t* slot = h.List().store.Slot(0);
  EXPECT_EQ(slot[4], 128);
  EXPECT_EQ(slot[8], 56);
  EXPECT_EQ(slot[40], 0xE0);
  EXPECT_EQ(slot[40 + 21504 - 1], 0xE0);
}

INSTANTIATE_TEST_SUITE_P(Sizes, SmallItems, ::testing::Values(0u, 111u));

TEST(IndexEntry, Item112BytesHasTwoPacketsAndIsDecoded) {
  LinkHarness h;
  h.IndexStarted();
  HeaderFields f;
  f.size = 112;
  h.Feed(IndexHeader(f));
  h.Feed(DataPacketOf(1, 1));
  EXPECT_EQ(h.Written(), (Bytes{CmdAck, CmdAck}));
  h.Feed(DataPacketOf(2, 2));
  EXPECT_EQ(h.Written(), (Bytes{CmdNextEntry}));
  EXPECT_EQ(h.decodes, 1);
}

// The slot of entry e holds the grey 128 x 56 placeholder.
bool HasPlaceholder(LinkHarness& h, int e) {
  const std::uint8_t* slot = h.List().store.Slot(e);
  return slot != nullptr && slot[4] == kEmptySlotWidth && slot[8] == kEmptySlotHeight &&
         slot[kInfoHeaderSize] == kPlaceholderFill;
}

// A preview that cannot be used is reported once, gets the placeholder, and
// the list goes on with the next entry (never the same entry again and again).
struct BadPreview {
  const char* name;
  int decodedWidth, decodedHeight;  // what the decoder writes (0: nothing)
  std::uint16_t previewWidth;
  std::uint32_t size;
  const char* message;
};
class BadPreviews : public ::testing::TestWithParam<BadPreview> {};

TEST_P(BadPreviews, AreReportedOnceAndTheListGoesOn) {
  const BadPreview& c = GetParam();
  LinkHarness h;
  h.IndexStarted();
  SendEntry(h, HeaderFields{});  // a good first entry: its bitmap stays in the scratch file
  ASSERT_EQ(h.List().receivedEntries, 1);
  h.Written();
  h.decodedWidth = c.decodedWidth;
  h.decodedHeight = c.decodedHeight;
  HeaderFields f;
  f.previewWidth = c.previewWidth;
  f.size = c.size;
  SendEntry(h, f);
  ASSERT_EQ(h.notifier.shown.size(), 1u);
  EXPECT_EQ(h.notifier.shown[0].text, c.message);
  EXPECT_EQ(h.notifier.shown[0].caption, "ERROR");
  EXPECT_EQ(h.List().receivedEntries, 2);
  EXPECT_TRUE(HasPlaceholder(h, 1));
  EXPECT_FALSE(HasPlaceholder(h, 0));
  const Bytes w = h.Written();
  EXPECT_EQ(std::count(w.begin(), w.end(), CmdNextEntry), 1);
  EXPECT_EQ(std::count(w.begin(), w.end(), CmdRestartEntry), 0);
}

INSTANTIATE_TEST_SUITE_P(
    IndexEntry, BadPreviews,
    ::testing::Values(BadPreview{"NotAJpeg", 0, 0, 160, 4000, "This file type is wrong."},
                      BadPreview{"OtherSize", 80, 60, 160, 4000, "This file size is wrong. "},
                      BadPreview{"LargerThanASlot", 200, 120, 200, 4000,
                                 "This file size is wrong. "},
                      // 531 packets: more than the preview buffer holds
                      BadPreview{"LargerThanTheBuffer", 160, 120, 160, 59392,
                                 "This file size is wrong. "}),
    [](const auto& info) { return std::string(info.param.name); });

// The bad-preview box stays open while the watchdog gives up and the user
// reconnects: when the box returns, the old entry must not land in the new
// list (it used to shift every picture by one).
TEST(IndexEntry, AnEntryWhoseMessageOutlivesAReconnectIsDropped) {
  LinkHarness h;
  h.IndexStarted();
  SendEntry(h, HeaderFields{});
  h.Written();
  h.decodedWidth = 0;  // the next preview does not decode
  h.notifier.whileShown = [&h] {
    // The camera stays silent: the watchdog sends one CmdNak, then gives up.
    for (int tick = 0; tick < 5 && h.ui.disconnectDialogs == 0; ++tick)
      h.link->PreviewWatchdog().Tick();
    h.link->Setup().DisconnectDialogCommand(1);  // Reconnect
  };
  SendEntry(h, HeaderFields{});
  EXPECT_EQ(h.ui.disconnectDialogs, 1);
  EXPECT_EQ(h.List().receivedEntries, 0);  // the new list starts empty
  EXPECT_EQ(Text(h.List().entries[0].label), "");
  const Bytes w = h.Written();
  EXPECT_EQ(std::count(w.begin(), w.end(), CmdNextEntry), 0);
}

TEST(Disconnect, AFaultWhileTheDialogIsOpenOpensNoSecondOne) {
  LinkHarness h;
  h.IndexStarted();
  h.ui.whileDisconnectOpen = [&h] { h.link->LineLost("hang-up"); };
  h.link->OpenDisconnectDialog();
  EXPECT_EQ(h.ui.disconnectDialogs, 1);
  EXPECT_TRUE(h.link->LineIsLost());
  h.link->LineLost("hang-up");  // reported once only
  h.link->OpenDisconnectDialog();  // a later silence opens it again
  EXPECT_EQ(h.ui.disconnectDialogs, 2);
}

TEST(IndexList, EndMarkerCompletesAfterFirstEntry) {
  LinkHarness h;
  h.IndexStarted();
  HeaderFields f;
  f.endMarker = true;  // the first header with 12..13 zero is a real entry
  SendEntry(h, f);
  EXPECT_EQ(h.List().receivedEntries, 1);
  h.ui.Clear();
  h.Written();
  h.Feed(IndexHeader(f));
  EXPECT_TRUE(h.Written().empty());
  EXPECT_FALSE(h.State().indexActive);
  EXPECT_TRUE(h.State().indexLoaded);
  EXPECT_EQ(h.ui.calls, (std::vector<std::string>{"Status Ready", "Mdi on", "Menu Preview 40013 on",
                                                  "Menu Preview 40019 on", "Menu Openfile 40006 on",
                                                  "Menu Openfile 40009 on"}));
}

TEST(IndexList, EmptyCard) {
  LinkHarness h;
  h.IndexStarted();
  HeaderFields f;
  f.pictureCount = 0;
  h.Feed(IndexHeader(f));
  EXPECT_TRUE(h.Written().empty());
  ASSERT_EQ(h.notifier.shown.size(), 1u);
  EXPECT_EQ(h.notifier.shown[0].text, "No images in the Vidmarelle memory.");
  EXPECT_EQ(h.notifier.shown[0].caption, "Vidmarelle Info");
  EXPECT_FALSE(h.State().indexActive);
  EXPECT_TRUE(h.State().indexLoaded);
  EXPECT_FALSE(h.ui.Has("Menu Preview 40013 on"));
  EXPECT_TRUE(h.ui.Has("Menu Preview 40019 on"));
  EXPECT_TRUE(h.ui.Has("Mdi on"));
  EXPECT_TRUE(h.ui.Has("Status Ready"));
}

TEST(IndexList, ScrollsAtThe13thAnd17thEntries) {
  LinkHarness h;
  h.IndexStarted(Identity("931", false, 0, 30));
  std::vector<int> scrolledAt;
  for (int e = 1; e <= 17; ++e) {
    h.ui.Clear();
    SendEntry(h, HeaderFields{});
    if (h.ui.Has("ScrollLines 1")) scrolledAt.push_back(e);
  }
  EXPECT_EQ(scrolledAt, (std::vector<int>{13, 17}));
  EXPECT_EQ(h.List().scrollRowMaximum, 2);
  EXPECT_EQ(h.ui.calls, (std::vector<std::string>{"ScrollRange 2", "ScrollPosition 2",
                                                  "ScrollLines 1", "Repaint Preview 0,60,580,510"}));
}

TEST(IndexList, EntriesBeyondTheStoreKeepLabelsWithoutPreviews) {
  LinkHarness h;
  h.IndexStarted(Identity("931", false, 0, 0));  // 4 slots
  ASSERT_EQ(h.List().store.SlotCount(), 4u);
  for (int e = 0; e < 6; ++e) SendEntry(h, HeaderFields{});
  EXPECT_EQ(h.List().receivedEntries, 6);
  EXPECT_EQ(Text(h.List().entries[5].label), "  6F: 01/6/15 9:05");
}

TEST(IndexList, EntriesBeyond800AreAcknowledgedNotStored) {
  LinkHarness h;
  h.IndexStarted();
  h.List().receivedEntries = 800;
  HeaderFields f;
  f.size = 10;
  h.Feed(IndexHeader(f));
  h.Feed(DataPacketOf(1, 0));
  EXPECT_EQ(h.Written(), (Bytes{CmdAck, CmdNextEntry}));
  EXPECT_EQ(h.List().receivedEntries, 800);
}

TEST(IndexList, EmptyingBlanksEverySlotAndLabel) {
  LinkHarness h;
  h.IndexStarted();
  for (int e = 0; e < 3; ++e) SendEntry(h, HeaderFields{});
  h.ui.Clear();
  h.link->Index().EmptyIndex();
  EXPECT_EQ(h.List().receivedEntries, 0);
  for (int e = 0; e < 3; ++e) {
    EXPECT_EQ(h.List().entries[e].label[0], 0);
    EXPECT_EQ(h.List().store.Slot(e)[40], 0x80);
    EXPECT_EQ(h.List().store.Slot(e)[4], 128);
  }
  EXPECT_EQ(h.ui.calls, (std::vector<std::string>{"ScrollReset", "Repaint Preview"}));
}

TEST(BadPackets, TenNaksThenRestartEntry) {
  LinkHarness h;
  h.IndexStarted();
  HeaderFields f;
  f.size = 300;
  h.Feed(IndexHeader(f));
  h.Feed(DataPacketOf(1, 1));
  h.Written();
  CameraPacket bad = DataPacketOf(2, 2);
  bad[115] = 1;
  for (int i = 0; i < 10; ++i) h.Feed(bad);
  EXPECT_EQ(h.Written(), Bytes(10, CmdNak));
  h.Feed(CameraPacket{});  // the all-zero packet of a silent wait is bad too
  EXPECT_EQ(h.Written(), (Bytes{CmdRestartEntry}));
  EXPECT_EQ(h.State().badPacketCount, 0);
  EXPECT_EQ(h.State().indexPacketCounter, 0);
  EXPECT_EQ(h.State().indexDataOffset, 0u);
  // The entry starts again from its header.
  SendEntry(h, f);
  EXPECT_EQ(h.List().receivedEntries, 1);
}

TEST(BadPackets, GoodPacketResetsTheCount) {
  LinkHarness h;
  h.IndexStarted();
  h.Feed(DataPacketOf(5, 0));
  h.Feed(DataPacketOf(5, 0));
  EXPECT_EQ(h.State().badPacketCount, 2);
  h.Feed(IndexHeader(HeaderFields{}));
  EXPECT_EQ(h.State().badPacketCount, 0);
}

TEST(StatusPackets, CardReportAndBusyGetNoReply) {
  LinkHarness h;
  h.IndexStarted();
  CameraPacket report = EncodeStatusPacket(StatusCardReport);
  report[7] = 1;
  h.Feed(report);
  EXPECT_TRUE(h.State().writeProtected);
  report[7] = 0;
  h.Feed(report);
  EXPECT_FALSE(h.State().writeProtected);
  h.Feed(EncodeStatusPacket(StatusBusy));
  EXPECT_TRUE(h.Written().empty());
  h.Feed(EncodeStatusPacket(StatusCameraReady));  // unknown here: bad
  EXPECT_EQ(h.Written(), (Bytes{CmdNak}));
}

TEST(Dispatch, PhaseOtherThanZeroGoesToSetup) {
  LinkHarness h;
  h.IndexStarted();
  h.State().linkPhase = LinkPhase{2};
  h.Feed(DataPacketOf(0, 0));
  EXPECT_TRUE(h.Written().empty());
  h.State().linkPhase = LinkPhase{0};
  h.State().responseKind = static_cast<ResponseKind>(9);
  h.Feed(DataPacketOf(0, 0));
  EXPECT_TRUE(h.Written().empty());
}

TEST(Watchdog, SilentIndexGetsOneNakThenDisconnect) {
  LinkHarness h;
  h.IndexStarted();
  EXPECT_EQ(h.preview.Period(1), 1500);
  h.State().awaitingPacket = false;  // something was handled
  h.link->OnPreviewTimer(1);
  EXPECT_EQ(h.preview.Period(1), 4000);
  EXPECT_TRUE(h.State().awaitingPacket);
  EXPECT_TRUE(h.Written().empty());
  const int discards = h.discards;
  h.link->OnPreviewTimer(1);  // silent
  EXPECT_EQ(h.Written(), (Bytes{CmdNak}));
  EXPECT_EQ(h.discards, discards + 1);
  EXPECT_EQ(h.preview.Period(1), 4000);
  EXPECT_EQ(h.ui.disconnectDialogs, 0);
  h.link->OnPreviewTimer(1);  // silent again
  EXPECT_TRUE(h.Written().empty());
  EXPECT_EQ(h.ui.disconnectDialogs, 1);
  EXPECT_FALSE(h.preview.IsRunning(1));
  EXPECT_TRUE(h.State().retryAllowed);
}

TEST(Watchdog, InactiveTransferStopsTicking) {
  LinkHarness h;
  h.IndexStarted();
  h.State().indexActive = false;
  h.link->OnPreviewTimer(1);
  EXPECT_FALSE(h.preview.IsRunning(1));
  EXPECT_TRUE(h.Written().empty());
  EXPECT_EQ(h.ui.disconnectDialogs, 0);
}

TEST(Watchdog, LiveRequestOutstandingCountsAsHealthy) {
  LinkHarness h;
  h.Connected();
  RecordingTimers liveTimers;
  bool live = true, requested = true;
  LinkWatchdog dog(*h.link, liveTimers, kLiveWatchdog,
                   {[&] { return live; }, [&] { return requested; }, {}});
  dog.Arm();
  EXPECT_EQ(liveTimers.Period(1), 500);
  h.State().awaitingPacket = true;
  dog.Tick();
  EXPECT_EQ(liveTimers.Period(1), 1000);
  requested = false;
  h.Written();
  dog.Tick();
  EXPECT_EQ(h.Written(), (Bytes{CmdNak}));
  EXPECT_EQ(liveTimers.Period(1), 400);
}

TEST(WaitDialogs, BlinkAndClose) {
  LinkHarness h;
  h.link->OpenWaitDialog(WaitDialogKind::DataTransfer);
  EXPECT_EQ(h.waitTimers.Period(1), 500);
  h.link->OnWaitDialogTimer(1);
  h.link->OnWaitDialogTimer(1);
  h.link->CloseWaitDialog(3);  // not a closing command
  EXPECT_TRUE(h.link->WaitDialogOpen());
  h.link->CloseWaitDialog(2);
  EXPECT_FALSE(h.waitTimers.IsRunning(1));
  EXPECT_EQ(h.ui.calls, (std::vector<std::string>{"WaitOpen DATA_TRANS", "WaitText [             ]",
                                                  "WaitText [Please wait.]", "WaitClose"}));
  h.ui.Clear();
  h.link->OpenWaitDialog(WaitDialogKind::Erase);
  h.link->OnWaitDialogTimer(1);
  h.link->OnWaitDialogTimer(1);
  EXPECT_EQ(h.ui.calls, (std::vector<std::string>{"WaitOpen PERASE_PROC", "WaitText []",
                                                  "WaitText [Please wait]"}));
}

TEST(WaitDialogs, ClosingDuringADownloadAbandonsIt) {
  LinkHarness h;
  h.State().downloadActive = true;
  h.link->OpenWaitDialog(WaitDialogKind::DataTransfer);
  h.ui.Clear();
  h.link->CloseWaitDialog(1);
  EXPECT_EQ(h.ui.calls, (std::vector<std::string>{"WaitClose", "DestroyDownloadWindow",
                                                  "Repaint Preview", "Progress hide",
                                                  "Status Ready"}));
}

TEST(NextDownload, PauseIsAOneShotTimer) {
  LinkHarness h;
  h.link->ScheduleNextDownload();
  EXPECT_EQ(h.frame.Period(frame_timer::kNextDownload), 500);
  h.link->OnFrameTimer(frame_timer::kNextDownload);
  EXPECT_FALSE(h.frame.IsRunning(frame_timer::kNextDownload));
  EXPECT_TRUE(h.ui.Has("Command Preview 40005"));
}

}  // namespace
}  // namespace lumarel::testing
