// SPDX-License-Identifier: MIT
// The pieces of `get` that decide what to fetch and how to name it: the
// picture's date, the import record, file-name patterns and number ranges.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
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

// An entry as the index gives it; date.year is the year byte (years since 1900).
PictureEntry Entry(int number, bool fine, EntryDate date, std::uint8_t quality) {
  PictureEntry e;
  e.date = {static_cast<std::uint8_t>(date.year), static_cast<std::uint8_t>(date.month),
            static_cast<std::uint8_t>(date.day), static_cast<std::uint8_t>(date.hour),
            static_cast<std::uint8_t>(date.minute)};
  date.year = DisplayYear(e.date.yearByte);
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

PictureKey Key(int minute, std::uint64_t hash) {
  return {LocalTime{1999, 12, 30, 10, minute, 0}, 0x41, 640, 480, hash};
}

PictureIdentity Id(int minute, std::uint64_t hash) { return {Key(minute, hash), Key(minute, hash)}; }

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
                          "1999-12-30 10:07\t41\t640x480\t0123456789abcdef\t../x.jpg",
                          "1999-12-30 10:07\t41\t640x480\t0123456789abcdef\t/x.jpg",
                          "1999-12-30 10:07\t41\t640x480\t0123456789abcdef\ta//x.jpg"})
    EXPECT_FALSE(ParseImportLine(bad)) << bad;
  const ImportEntry inFolder{Key(7, 1), "1999/12/x.jpg"};
  EXPECT_EQ(ParseImportLine(FormatImportLine(inFolder))->fileName, inFolder.fileName);
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
  ASSERT_NE(again.Find(Id(2, 22)), nullptr);
  EXPECT_EQ(again.Find(Id(2, 22))->fileName, "b.jpg");
  EXPECT_EQ(again.Find(Id(2, 23)), nullptr) << "another preview is another picture";
  EXPECT_TRUE(again.NameTakenByOther("b.jpg", Id(1, 11)));
  EXPECT_FALSE(again.NameTakenByOther("b.jpg", Id(2, 22)));
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
  EXPECT_EQ(ExpandFilePattern("%Y/%m/%Y%m%d-%H%M%S-%N.%C", f), "2001/03/20010307-090500-007.jpg");
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
  EXPECT_EQ(CheckFilePattern("%Y/%m/%Y%m%d-%H%M%S-%N"), "") << "date folders";
  EXPECT_EQ(CheckFilePattern(std::string(250, 'a') + "/" + std::string(240, 'b')), "");
  for (const std::string& bad :
       std::vector<std::string>{"", "../%Y", "%Y/../a", "/tmp/%Y", "a//b", "a/./b", "%Y/", "a%",
                                "%x", "a\nb", "a\tb", std::string(250, 'a')})
    EXPECT_NE(CheckFilePattern(bad), "") << bad;
}

TEST(FileNames, PicturesOfOneMinuteGetSuffixesAndRecordedNamesOfOthersAreAvoided) {
  auto request = [](int number, int minute, std::uint64_t hash) {
    NameRequest r;
    r.fields = {LocalTime{1999, 12, 30, 10, minute, 0}, number, 1, true};
    r.id = Id(minute, hash);
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

TEST(FileNames, FieldsComeFromTheEntrysDateAndQuality) {
  const PictureEntry e = Entry(3, false, {100, 1, 2, 3, 4}, 0x40);
  EXPECT_EQ(ExpandFilePattern("%Y%m%d%H%M %n%q", NameFieldsOf(e, 3, 12)), "200001020304 03N");
}

// Puts a w x h preview into slot k: its header, pixels of `fill`, and the
// rest of the slot (what an earlier, larger preview left there) `tail`.
void SetPreview(PictureList& list, int k, int w, int h, std::uint8_t fill, std::uint8_t tail) {
  std::uint8_t* slot = list.store.Slot(static_cast<std::size_t>(k));
  std::fill_n(slot, kPreviewSlotSize, tail);
  WriteEmptySlotHeader(slot);
  slot[4] = static_cast<std::uint8_t>(w);
  slot[8] = static_cast<std::uint8_t>(h);
  std::fill_n(slot + kInfoHeaderSize, std::size_t(w) * h * 3, fill);
}

// Four pictures: 1 and 2 of one minute, 3 a minute later, 4 Normal.
class GetPlanTest : public ::testing::Test {
 protected:
  GetPlanTest() {
    const PictureEntry entries[] = {
        Entry(1, true, {99, 12, 30, 10, 0}, 0x01), Entry(2, true, {99, 12, 30, 10, 0}, 0x01),
        Entry(3, true, {99, 12, 30, 10, 1}, 0x41), Entry(4, false, {100, 1, 1, 0, 0}, 0x50)};
    list_.receivedEntries = 4;
    std::copy(std::begin(entries), std::end(entries), list_.entries.begin());
    EXPECT_TRUE(list_.store.Allocate(4));
    for (int k = 0; k < 4; ++k) SetPreview(list_, k, 8, 6, std::uint8_t(k), 0x80);
    request_.outDir = dir_.Path();
  }
  GetPlan Plan(const std::vector<int>& numbers, OverwriteMode mode, const ImportRecord& record,
               RunReport& report) {
    std::istringstream in;
    std::ostringstream err;
    OverwritePolicy policy(mode, in, err);
    return PlanGet(request_, numbers, list_, record, policy, report);
  }
  GetPlan Plan(const std::vector<int>& numbers, OverwriteMode mode, const ImportRecord& record) {
    return Plan(numbers, mode, record, report_);
  }
  static std::vector<std::string> Names(const GetPlan& plan) {
    std::vector<std::string> names;
    for (const PlannedPicture& p : plan.fetch) names.push_back(p.fileName);
    return names;
  }
  TempFolder dir_;
  PictureList list_;
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
  EXPECT_EQ(PictureName(plan.fetch[1]), "picture 4 (2000-01-01 00:00)");
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
  EXPECT_TRUE(Plan({3}, OverwriteMode::Skip, record, quietRun).fetch.empty());
  EXPECT_EQ(quietRun.Status(), ExitStatus::Success) << "--skip-existing is a choice, not a failure";
  // The processed file beside an original counts as the picture's file too.
  request_.original = request_.processed = true;
  std::ofstream(dir_.File("20000101-0000-N-processed.jpg")) << "x";
  EXPECT_TRUE(Plan({4}, OverwriteMode::Skip, record, quietRun).fetch.empty());
}

// A picture's key covers its preview's header and pixels only: what an
// earlier, larger preview left in the slot does not change it. Record lines
// of older versions (hash over the whole slot) still count.
TEST_F(GetPlanTest, NewKnowsPicturesByTheirPreviewNotTheSlotsTail) {
  ImportRecord record;
  const PictureIdentity one = IdentityOf(list_, 0);
  ASSERT_TRUE(record.Append(dir_.Path(), {one.key, "one.jpg"}));
  ASSERT_TRUE(record.Append(dir_.Path(), {IdentityOf(list_, 1).olderKey, "two.jpg"}));
  SetPreview(list_, 0, 8, 6, 0, 0x33);  // a neighbour deleted: another tail
  EXPECT_EQ(IdentityOf(list_, 0).key, one.key);
  SetPreview(list_, 2, 8, 6, 2, 0x80);

  request_.onlyNew = true;
  const GetPlan plan = Plan({1, 2, 3, 4}, OverwriteMode::Skip, record);
  EXPECT_EQ(Names(plan), (std::vector<std::string>{"19991230-1001-F.jpg", "20000101-0000-N.jpg"}));
  ASSERT_EQ(plan.renewed.size(), 1u) << "the older line is renewed with today's key";
  EXPECT_EQ(plan.renewed[0].key, IdentityOf(list_, 1).key);
  EXPECT_EQ(plan.renewed[0].fileName, "two.jpg");
  SetPreview(list_, 0, 8, 6, 9, 0x33);  // other pixels: another picture
  EXPECT_EQ(Plan({1}, OverwriteMode::Skip, record).fetch.size(), 1u);
}

// After a reconnect every remaining picture is found again by its key; one
// deleted meanwhile has no place, and two equal pictures never share one.
TEST_F(GetPlanTest, FindAgainFollowsEachPictureToItsNewPlace) {
  SetPreview(list_, 1, 8, 6, 0, 0x80);
  list_.entries[1] = list_.entries[0];  // 1 and 2 equal
  GetPlan plan = Plan({1, 2, 3, 4}, OverwriteMode::Skip, ImportRecord{});
  ASSERT_EQ(plan.fetch.size(), 4u);
  // Picture 3 was deleted on the camera meanwhile.
  list_.entries[2] = list_.entries[3];
  SetPreview(list_, 2, 8, 6, 3, 0x80);
  list_.receivedEntries = 3;
  FindAgain(plan.fetch, 0, list_);
  std::vector<int> places;
  for (const PlannedPicture& p : plan.fetch) places.push_back(p.position);
  EXPECT_EQ(places, (std::vector<int>{0, 1, -1, 2}));
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
