// SPDX-License-Identifier: MIT
// The pieces of `get` that decide what to fetch and how to name it: the
// picture's date, the import record, file-name patterns and number ranges.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "TempDir.h"
#include "cli/FileNames.h"
#include "cli/GetPlan.h"
#include "cli/ImportRecord.h"
#include "cli/PictureDate.h"
#include "cli/PictureNumbers.h"

namespace lumarel::cli {
namespace {

namespace fs = std::filesystem;

using TempFolder = testing::TempDir;


std::string ReadAll(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

PictureEntry Entry(int number, bool fine, EntryDate date, std::uint8_t quality) {
  PictureEntry e;
  e.label = FormatLabel(number, fine, date);
  e.fileName = FormatFileName(number, fine, date);
  e.quality = quality;
  e.width = fine ? 640 : 320;
  e.height = fine ? 480 : 240;
  return e;
}

TEST(PictureDate, TwoDigitYearsFollowTheStrptimeRule) {
  for (const auto& [shown, full] : {std::pair{99, 1999}, {69, 1969}, {68, 2068}, {0, 2000},
                                    {1, 2001}, {26, 2026}, {100, 2100}, {155, 2155}})
    EXPECT_EQ(FullYear(shown), full) << shown;
}

TEST(PictureDate, ReadsTheListsFileNameAndRefusesImpossibleDates) {
  // Year byte 101 is shown "01"; the name keeps minute and hour without padding.
  const PictureEntry e = Entry(12, true, {DisplayYear(101), 3, 7, 9, 5}, 0x01);
  const std::optional<EntryDate> d = EntryDateOf(e);
  ASSERT_TRUE(d);
  const std::optional<LocalTime> t = PictureTime(*d);
  ASSERT_TRUE(t);
  EXPECT_EQ(t->year, 2001);
  EXPECT_EQ(t->month, 3);
  EXPECT_EQ(t->day, 7);
  EXPECT_EQ(t->hour, 9);
  EXPECT_EQ(t->minute, 5);
  EXPECT_EQ(t->second, 0);

  EXPECT_FALSE(PictureTime({99, 0, 1, 0, 0}));
  EXPECT_FALSE(PictureTime({99, 12, 32, 0, 0}));
  EXPECT_FALSE(PictureTime({99, 12, 31, 24, 0}));
  PictureEntry broken = e;
  std::snprintf(broken.fileName.data(), broken.fileName.size(), "12F01-3-7");
  EXPECT_FALSE(EntryDateOf(broken));
  EXPECT_EQ(ListedTime(broken).year, 0);
}

PictureKey Key(int minute, std::uint64_t hash) {
  return {LocalTime{1999, 12, 30, 10, minute, 0}, 0x41, 640, 480, hash};
}

TEST(ImportRecord, LinesRoundTripAndBadOnesAreRefused) {
  const ImportEntry entry{Key(7, 0x0123456789abcdefull), "19991230-1007-F with blank.jpg"};
  const std::string line = FormatImportLine(entry);
  EXPECT_EQ(line, "1999-12-30 10:07\t41\t640x480\t0123456789abcdef\t19991230-1007-F with blank.jpg");
  const std::optional<ImportEntry> back = ParseImportLine(line);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->key, entry.key);
  EXPECT_EQ(back->fileName, entry.fileName);

  for (const char* bad : {"", "1999-12-30 10:07\t41\t640x480\t0123456789abcdef",
                          "1999-13-30 10:07\t41\t640x480\t0123456789abcdef\tx.jpg",
                          "1999-12-30 10:07\t4\t640x480\t0123456789abcdef\tx.jpg",
                          "1999-12-30 10:07\t41\t640*480\t0123456789abcdef\tx.jpg",
                          "1999-12-30 10:07\t41\t640x480\t0123456789abcdeg\tx.jpg",
                          "1999-12-30 10:07\t41\t640x480\t0123456789abcdef\ta/x.jpg"})
    EXPECT_FALSE(ParseImportLine(bad)) << bad;
  EXPECT_EQ(FormatImportLine({Key(7, 1), "two\nlines.jpg"}), "");
}

TEST(ImportRecord, FindsTheSamePictureAndSkipsBadLinesWithoutLosingThem) {
  TempFolder dir;
  ImportRecord record;
  ASSERT_TRUE(record.Load(dir.Path())) << "a missing record is an empty one";
  EXPECT_TRUE(record.Entries().empty());

  ASSERT_TRUE(record.Append(dir.Path(), {Key(1, 11), "a.jpg"}));
  // Another run (or a hand edit) adds lines meanwhile, one of them garbled.
  std::ofstream(dir.File(kImportRecordName), std::ios::app)
      << "garbled line\n" << FormatImportLine({Key(2, 22), "b.jpg"}) << "\n";
  ASSERT_TRUE(record.Append(dir.Path(), {Key(3, 33), "c.jpg"}));
  ASSERT_TRUE(record.Append(dir.Path(), {Key(3, 33), "c.jpg"}));

  ImportRecord again;
  ASSERT_TRUE(again.Load(dir.Path()));
  ASSERT_EQ(again.Entries().size(), 3u);
  EXPECT_EQ(again.SkippedLines(), std::vector<int>{3});
  EXPECT_NE(ReadAll(dir.File(kImportRecordName)).find("garbled line\n"), std::string::npos);
  ASSERT_NE(again.Find(Key(2, 22)), nullptr);
  EXPECT_EQ(again.Find(Key(2, 22))->fileName, "b.jpg");
  EXPECT_EQ(again.Find(Key(2, 23)), nullptr) << "another preview is another picture";
  EXPECT_TRUE(again.NameTakenByOther("b.jpg", Key(1, 11)));
  EXPECT_FALSE(again.NameTakenByOther("b.jpg", Key(2, 22)));
  for (const auto& entry : fs::directory_iterator(dir.Path()))
    EXPECT_EQ(entry.path().filename(), kImportRecordName) << "no temporary file is left";
}

TEST(ImportRecord, ARecordThatCannotBeReadIsNeverReplaced) {
  TempFolder dir;
  fs::create_directory(dir.File(kImportRecordName));  // exists, but is no readable file
  ImportRecord record;
  EXPECT_FALSE(record.Load(dir.Path()));
  EXPECT_FALSE(record.Append(dir.Path(), {Key(1, 1), "a.jpg"}));
  EXPECT_TRUE(fs::is_directory(dir.File(kImportRecordName)));
}

TEST(FileNames, PatternsExpandTheirTokens) {
  NameFields f{LocalTime{2001, 3, 7, 9, 5, 0}, 7, 3, true};
  EXPECT_EQ(ExpandFilePattern(kDefaultFilePattern, f), "20010307-0905-F");
  EXPECT_EQ(ExpandFilePattern("%y-%m-%d %H.%M %n%q 100%%", f), "01-03-07 09.05 007F 100%");
  f.fine = false;
  f.numberWidth = NumberWidth(6);
  EXPECT_EQ(ExpandFilePattern("%n%q", f), "7N");
  EXPECT_EQ(NumberWidth(0), 1);
  EXPECT_EQ(NumberWidth(10), 2);
  EXPECT_EQ(NumberWidth(800), 3);
}

TEST(FileNames, PatternsThatCouldLeaveTheFolderOrBreakTheRecordAreRefused) {
  EXPECT_EQ(CheckFilePattern(kDefaultFilePattern), "");
  EXPECT_EQ(CheckFilePattern(".."), "") << "the extension follows, so no name is \"..\"";
  for (const std::string& bad : std::vector<std::string>{"", "../%Y", "%Y/%m", "a%", "%x",
                                                        "a\nb", "a\tb", std::string(250, 'a')})
    EXPECT_NE(CheckFilePattern(bad), "") << bad;
}

TEST(FileNames, PicturesOfOneMinuteGetSuffixesAndRecordedNamesOfOthersAreAvoided) {
  auto request = [](int number, int minute, std::uint64_t hash) {
    NameRequest r;
    r.fields = {LocalTime{1999, 12, 30, 10, minute, 0}, number, 1, true};
    r.key = Key(minute, hash);
    return r;
  };
  const std::vector<NameRequest> run{request(1, 0, 1), request(2, 0, 2), request(3, 1, 3),
                                     request(4, 0, 4)};
  EXPECT_EQ(PlanFileNames(run, kDefaultFilePattern, ".jpg", nullptr),
            (std::vector<std::string>{"19991230-1000-F.jpg", "19991230-1000-F-2.jpg",
                                      "19991230-1001-F.jpg", "19991230-1000-F-3.jpg"}));

  // Picture 1 was imported, then deleted from the camera: picture 2 keeps
  // the name it had, and a new picture of that minute does not take 1's.
  TempFolder dir;
  ImportRecord record;
  ASSERT_TRUE(record.Append(dir.Path(), {Key(0, 1), "19991230-1000-F.jpg"}));
  ASSERT_TRUE(record.Append(dir.Path(), {Key(0, 2), "19991230-1000-F-2.jpg"}));
  EXPECT_EQ(PlanFileNames({request(1, 0, 2), request(2, 0, 5)}, kDefaultFilePattern, ".jpg",
                          &record),
            (std::vector<std::string>{"19991230-1000-F-2.jpg", "19991230-1000-F-3.jpg"}));
}

TEST(FileNames, ARequestCarriesTheEntrysDateQualityAndSize) {
  const PictureEntry e = Entry(3, false, {0, 1, 2, 3, 4}, 0x40);
  const std::vector<std::uint8_t> preview{1, 2, 3};
  const NameRequest r = NameRequestFor(e, 3, 12, preview);
  EXPECT_EQ(ExpandFilePattern("%Y%m%d%H%M %n%q", r.fields), "200001020304 03N");
  EXPECT_EQ(r.key, (PictureKey{LocalTime{2000, 1, 2, 3, 4, 0}, 0x40, 320, 240,
                               PreviewHash(preview)}));
  EXPECT_NE(PreviewHash(preview), PreviewHash(std::vector<std::uint8_t>{1, 2, 4}));
}

// Four pictures: 1 and 2 of one minute, 3 a minute later, 4 Normal.
class GetPlanTest : public ::testing::Test {
 protected:
  GetPlanTest() {
    entries_ = {Entry(1, true, {99, 12, 30, 10, 0}, 0x01), Entry(2, true, {99, 12, 30, 10, 0}, 0x01),
                Entry(3, true, {99, 12, 30, 10, 1}, 0x41), Entry(4, false, {0, 1, 1, 0, 0}, 0x50)};
    for (int k = 0; k < 4; ++k) previews_.push_back(std::vector<std::uint8_t>(8, std::uint8_t(k)));
    request_.outDir = dir_.Path();
  }
  GetPlan Plan(const std::vector<int>& numbers, OverwriteMode mode, const ImportRecord& record) {
    std::istringstream in;
    std::ostringstream err;
    OverwritePolicy policy(mode, in, err);
    return PlanGet(request_, numbers, entries_,
                   [this](int k) { return std::span<const std::uint8_t>(previews_[k]); }, record,
                   policy, report_);
  }
  static std::vector<std::string> Names(const GetPlan& plan) {
    std::vector<std::string> names;
    for (const PlannedPicture& p : plan.fetch) names.push_back(p.fileName);
    return names;
  }
  TempFolder dir_;
  std::vector<PictureEntry> entries_;
  std::vector<std::vector<std::uint8_t>> previews_;
  Request request_;
  std::ostringstream out_, err_;
  RunReport report_{out_, err_, false};
};

TEST_F(GetPlanTest, NamesDoNotDependOnTheSelection) {
  const GetPlan plan = Plan({2, 4}, OverwriteMode::Skip, ImportRecord{});
  EXPECT_EQ(Names(plan), (std::vector<std::string>{"19991230-1000-F-2.jpg", "20000101-0000-N.jpg"}));
  EXPECT_EQ(plan.fetch[0].path, dir_.File("19991230-1000-F-2.jpg"));
  ASSERT_TRUE(plan.fetch[1].time);
  EXPECT_EQ(plan.fetch[1].time->year, 2000);
  EXPECT_EQ(plan.fetch[1].key.quality, 0x50);
}

TEST_F(GetPlanTest, NewLeavesOutImportedPicturesAndExistingFilesAreNotReplacedUnasked) {
  ImportRecord record;
  const GetPlan first = Plan({1, 2, 3, 4}, OverwriteMode::Skip, record);
  ASSERT_EQ(first.fetch.size(), 4u);
  ASSERT_TRUE(record.Append(dir_.Path(), {first.fetch[0].key, first.fetch[0].fileName}));
  std::ofstream(dir_.File(first.fetch[2].fileName)) << "picture 3, saved but not recorded";

  request_.onlyNew = true;
  const GetPlan second = Plan({1, 2, 3, 4}, OverwriteMode::Skip, record);
  EXPECT_EQ(Names(second), (std::vector<std::string>{"19991230-1000-F-2.jpg", "20000101-0000-N.jpg"}));
  EXPECT_EQ(report_.SkippedCount(), 2);
  EXPECT_EQ(report_.Status(), ExitStatus::LinkFailure) << "picture 3's file was kept unasked";

  RunReport quietRun(out_, err_, true);
  request_.skipExisting = true;
  std::istringstream in;
  OverwritePolicy policy(OverwriteMode::Skip, in, err_);
  const GetPlan third = PlanGet(request_, {3}, entries_,
                                [this](int k) { return std::span<const std::uint8_t>(previews_[k]); },
                                record, policy, quietRun);
  EXPECT_TRUE(third.fetch.empty());
  EXPECT_EQ(quietRun.Status(), ExitStatus::Success) << "--skip-existing is a choice, not a failure";
}

TEST(PictureNumbers, RangesAreCheckedWhenParsedAndResolvedAgainstTheCount) {
  std::string error;
  EXPECT_EQ(ParseNumberRange("7", error), (NumberRange{7, 7}));
  EXPECT_EQ(ParseNumberRange("1-5", error), (NumberRange{1, 5}));
  EXPECT_EQ(ParseNumberRange("10-", error), (NumberRange{10, kNoEnd}));
  for (const char* bad : {"0", "801", "5-3", "-5", "1--2", "a", "1-x", "3-801", ""})
    EXPECT_FALSE(ParseNumberRange(bad, error)) << bad;

  const std::vector<NumberRange> ranges{{1, 5}, {7, 7}, {4, 4}, {10, kNoEnd}};
  EXPECT_EQ(ClosedNumbers(ranges), (std::vector<int>{1, 2, 3, 4, 5, 7}));
  EXPECT_EQ(ResolveNumbers(ranges, 12, error), (std::vector<int>{1, 2, 3, 4, 5, 7, 10, 11, 12}));
  EXPECT_FALSE(ResolveNumbers(ranges, 9, error)) << "10- names no picture on a card of 9";
  EXPECT_EQ(error, "no picture 10 (the camera lists 9)");
  EXPECT_FALSE(ResolveNumbers({{2, 6}}, 5, error));
  EXPECT_EQ(error, "no picture 6 (the camera lists 5)");
}

}  // namespace
}  // namespace lumarel::cli
