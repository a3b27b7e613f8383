// SPDX-License-Identifier: MIT
// lumarel-cli get against the simulator when the output directory is full or
// cannot be written: the exit status says so, the message is the program's,
// and no file (neither a half picture nor a temporary one) is left; a file of
// the same name from before stays as it was.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <sstream>
#include <thread>

#include "CliProcess.h"
#include "SmallFilesystem.h"

namespace lumarel::testing {
namespace {

constexpr int kFileError = 3;

class CliFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    sim_ = std::make_unique<Simulator>(dir_, std::vector<std::string>{"--generate", "2"});
    ASSERT_TRUE(sim_->Ready());
  }
  // Picture 1 into outDir, replacing a file of the same name.
  RunResult Get(const std::string& outDir, const char* format = "jpg") {
    return RunProgram({CliPath(), "--port", sim_->Link(), "-q", "get", "1", "--format", format,
                       "--out", outDir, "--force-overwrite"},
                      dir_.Path());
  }
  // The name picture 1 is saved under, learnt from a save that works.
  std::string FirstName(const char* format) {
    const std::string ok = dir_ / "ok";
    ::mkdir(ok.c_str(), 0755);
    const RunResult r = Get(ok, format);
    EXPECT_EQ(r.status, 0) << r.err;
    for (const std::string& name : DirectoryNames(ok)) {
      if (name.size() > 4 && name.substr(name.size() - 4) == (format[0] == 'j' ? ".jpg" : ".bmp"))
        return name;
    }
    return "";
  }

  ScratchDir dir_;
  std::unique_ptr<Simulator> sim_;
};

TEST_F(CliFiles, GetIntoAFullDirectorySaysDiskIsFullAndKeepsTheOldFile) {
  for (const char* format : {"jpg", "bmp", "bmp8"}) {
    SCOPED_TRACE(format);
    const std::string name = FirstName(format);
    ASSERT_FALSE(name.empty());
    SmallFilesystem fs(512 * 1024);
    if (!fs.Mounted()) GTEST_SKIP() << fs.WhyNot();
    const auto old = Pattern(3000, 5);
    ASSERT_TRUE(WriteBytes(fs.Path(name), old));
    ASSERT_TRUE(fs.FillLeaving(8 * 1024));
    const RunResult r = Get(fs.Dir(), format);
    EXPECT_EQ(r.status, kFileError) << r.err;
    EXPECT_NE(r.err.find("Disk is full."), std::string::npos) << r.err;
    EXPECT_EQ(FileBytes(fs.Path(name)), old);
    EXPECT_EQ(fs.Names(), std::vector<std::string>{name});
    if (format[0] != 'j') continue;
    // The first full disk ends the run: the next picture is not even fetched.
    const RunResult all = RunProgram({CliPath(), "--port", sim_->Link(), "get", "--all",
                                      "--out", fs.Dir(), "--force-overwrite"},
                                     dir_.Path());
    EXPECT_EQ(all.status, kFileError) << all.err;
    EXPECT_NE(all.err.find("picture 1 (1999-12-30 10:00): " + fs.Path(name) +
                           " not written: the disk is full"),
              std::string::npos)
        << all.err;
    EXPECT_NE(all.err.find("0 saved, 0 skipped, 1 failed, 1 not attempted"), std::string::npos)
        << all.err;
  }
}

TEST_F(CliFiles, GetIntoAReadOnlyDirectorySaysItCannotWrite) {
  const std::string name = FirstName("jpg");
  ASSERT_FALSE(name.empty());
  SmallFilesystem fs(4 << 20);
  if (!fs.Mounted()) GTEST_SKIP() << fs.WhyNot();
  const auto old = Pattern(3000, 5);
  ASSERT_TRUE(WriteBytes(fs.Path(name), old));
  ASSERT_TRUE(fs.MakeReadOnly());
  const RunResult r = Get(fs.Dir());
  EXPECT_EQ(r.status, kFileError) << r.err;
  // Found before connecting, from the folder.
  EXPECT_NE(r.err.find("cannot write into " + fs.Dir()), std::string::npos) << r.err;
  EXPECT_EQ(FileBytes(fs.Path(name)), old);
  EXPECT_EQ(fs.Names(), std::vector<std::string>{name});
}

// A saved picture whose path cannot reach standard output, or whose line
// cannot be added to the import record, fails the run: a script collecting
// the paths, or the next --new, would lose it unnoticed.
TEST_F(CliFiles, PathsOrRecordThatCannotBeWrittenExitWithThree) {
  const int full = std::system(("'" + CliPath() + "' --port '" + sim_->Link() + "' get 1 --out '" +
                                 (dir_ / "a") + "' > /dev/full 2> '" + (dir_ / "full.err") + "'")
                                    .c_str());
  EXPECT_EQ(WIFEXITED(full) ? WEXITSTATUS(full) : -1, kFileError);
  const std::string fullErr = ReadText(dir_ / "full.err");
  EXPECT_NE(fullErr.find("cannot write the saved files' paths"), std::string::npos) << fullErr;

  const std::string b = dir_ / "b";
  ASSERT_EQ(::mkdir(b.c_str(), 0755), 0);
  ASSERT_EQ(::mkfifo((b + "/.lumarel-imports").c_str(), 0600), 0);
  const RunResult unrecorded =
      RunProgram({CliPath(), "--port", sim_->Link(), "get", "1", "--out", b}, dir_.Path());
  EXPECT_EQ(unrecorded.status, kFileError) << unrecorded.err;
  EXPECT_NE(unrecorded.err.find("cannot add "), std::string::npos) << unrecorded.err;
}

// Two cameras imported into one folder at the same time, under the same
// names: neither run replaces the other's pictures. A name taken while a
// picture was on its way gets the next free "-N" name, each run prints the
// names it really wrote, and the record lists every file once.
TEST(CliConcurrentImport, TwoCamerasIntoOneFolderNeverOverwrite) {
  ScratchDir out, a, b;
  Simulator first(a, {"--generate", "3", "--seed", "1", "--realtime"});
  Simulator second(b, {"--generate", "3", "--seed", "2", "--realtime"});
  ASSERT_TRUE(first.Ready() && second.Ready());
  auto get = [&out](const Simulator& sim, const ScratchDir& dir, RunResult& r) {
    r = RunProgram({CliPath(), "--port", sim.Link(), "get", "1-3", "--new", "--out", out.Path(),
                    "--filename", "p%n"},
                   dir.Path());
  };
  RunResult ra, rb;
  std::thread other([&] { get(second, b, rb); });
  get(first, a, ra);
  other.join();
  ASSERT_EQ(ra.status, 0) << ra.err;
  ASSERT_EQ(rb.status, 0) << rb.err;
  std::vector<std::string> printed;
  for (const std::string* text : {&ra.out, &rb.out}) {
    std::istringstream lines(*text);
    for (std::string line; std::getline(lines, line);) printed.push_back(line.substr(line.rfind('/') + 1));
  }
  std::sort(printed.begin(), printed.end());
  std::vector<std::string> files = DirectoryNames(out.Path());
  files.erase(std::remove(files.begin(), files.end(), ".lumarel-imports"), files.end());
  EXPECT_EQ(files.size(), 6u);
  EXPECT_EQ(printed, files);
  const std::string record = ReadText(out / ".lumarel-imports");
  for (const std::string& name : files) EXPECT_EQ(CountOccurrences(record, "\t" + name + "\n"), 1) << name;
}

}  // namespace
}  // namespace lumarel::testing
