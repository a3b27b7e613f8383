// SPDX-License-Identifier: MIT
#include "platform/ProfileFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "TempDir.h"

namespace lumarel {
namespace {

using testing::TempDir;

constexpr const char* kSample =
    "; Lumarel settings\n"
    "[Mode]\n"
    "FILEPREV = 1 \n"
    "FilEInitPath=  /home/ann/Pictures\t\n"
    "Quoted=\" spaced \"\n"
    "Single='x'\n"
    "Lonely\n"
    "Empty=\n"
    "\n"
    "[Other]\n"
    "FILEPREV=7\n";

struct LookUp {
  const char* section;
  const char* key;
  std::optional<std::string> value;
};

class ProfileLookUpTest : public ::testing::TestWithParam<LookUp> {};

TEST_P(ProfileLookUpTest, FindsTrimmedValueCaseInsensitively) {
  ProfileText text = ProfileText::Parse(kSample);
  EXPECT_EQ(text.Find(GetParam().section, GetParam().key), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Sample, ProfileLookUpTest,
    ::testing::Values(LookUp{"Mode", "FILEPREV", "1"}, LookUp{"mode", "fileprev", "1"},
                      LookUp{" MODE ", "FILEINITPATH", "/home/ann/Pictures"},
                      LookUp{"Mode", "Quoted", " spaced "}, LookUp{"Mode", "Single", "x"},
                      LookUp{"Mode", "Lonely", ""}, LookUp{"Mode", "Empty", ""},
                      LookUp{"Other", "FILEPREV", "7"}, LookUp{"Mode", "Missing", std::nullopt},
                      LookUp{"Absent", "FILEPREV", std::nullopt},
                      LookUp{"Mode", "; Lumarel settings", std::nullopt}));

TEST(ProfileTextTest, FirstOfDuplicateSectionsAndKeysWins) {
  ProfileText text = ProfileText::Parse("[A]\nk=1\nk=2\n[a]\nk=3\nj=4\n");
  EXPECT_EQ(text.Find("A", "k"), "1");
  EXPECT_EQ(text.Find("A", "j"), std::nullopt);
}

TEST(ProfileTextTest, ChangingAKeyRewritesOnlyItsLine) {
  ProfileText text = ProfileText::Parse(kSample);
  text.Set("MODE", "fileprev", "0");
  std::string expected = kSample;
  expected.replace(expected.find("FILEPREV = 1 "), 13, "FILEPREV=0");
  EXPECT_EQ(text.Text(), expected);
}

TEST(ProfileTextTest, NewKeyGoesAtEndOfItsSectionBeforeBlankLines) {
  ProfileText text = ProfileText::Parse("[Mode]\na=1\n\n[Ports]\nCOM1=/dev/x\n");
  text.Set("Mode", "b", "2");
  text.Set("Ports", "COM2", "/dev/y");
  EXPECT_EQ(text.Text(), "[Mode]\na=1\nb=2\n\n[Ports]\nCOM1=/dev/x\nCOM2=/dev/y\n");
}

TEST(ProfileTextTest, NewSectionIsAppendedAfterABlankLine) {
  ProfileText text = ProfileText::Parse("; only a comment");
  text.Set("Mode", "FILEPREV", "1");
  EXPECT_EQ(text.Text(), "; only a comment\n\n[Mode]\nFILEPREV=1\n");
  ProfileText empty = ProfileText::Parse("");
  empty.Set("Mode", "FILEPREV", "0");
  EXPECT_EQ(empty.Text(), "[Mode]\nFILEPREV=0\n");
}

TEST(ProfileTextTest, CarriageReturnLineEndsAreKept) {
  ProfileText text = ProfileText::Parse("[Mode]\r\nFILEPREV=0\r\n");
  EXPECT_EQ(text.Find("Mode", "FILEPREV"), "0");
  text.Set("Mode", "FILEINITPATH", "C");
  EXPECT_EQ(text.Text(), "[Mode]\r\nFILEPREV=0\r\nFILEINITPATH=C\r\n");
}

TEST(ProfileTextTest, ValueWithLineBreakCannotAddLines) {
  ProfileText text = ProfileText::Parse("");
  text.Set("Mode", "FILEINITPATH", "/tmp/a\n[Ports]\nCOM1=/dev/evil");
  EXPECT_EQ(text.Find("Mode", "FILEINITPATH"), "/tmp/a");
  EXPECT_FALSE(text.HasSection("Ports"));
}

TEST(ProfileIntTest, ParsesLeadingDecimalNumber) {
  EXPECT_EQ(ParseProfileInt("42"), 42);
  EXPECT_EQ(ParseProfileInt(" -7x"), -7);
  EXPECT_EQ(ParseProfileInt("abc"), 0);
  EXPECT_EQ(ParseProfileInt("99999999999"), 2147483647);
  EXPECT_EQ(ParseProfileInt("-99999999999"), -2147483647 - 1);
}

TEST(ProfileFileTest, MissingFileGivesDefaultsAndWriteCreatesIt) {
  TempDir dir;
  std::string path = dir.File("zelcam.ini");
  EXPECT_EQ(GetProfileString(path, "Mode", "FILEPREV", "0  "), "0");
  EXPECT_EQ(GetProfileInt(path, "Mode", "FILEPREV", 5), 5);
  EXPECT_FALSE(ProfileHasSection(path, "Mode"));
  ASSERT_TRUE(WriteProfileString(path, "Mode", "FILEPREV", "1"));
  ASSERT_TRUE(WriteProfileString(path, "Mode", "FILEINITPATH", "/home/ann"));
  EXPECT_EQ(dir.Read("zelcam.ini"), "[Mode]\nFILEPREV=1\nFILEINITPATH=/home/ann\n");
  EXPECT_EQ(GetProfileInt(path, "mode", "fileprev", 0), 1);
}

TEST(ProfileFileTest, EmptyValueGivesIntDefaultButEmptyString) {
  TempDir dir;
  std::string path = dir.Write("s.ini", "[Mode]\nFILEPREV=\n");
  EXPECT_EQ(GetProfileInt(path, "Mode", "FILEPREV", 3), 3);
  EXPECT_EQ(GetProfileString(path, "Mode", "FILEPREV", "d"), "");
}

TEST(ProfileFileTest, WriteKeepsOtherContentAndFileMode) {
  TempDir dir;
  std::string path = dir.Write("s.ini", "# not ours\n[Ports]\nCOM1=/dev/ttyUSB0\n");
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  ASSERT_TRUE(WriteProfileString(path, "Mode", "FILEPREV", "0"));
  EXPECT_EQ(dir.Read("s.ini"), "# not ours\n[Ports]\nCOM1=/dev/ttyUSB0\n\n[Mode]\nFILEPREV=0\n");
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(ProfileFileTest, WriteIntoMissingDirectoryFailsAndLeavesNothing) {
  TempDir dir;
  EXPECT_FALSE(WriteProfileString(dir.File("nope/s.ini"), "Mode", "FILEPREV", "1"));
}

TEST(ProfileFileTest, WriteThroughSymbolicLinkKeepsTheLink) {
  TempDir dir;
  std::string real = dir.Write("real.ini", "[Mode]\nFILEPREV=0\n");
  std::string link = dir.File("link.ini");
  std::filesystem::create_symlink(real, link);
  ASSERT_TRUE(WriteProfileString(link, "Mode", "FILEPREV", "1"));
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(dir.Read("real.ini"), "[Mode]\nFILEPREV=1\n");
}

TEST(ProfileFileTest, DirectoryInPlaceOfFileIsLeftAlone) {
  TempDir dir;
  std::string path = dir.File("d.ini");
  ASSERT_EQ(::mkdir(path.c_str(), 0700), 0);
  EXPECT_FALSE(WriteProfileString(path, "Mode", "FILEPREV", "0"));
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
}

}  // namespace
}  // namespace lumarel
