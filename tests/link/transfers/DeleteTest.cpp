// SPDX-License-Identifier: MIT
// Delete Page, Delete All, Flash All Erase and the compaction of the list.
#include <gtest/gtest.h>

#include "TransferHarness.h"

namespace lumarel::testing {
namespace {

std::string Text(const Label& label) { return std::string(label.data()); }

void Select(TransferHarness& h, std::initializer_list<int> positions, int clickedLast) {
  for (int p : positions) h.List().entries[p].selectionMark = 1;
  h.List().selectedCount = static_cast<std::uint16_t>(positions.size());
  h.List().currentPicture = static_cast<std::int16_t>(clickedLast);
}

TEST(DeletePages, TwoOfSixWalkFromTheLastClickedThenDownwards) {
  TransferHarness h;
  Select(h, {1, 4}, 1);
  ASSERT_TRUE(h.transfers->Delete().DeletePages());
  EXPECT_EQ(h.notifier.shown.back().text, "Delete selected page?");
  EXPECT_EQ(h.notifier.shown.back().caption, "DELETE PAGE");
  EXPECT_TRUE(h.ui.Has("WaitOpen PERASE_PROC"));
  EXPECT_EQ(h.State().responseKind, ResponseKind::Index);
  for (int i = 0; i < 9; ++i) h.Feed(EncodeStatusPacket(StatusAccepted));
  EXPECT_EQ(h.Written(), (Bytes{CmdDeleteBegin, 0xA1, 0xB0, 0xC0, CmdDeletePicture, 0xA4, 0xB0,
                                0xC0, CmdDeletePicture, CmdDeleteEnd}));
  EXPECT_EQ(h.State().deleteMode, 0);
  EXPECT_EQ(h.List().downloadsPending, 0);

  const std::string third = Text(h.List().entries[2].label);
  const std::string sixth = Text(h.List().entries[5].label);
  const std::uint8_t* sixthSlot = h.List().store.Slot(5);
  const std::uint8_t sixthPixel = sixthSlot[40];
  h.ui.Clear();
  h.Feed(EncodeStatusPacket(StatusDeleteDone));
  EXPECT_EQ(h.Written(), (Bytes{CmdNak}));  // answered like a rejected packet
  EXPECT_EQ(h.State().badPacketCount, 1);
  const PictureList& list = h.List();
  EXPECT_EQ(list.receivedEntries, 4);
  EXPECT_EQ(list.pictureCount, 4);
  EXPECT_EQ(list.currentPicture, kNoPicture);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(std::atoi(list.entries[i].label.data()), i + 1) << Text(list.entries[i].label);
  }
  EXPECT_EQ(Text(list.entries[1].label).substr(3), third.substr(3));
  EXPECT_EQ(Text(list.entries[3].label).substr(3), sixth.substr(3));
  EXPECT_EQ(list.store.Slot(3)[40], sixthPixel);
  EXPECT_EQ(Text(list.entries[4].label), "");
  EXPECT_EQ(list.store.Slot(5)[40], 0x80);
  EXPECT_EQ(list.store.Slot(5)[4], 128);  // the empty header stays
  EXPECT_TRUE(h.ui.Has("WaitClose"));
  EXPECT_TRUE(h.ui.Has("ScrollRange 0"));
  EXPECT_TRUE(h.ui.Has("Menu Frame 40005 off"));
  EXPECT_TRUE(h.ui.Has("Menu Frame 40010 off"));
  EXPECT_TRUE(h.ui.Has("Menu Frame 40003 off"));
  EXPECT_FALSE(h.ui.Has("Menu Frame 40013 off"));
}

TEST(DeletePages, FileNamesMoveWithTheirPicturesAndAreRenumbered) {
  TransferHarness h;
  const std::string sixthName = Text(h.List().entries[5].fileName);  // "6F01-6-15(9-5)"
  Select(h, {0}, 0);
  h.transfers->Delete().DeletePages();
  for (int i = 0; i < 5; ++i) h.Feed(EncodeStatusPacket(StatusAccepted));
  h.Feed(EncodeStatusPacket(StatusDeleteDone));
  EXPECT_EQ(sixthName, "6F01-6-15(9-5)");
  EXPECT_EQ(Text(h.List().entries[4].fileName), "5F01-6-15(9-5)");
  EXPECT_EQ(Text(h.List().entries[0].fileName), "1F01-6-11(9-1)");
  EXPECT_EQ(Text(h.List().entries[5].fileName), "");
  EXPECT_EQ(Text(RenumberFileName(FormatFileName(12, false, {1, 2, 3, 4, 5}), 9)), "9N01-2-3(4-5)");
}

TEST(DeletePages, CreditsTheFreeCapacityOfThePictureClickedLast) {
  TransferHarness h;
  h.List().freeCapacity = {3, 5};
  Select(h, {2}, 2);
  h.transfers->Delete().DeletePages();
  EXPECT_EQ(h.List().freeCapacity.fine, 4);
  EXPECT_EQ(h.List().freeCapacity.normal, 7);
  h.List().entries[3].label = FormatLabel(4, false, {1, 1, 1, 1, 1});
  Select(h, {3}, 3);
  h.transfers->Delete().DeletePages();
  EXPECT_EQ(h.List().freeCapacity.normal, 8);
  EXPECT_EQ(h.List().freeCapacity.fine, 5);
}

TEST(DeletePages, CancelOrWriteProtectionSendsNothing) {
  TransferHarness h;
  Select(h, {2}, 2);
  h.notifier.answers.push_back(MessageAnswer::Cancel);
  EXPECT_FALSE(h.transfers->Delete().DeletePages());
  h.State().writeProtected = true;
  EXPECT_FALSE(h.transfers->Delete().DeletePages());
  EXPECT_FALSE(h.transfers->Delete().DeleteAll());
  EXPECT_TRUE(h.Written().empty());
  ASSERT_EQ(h.notifier.shown.size(), 3u);
  EXPECT_EQ(h.notifier.shown[1].text,
            "The card is write protected.\nSlide the switch on the card to the \"UNLOCK\" "
            "position.\nThen,perform Reload after the card into the slot.");
  EXPECT_EQ(h.notifier.shown[1].caption, "WARNING");
  EXPECT_EQ(h.notifier.shown[2].caption, "WARNING");
  EXPECT_FALSE(h.ui.Has("WaitOpen PERASE_PROC"));
}

TEST(DeleteAll, EmptiesTheListAndGraysDeleteAll) {
  TransferHarness h(14);
  ASSERT_TRUE(h.transfers->Delete().DeleteAll());
  EXPECT_EQ(h.notifier.shown.back().text, "Delete all pages?");
  EXPECT_EQ(h.notifier.shown.back().caption, "DELETE ALL");
  EXPECT_EQ(h.Written(), (Bytes{CmdEraseAll}));
  EXPECT_EQ(h.List().freeCapacity.fine, 1);
  h.ui.Clear();
  h.Feed(EncodeStatusPacket(StatusDeleteDone));
  EXPECT_EQ(h.List().receivedEntries, 0);
  EXPECT_EQ(h.List().pictureCount, 0);
  for (int i = 0; i < 14; ++i) {
    EXPECT_EQ(Text(h.List().entries[i].label), "");
    EXPECT_EQ(h.List().store.Slot(i)[40], 0x80);
  }
  EXPECT_TRUE(h.ui.Has("Menu Frame 40013 off"));
  EXPECT_TRUE(h.ui.Has("ScrollRange 0"));
}

TEST(DeleteAll, ScrollRangeFollowsTheRemainingCount) {
  TransferHarness h(20);
  Select(h, {0, 1}, 0);
  h.transfers->Delete().DeletePages();
  for (int i = 0; i < 9; ++i) h.Feed(EncodeStatusPacket(StatusAccepted));
  h.Feed(EncodeStatusPacket(StatusDeleteDone));
  EXPECT_EQ(h.List().receivedEntries, 18);
  EXPECT_EQ(h.List().scrollRowMaximum, 2);  // (18 - 13) / 4 + 1
  EXPECT_TRUE(h.ui.Has("ScrollRange 2"));
  EXPECT_TRUE(h.ui.Has("ScrollPosition 0"));
}

TEST(FlashAllErase, AsksRefusesAWriteProtectedCardAndEmptiesTheList) {
  TransferHarness h;
  h.State().writeProtected = true;
  EXPECT_FALSE(h.transfers->Delete().FlashAllErase());
  EXPECT_EQ(h.notifier.shown.back().caption, "WARNING");
  EXPECT_TRUE(h.Written().empty());

  h.State().writeProtected = false;
  ASSERT_TRUE(h.transfers->Delete().FlashAllErase());
  EXPECT_EQ(h.notifier.shown.back().text, "Delete all Flash memory?");
  EXPECT_EQ(h.notifier.shown.back().caption, "ALL ERASE");
  EXPECT_EQ(h.Written(), (Bytes{CmdEraseAll}));
  h.Feed(EncodeStatusPacket(StatusDeleteDone));
  // The card is empty: a list left as it was would offer pictures that are gone.
  EXPECT_EQ(h.List().receivedEntries, 0);
  EXPECT_EQ(h.List().pictureCount, 0);
}

}  // namespace
}  // namespace lumarel::testing
