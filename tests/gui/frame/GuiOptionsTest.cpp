// SPDX-License-Identifier: MIT
// The program's command line: settings file, pictures to open, version.
#include <gtest/gtest.h>

#include "shell/GuiOptions.h"

namespace lumarel {
namespace {

TEST(GuiOptions, SettingsFileAndPicturesInAnyOrder) {
  const GuiOptions o = ParseGuiOptions({"a.jpg", "--settings", "my.ini", "b.BMP", "--", "--c.jpg"});
  ASSERT_TRUE(o.ok) << o.error;
  EXPECT_EQ(o.settingsFile, "my.ini");
  EXPECT_EQ(o.files, (std::vector<std::string>{"a.jpg", "b.BMP", "--c.jpg"}));
  EXPECT_EQ(ParseGuiOptions({"--settings=x.ini"}).settingsFile, "x.ini");
  EXPECT_TRUE(ParseGuiOptions({"--version"}).version);
  EXPECT_TRUE(ParseGuiOptions({}).files.empty());
}

// The line is read before QApplication takes Qt's options out.
TEST(GuiOptions, QtOptionsArePassedOver) {
  const GuiOptions o = ParseGuiOptions(
      {"-platform", "offscreen", "a.jpg", "--style=fusion", "-reverse", "-display", ":1", "b.bmp"});
  ASSERT_TRUE(o.ok) << o.error;
  EXPECT_EQ(o.files, (std::vector<std::string>{"a.jpg", "b.bmp"}));
}

TEST(GuiOptions, MalformedLinesAreRefused) {
  EXPECT_FALSE(ParseGuiOptions({"--settings"}).ok);
  const GuiOptions o = ParseGuiOptions({"--frobnicate"});
  EXPECT_FALSE(o.ok);
  EXPECT_EQ(o.error, "unknown option --frobnicate");
}

}  // namespace
}  // namespace lumarel
