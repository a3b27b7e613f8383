// SPDX-License-Identifier: MIT
// Where a user's files go: the settings file (config folder, beside the
// executable, or named) and the private scratch folder with its clean-up.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "TempDir.h"
#include "platform/ScratchFolder.h"
#include "platform/UserPaths.h"

namespace lumarel {
namespace {

using testing::TempDir;
namespace fs = std::filesystem;

// Sets an environment variable for one scope and puts the old value back.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    value ? ::setenv(name, value, 1) : ::unsetenv(name);
  }
  ~ScopedVariable() { old_.empty() ? ::unsetenv(name_) : ::setenv(name_, old_.c_str(), 1); }

 private:
  const char* name_;
  std::string old_;
};

TEST(SettingsFileTest, NamedFileThenBesideTheProgramThenConfigFolder) {
  TempDir dir;
  const std::string bin = dir.File("bin"), config = dir.File("config/lumarel");
  fs::create_directories(bin);
  EXPECT_EQ(ChooseSettingsFile("/x/my.ini", bin, config), "/x/my.ini");
  EXPECT_EQ(ChooseSettingsFile("", bin, config), config + "/zelcam.ini");
  EXPECT_EQ(ChooseSettingsFile("", bin, ""), bin + "/zelcam.ini");  // no home at all
  dir.Write("bin/zelcam.ini", "[Ports]\n");
  EXPECT_EQ(ChooseSettingsFile("", bin, config), bin + "/zelcam.ini");  // portable use wins
  // One this user may not write (beside an installed program) is not used.
  fs::permissions(bin + "/zelcam.ini", fs::perms::owner_read, fs::perm_options::replace);
  if (::geteuid() != 0) EXPECT_EQ(ChooseSettingsFile("", bin, config), config + "/zelcam.ini");
}

TEST(SettingsFileTest, ConfigFolderFollowsXdgConfigHomeElseHome) {
  {
    ScopedVariable xdg("XDG_CONFIG_HOME", "/cfg"), home("HOME", "/home/u");
    EXPECT_EQ(UserConfigDirectory(), "/cfg/lumarel");
  }
  {
    ScopedVariable xdg("XDG_CONFIG_HOME", "relative/ignored"), home("HOME", "/home/u");
    EXPECT_EQ(UserConfigDirectory(), "/home/u/.config/lumarel");
  }
  ScopedVariable xdg("XDG_CONFIG_HOME", nullptr), home("HOME", nullptr);
  EXPECT_EQ(UserConfigDirectory(), "");
}

TEST(SettingsFileTest, ParentFolderIsMadePrivateOrTheReasonGiven) {
  TempDir dir;
  std::string error;
  ASSERT_TRUE(MakeParentFolder(dir.File("a/b/zelcam.ini"), error)) << error;
  struct stat st {};
  ASSERT_EQ(::stat(dir.File("a/b").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  dir.Write("file", "x");
  EXPECT_FALSE(MakeParentFolder(dir.File("file/sub/zelcam.ini"), error));
  EXPECT_FALSE(error.empty());
}

TEST(ScratchFolderTest, PrivateFolderInTheFirstUsableBaseRemovedWithItsFiles) {
  TempDir dir;
  std::string path;
  {
    auto folder = ScratchFolder::Create({dir.File("missing"), dir.Path()});
    ASSERT_TRUE(folder);
    path = folder->Path();
    EXPECT_EQ(fs::path(path).parent_path(), fs::path(dir.Path()));
    EXPECT_EQ(fs::path(path).filename().string().rfind("lumarel-" + std::to_string(::getpid()) + "-", 0), 0u);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    std::ofstream(path + "/tmp1.tmp") << "scratch";
  }
  EXPECT_FALSE(fs::exists(path));
  EXPECT_FALSE(ScratchFolder::Create({dir.File("missing")}));
}

TEST(ScratchFolderTest, OnlyFoldersOfDeadProcessesAreCleaned) {
  TempDir dir;
  dir.Write("lumarel-111-aaaaaa/tmpA.tmp", "left behind");
  dir.Write("lumarel-222-bbbbbb/tmpA.tmp", "still in use");
  dir.Write("lumarel-other/keep", "not ours");
  dir.Write("target/keep", "behind a link");
  fs::create_symlink(dir.File("target"), dir.File("lumarel-333-cccccc"));
  const int removed = RemoveStaleScratchFolders(dir.Path(), [](long pid) { return pid == 222; });
  EXPECT_EQ(removed, 1);
  EXPECT_FALSE(fs::exists(dir.File("lumarel-111-aaaaaa")));
  EXPECT_TRUE(fs::exists(dir.File("lumarel-222-bbbbbb/tmpA.tmp")));
  EXPECT_TRUE(fs::exists(dir.File("lumarel-other/keep")));
  EXPECT_TRUE(fs::exists(dir.File("target/keep")));
  EXPECT_TRUE(ProcessAlive(::getpid()));
}

TEST(ScratchFolderTest, BasesAreRuntimeThenTmpdirThenTmp) {
  ScopedVariable runtime("XDG_RUNTIME_DIR", "/run/user/1000"), tmp("TMPDIR", "/var/tmp");
  EXPECT_EQ(ScratchBaseDirectories(),
            (std::vector<std::string>{"/run/user/1000", "/var/tmp", "/tmp"}));
  ScopedVariable noRuntime("XDG_RUNTIME_DIR", nullptr), noTmp("TMPDIR", "");
  EXPECT_EQ(ScratchBaseDirectories(), (std::vector<std::string>{"/tmp"}));
}

}  // namespace
}  // namespace lumarel
