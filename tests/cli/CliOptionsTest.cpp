// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "cli/CliOptions.h"

namespace lumarel::cli {
namespace {

Request Parse(std::vector<std::string> args) {
  const ParseResult r = ParseCommandLine(args);
  EXPECT_TRUE(r.ok) << r.error;
  return r.request;
}

TEST(CliOptions, GlobalOptionsComeBeforeTheCommand) {
  const Request r = Parse({"--port", "/dev/ttyUSB0", "--settings=/x/z.ini", "--max-speed", "57600",
                           "-q", "list"});
  EXPECT_EQ(r.global.port, "/dev/ttyUSB0");
  EXPECT_EQ(r.global.settings, "/x/z.ini");
  EXPECT_EQ(r.global.maxSpeed, 57600u);
  EXPECT_TRUE(r.global.quiet);
  EXPECT_EQ(r.command, Command::List);
}

TEST(CliOptions, GetTakesSortedUniqueNumbersAndItsOptions) {
  const Request r = Parse({"get", "5", "2", "5", "--format", "bmp8", "--out", "d", "--skip-existing"});
  EXPECT_EQ(r.command, Command::Get);
  EXPECT_EQ(r.numbers, (std::vector<int>{2, 5}));
  EXPECT_EQ(r.format, FileFormat::Bmp8);
  EXPECT_EQ(r.outDir, "d");
  EXPECT_TRUE(r.skipExisting);
  EXPECT_FALSE(r.onlyNew);
  EXPECT_EQ(r.filePattern, "%Y%m%d-%H%M-%q");
  EXPECT_EQ(r.retries, 2);
}

TEST(CliOptions, RangesNewOptionsAndGlobalOptionsAfterTheCommand) {
  const Request r = Parse({"get", "1-5", "7", "10-", "--new", "--filename", "%y%m%d-%n",
                           "--force-overwrite", "--retries=0", "--port", "/dev/pts/3", "-q"});
  EXPECT_EQ(r.ranges, (std::vector<NumberRange>{{1, 5}, {7, 7}, {10, kNoEnd}}));
  EXPECT_EQ(r.numbers, (std::vector<int>{1, 2, 3, 4, 5, 7}));
  EXPECT_TRUE(r.onlyNew);
  EXPECT_EQ(r.filePattern, "%y%m%d-%n");
  EXPECT_TRUE(r.forceOverwrite);
  EXPECT_EQ(r.retries, 0);
  EXPECT_EQ(r.global.port, "/dev/pts/3");
  EXPECT_TRUE(r.global.quiet);
  EXPECT_EQ(Parse({"delete", "10-", "--yes"}).ranges, (std::vector<NumberRange>{{10, kNoEnd}}));
  EXPECT_EQ(Parse({"ports", "--max-speed", "19200"}).command, Command::Ports);
  // Commas and blanks, in one word or several.
  EXPECT_EQ(Parse({"get", "1-3,5 7", "9,"}).numbers, (std::vector<int>{1, 2, 3, 5, 7, 9}));
  const Request both = Parse({"get", "2", "--original", "--processed", "--format", "bmp"});
  EXPECT_TRUE(both.original && both.processed);
}

TEST(CliOptions, ConflictingFormsGetOnePreciseMessage) {
  for (const auto& [args, message] : std::vector<std::pair<std::vector<std::string>, std::string>>{
           {{"get", "--all", "3"}, "give picture numbers or --all, not both"},
           {{"get"}, "give picture numbers or --all"},
           {{"get", "1,x"}, ""},
           {{"get", "1", "--processed"}, "--processed goes with --original"},
           {{"get", "1", "--original", "--format", "bmp"}, "--format needs --processed"}}) {
    const ParseResult r = ParseCommandLine(args);
    EXPECT_FALSE(r.ok) << args.back();
    EXPECT_NE(r.error.find(message), std::string::npos) << r.error;
  }
}

TEST(CliOptions, AdjustKeepsNegativeLevels) {
  const Request r = Parse({"adjust", "a.jpg", "b.bmp", "--brightness", "-100", "--sharpness=100"});
  EXPECT_EQ(r.adjust.brightness, -100);
  EXPECT_EQ(r.adjust.sharpness, 100);
  EXPECT_FALSE(r.adjust.contrast.has_value());
  EXPECT_EQ(r.files, (std::vector<std::string>{"a.jpg", "b.bmp"}));
}

TEST(CliOptions, PutNeedsExactlyOneQuality) {
  EXPECT_TRUE(Parse({"put", "f.jpg", "--fine"}).fine);
  EXPECT_FALSE(Parse({"put", "f.jpg", "--normal"}).fine);
  EXPECT_FALSE(ParseCommandLine({"put", "f.jpg"}).ok);
}

TEST(CliOptions, OptionsOfOtherCommandsAreRefused) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"list", "--all"}, {"thumbs", "d", "--format", "jpg"},
        {"erase", "--out", "d"}, {"delete", "--all", "--skip-existing"}, {"live"},
        {"exif", "a", "b", "c"}, {"delete", "801"}, {"--port"}, {"get", "5-3"},
        {"get", "1", "--filename", "../%Y"}, {"get", "1", "--filename", "%k"},
        {"get", "1", "--retries", "-1"}, {"get", "1", "--skip-existing", "--force-overwrite"},
        {"put", "f.jpg", "--fine", "--new"}, {"ports", "x"}, {"list", "--bogus"}}) {
    EXPECT_FALSE(ParseCommandLine(args).ok) << args[0];
  }
}

TEST(CliOptions, FormatFollowsTheOptionThenTheExtension) {
  Request r;
  EXPECT_EQ(FormatFor(r, "x.BMP"), FileFormat::Bmp24);
  EXPECT_EQ(FormatFor(r, "x.jpeg"), FileFormat::Jpeg);
  EXPECT_EQ(FormatFor(r, "noext"), FileFormat::Jpeg);
  r.format = FileFormat::Bmp8;
  EXPECT_EQ(FormatFor(r, "x.jpg"), FileFormat::Bmp8);
}

TEST(CliOptions, HelpAndVersionAnywhereSucceed) {
  EXPECT_TRUE(ParseCommandLine({"--help"}).help);
  const ParseResult get = ParseCommandLine({"get", "-h"});
  EXPECT_TRUE(get.help);
  EXPECT_EQ(UsageOf(get.request.command).rfind("usage: lumarel-cli [OPTIONS] get ", 0), 0u);
  EXPECT_EQ(UsageOf(Command::None), kUsage);
  EXPECT_TRUE(ParseCommandLine({"--version"}).version);
  EXPECT_TRUE(ParseCommandLine({"list", "--version"}).version);
  EXPECT_EQ(VersionLine().rfind("lumarel-cli ", 0), 0u);
  EXPECT_GT(VersionLine().size(), std::string("lumarel-cli ").size());
}

}  // namespace
}  // namespace lumarel::cli
