// SPDX-License-Identifier: MIT
// Where a user's files go: the settings file (config folder, beside the
// executable, or named) and the private scratch folder with its clean-up.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
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
using testing::DirectoryNames;
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

// A folder is in use while its lock is held: a process in another PID
// namespace has a number this one cannot see. An unlocked folder of a pid
// that runs here is kept too (a program from before the lock).
TEST(ScratchFolderTest, OnlyFoldersNobodyHoldsAreCleaned) {
  TempDir dir;
  dir.Write("lumarel-111-aaaaaa/tmpA.tmp", "left behind");
  dir.Write("lumarel-222-bbbbbb/tmpA.tmp", "pid alive here, lock free");
  dir.Write("lumarel-999999-cccccc/tmpA.tmp", "held by a process we cannot see");
  dir.Write("lumarel-other/keep", "not ours");
  dir.Write("target/keep", "behind a link");
  fs::create_symlink(dir.File("target"), dir.File("lumarel-333-dddddd"));
  const int held = ::open(dir.File("lumarel-999999-cccccc").c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(held, 0);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  // Another open of the folder is another lock holder, as another process is;
  // 999999 is no process this namespace sees.
  auto alive = [](long pid) { return pid == 222; };
  EXPECT_EQ(RemoveStaleScratchFolders(dir.Path(), alive), 1);
  ::close(held);
  EXPECT_EQ(DirectoryNames(dir.Path()),
            (std::vector<std::string>{"lumarel-222-bbbbbb", "lumarel-333-dddddd",
                                      "lumarel-999999-cccccc", "lumarel-other", "target"}));
  EXPECT_TRUE(fs::exists(dir.File("target/keep")));
  // Making a folder cleans the one unlocked just now; a live one is never
  // taken from its process.
  auto mine = ScratchFolder::Create({dir.Path()});
  ASSERT_TRUE(mine);
  EXPECT_FALSE(fs::exists(dir.File("lumarel-999999-cccccc")));
  EXPECT_EQ(RemoveStaleScratchFolders(dir.Path(), [](long) { return false; }), 0);
  EXPECT_TRUE(fs::exists(mine->Path()));
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
