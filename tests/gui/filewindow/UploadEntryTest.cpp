// SPDX-License-Identifier: MIT
// The picture-list entry an upload adds, from the local time.
#include <gtest/gtest.h>

#include "link/PictureList.h"
#include "windows/SendToCamera.h"

namespace lumarel {
namespace {

std::string Text(const Label& label) { return std::string(label.data()); }

TEST(UploadEntryTest, FineAndNormalEntriesFromTheLocalTime) {
  const LocalTime t{2001, 12, 31, 9, 5, 0};
  const PictureEntry fine = UploadEntryFor(3, true, t);
  EXPECT_EQ(Text(fine.label), "  3F: 01/12/31 9:05");
  EXPECT_EQ(Text(fine.fileName), "3F01-12-31(9-5)");
  EXPECT_EQ(fine.quality, 1);
  EXPECT_EQ(fine.width, 640);
  EXPECT_EQ(fine.height, 480);
  const PictureEntry normal = UploadEntryFor(12, false, LocalTime{1999, 1, 2, 10, 30, 0});
  EXPECT_EQ(Text(normal.label), " 12N: 99/1/2 10:30");
  EXPECT_EQ(Text(normal.fileName), "12N99-1-2(10-30)");
  EXPECT_EQ(normal.quality, 0);
  EXPECT_EQ(normal.width, 320);
  EXPECT_EQ(normal.height, 240);
  EXPECT_EQ(normal.ListedTime(), (LocalTime{1999, 1, 2, 10, 30, 0}));
}

TEST(UploadEntryTest, TwoDigitYear) {
  EXPECT_EQ(ShortYear(1999), 99);
  EXPECT_EQ(ShortYear(2000), 0);
  EXPECT_EQ(ShortYear(2026), 26);
}

}  // namespace
}  // namespace lumarel
