// SPDX-License-Identifier: MIT
#include "platform/Files.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <limits>
#include <regex>
#include <set>

#include "TempDir.h"

namespace lumarel {
namespace {

using testing::TempDir;
namespace fs = std::filesystem;

TEST(TempFileTest, NamesArePrefixUppercaseHexDotTmpAndFilesEmpty) {
  TempDir dir;
  std::set<std::string> names;
  for (int i = 0; i < 50; ++i) {
    auto path = CreateTempFile(dir.Path(), "tmp");
    ASSERT_TRUE(path);
    fs::path p(*path);
    EXPECT_EQ(p.parent_path(), fs::path(dir.Path()));
    EXPECT_TRUE(std::regex_match(p.filename().string(), std::regex("tmp[0-9A-F]+\\.tmp")))
        << p.filename();
    EXPECT_EQ(fs::file_size(p), 0u);
    names.insert(*path);
  }
  EXPECT_EQ(names.size(), 50u);
}

TEST(TempFileTest, ExistingFilesAreNeverReused) {
  TempDir dir;
  auto first = CreateTempFile(dir.Path(), "QZV");
  ASSERT_TRUE(first);
  dir.Write(fs::path(*first).filename().string(), "keep");
  for (int i = 0; i < 20; ++i) EXPECT_NE(CreateTempFile(dir.Path(), "QZV"), first);
  EXPECT_EQ(dir.Read(fs::path(*first).filename().string()), "keep");
}

TEST(TempFileTest, MissingDirectoryFails) {
  TempDir dir;
  EXPECT_FALSE(CreateTempFile(dir.File("absent"), "tmp"));
}

TEST(TempFileTest, UserTempFilesGoToThePrivateScratchFolder) {
  const std::string folder = UserTempDirectory();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(UserTempDirectory(), folder);  // one folder for the whole run
  struct stat st {};
  ASSERT_EQ(::stat(folder.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_EQ(fs::path(folder).filename().string().rfind("lumarel-" + std::to_string(::getpid()) + "-", 0), 0u);
  auto path = CreateUserTempFile("QZV");
  ASSERT_TRUE(path);
  EXPECT_EQ(fs::path(*path).parent_path(), fs::path(folder));
  EXPECT_EQ(fs::path(*path).filename().string().rfind("QZV", 0), 0u);
  std::remove(path->c_str());
  EXPECT_FALSE(CreateTempFile("", "tmp"));  // never the current folder by accident
}

TEST(FreeSpaceTest, MatchesStatvfsAndWalksUpToExistingParent) {
  TempDir dir;
  struct statvfs st {};
  ASSERT_EQ(::statvfs(dir.Path().c_str(), &st), 0);
  auto existing = FreeDiskSpace(dir.Path());
  auto future = FreeDiskSpace(dir.File("not/yet/there.jpg"));
  ASSERT_TRUE(existing);
  ASSERT_TRUE(future);
  std::uint64_t expected = std::uint64_t{st.f_bavail} * st.f_frsize;
  // Other processes write meanwhile; the figures agree to within a few megabytes.
  EXPECT_NEAR(static_cast<double>(*existing), static_cast<double>(expected), 64.0 * 1024 * 1024);
  EXPECT_NEAR(static_cast<double>(*future), static_cast<double>(*existing), 64.0 * 1024 * 1024);
  EXPECT_TRUE(FreeDiskSpace("relative-name-that-does-not-exist.jpg"));
}

TEST(FreeSpaceTest, ProductSaturatesInsteadOfWrapping) {
  constexpr auto kMax = std::numeric_limits<std::uint64_t>::max();
  EXPECT_EQ(AvailableBytes(1000, 4096), 4096000u);
  EXPECT_EQ(AvailableBytes(kMax / 2, 4), kMax);
  EXPECT_EQ(AvailableBytes(std::uint64_t{1} << 40, std::uint64_t{1} << 30), kMax);
  EXPECT_EQ(AvailableBytes(0, 4096), 0u);
  EXPECT_EQ(AvailableBytes(5, 0), 0u);
}

TEST(PathsTest, ExecutableAndCurrentDirectory) {
  EXPECT_EQ(fs::path(ExecutableDirectory()), fs::canonical("/proc/self/exe").parent_path());
  EXPECT_TRUE(fs::exists(fs::path(ExecutableDirectory()) / "test_platform"));
  EXPECT_EQ(CurrentDirectory(), fs::current_path().string());
}

TEST(PathsTest, JoinPathAddsOneSeparator) {
  EXPECT_EQ(JoinPath("/tmp", "a"), "/tmp/a");
  EXPECT_EQ(JoinPath("/tmp/", "a"), "/tmp/a");
  EXPECT_EQ(JoinPath("", "a"), "a");
}

}  // namespace
}  // namespace lumarel
