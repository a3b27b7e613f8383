// SPDX-License-Identifier: MIT
// lumarel-cli get against the simulator when the output directory is full or
// cannot be written: the exit status says so, the message is the program's,
// and no file (neither a half picture nor a temporary one) is left; a file of
// the same name from before stays as it was.
#include <gtest/gtest.h>

#include <sys/stat.h>

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

}  // namespace
}  // namespace lumarel::testing
