// SPDX-License-Identifier: MIT
#include "platform/AtomicFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "TempDir.h"

namespace lumarel {
namespace {

using testing::DirectoryNames;
using testing::TempDir;
namespace fs = std::filesystem;

enum class Before { Nothing, File0600, Fifo, Folder, LinkToFile, DanglingLink };
using Kind = WriteFailure::Kind;

struct WriterCase {
  const char* name;
  Before before;
  WriteMode mode;
  SymlinkPolicy links;
  Kind expected;
  const char* textAfter;  // of "out" (followed through a link); null: not a readable file
  mode_t modeAfter;       // of the file written or kept
};

class AtomicWriterTable : public ::testing::TestWithParam<WriterCase> {};

TEST_P(AtomicWriterTable, WritesOnlyWhatItMayAndLeavesNoTemporaryFile) {
  const WriterCase& c = GetParam();
  const mode_t oldMask = ::umask(022);
  TempDir dir;
  const std::string out = dir.File("out");
  switch (c.before) {
    case Before::Nothing: break;
    case Before::File0600:
      dir.Write("out", "old");
      ASSERT_EQ(::chmod(out.c_str(), 0600), 0);
      break;
    case Before::Fifo: ASSERT_EQ(::mkfifo(out.c_str(), 0600), 0); break;
    case Before::Folder: ASSERT_EQ(::mkdir(out.c_str(), 0700), 0); break;
    case Before::LinkToFile:
      dir.Write("real", "old");
      ASSERT_EQ(::chmod(dir.File("real").c_str(), 0600), 0);
      fs::create_symlink("real", out);
      break;
    case Before::DanglingLink: fs::create_symlink("nowhere", out); break;
  }
  const std::vector<std::string> namesBefore = DirectoryNames(dir.Path());
  WriteFailure failure;
  const bool written = WriteFileAtomically(out, "new", c.mode, c.links, &failure);
  ::umask(oldMask);
  EXPECT_EQ(written, c.expected == Kind::None);
  EXPECT_EQ(failure.kind, c.expected);
  std::vector<std::string> namesAfter = namesBefore;
  if (c.before == Before::Nothing && written) namesAfter = {"out"};
  EXPECT_EQ(DirectoryNames(dir.Path()), namesAfter) << "no temporary file is left";
  const std::string real = c.before == Before::LinkToFile ? dir.File("real") : out;
  struct stat st {};
  ASSERT_EQ(::lstat(out.c_str(), &st), 0);
  const bool link = c.before == Before::LinkToFile || c.before == Before::DanglingLink;
  EXPECT_EQ(S_ISLNK(st.st_mode), link) << "a link stays a link";
  EXPECT_EQ(S_ISFIFO(st.st_mode), c.before == Before::Fifo);
  EXPECT_EQ(S_ISDIR(st.st_mode), c.before == Before::Folder);
  if (c.textAfter == nullptr) return;
  EXPECT_EQ(dir.Read(fs::path(real).filename().string()), c.textAfter);
  ASSERT_EQ(::stat(real.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, c.modeAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Targets, AtomicWriterTable,
    ::testing::Values(
        WriterCase{"CreateNew", Before::Nothing, WriteMode::Create, SymlinkPolicy::Refuse,
                   Kind::None, "new", 0644},
        WriterCase{"CreateOverFile", Before::File0600, WriteMode::Create, SymlinkPolicy::Refuse,
                   Kind::Exists, "old", 0600},
        WriterCase{"CreateOverFifo", Before::Fifo, WriteMode::Create, SymlinkPolicy::Follow,
                   Kind::Exists, nullptr, 0},
        WriterCase{"CreateOverDanglingLink", Before::DanglingLink, WriteMode::Create,
                   SymlinkPolicy::Follow, Kind::Exists, nullptr, 0},
        WriterCase{"ReplaceKeepsMode", Before::File0600, WriteMode::Replace,
                   SymlinkPolicy::Refuse, Kind::None, "new", 0600},
        WriterCase{"ReplaceNew", Before::Nothing, WriteMode::Replace, SymlinkPolicy::Refuse,
                   Kind::None, "new", 0644},
        WriterCase{"ReplaceFifo", Before::Fifo, WriteMode::Replace, SymlinkPolicy::Follow,
                   Kind::NotRegular, nullptr, 0},
        WriterCase{"ReplaceFolder", Before::Folder, WriteMode::Replace, SymlinkPolicy::Refuse,
                   Kind::NotRegular, nullptr, 0},
        WriterCase{"ReplaceRefusedLink", Before::LinkToFile, WriteMode::Replace,
                   SymlinkPolicy::Refuse, Kind::Symlink, "old", 0600},
        WriterCase{"ReplaceThroughLink", Before::LinkToFile, WriteMode::Replace,
                   SymlinkPolicy::Follow, Kind::None, "new", 0600}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AtomicWriterTest, DeviceIsNeverReplaced) {
  for (const SymlinkPolicy links : {SymlinkPolicy::Refuse, SymlinkPolicy::Follow}) {
    WriteFailure failure;
    EXPECT_FALSE(WriteFileAtomically("/dev/null", "x", WriteMode::Replace, links, &failure));
    EXPECT_EQ(failure.kind, Kind::NotRegular);
  }
  struct stat st {};
  ASSERT_EQ(::stat("/dev/null", &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));
}

// Two writers aiming at one name: in create mode the second learns at commit
// time that the name was taken meanwhile, and can commit under another.
TEST(AtomicWriterTest, CreateModeLosesTheRaceWithoutOverwriting) {
  TempDir dir;
  {
    AtomicFile first(dir.File("p.jpg"), WriteMode::Create);
    AtomicFile second(dir.File("p.jpg"), WriteMode::Create);
    ASSERT_TRUE(first.Ok() && second.Ok());
    std::ofstream(first.TempPath()) << "first";
    std::ofstream(second.TempPath()) << "second";
    ASSERT_TRUE(first.Commit());
    EXPECT_FALSE(second.Commit());
    EXPECT_EQ(second.Failure().kind, Kind::Exists);
    EXPECT_EQ(DescribeWriteFailure("p.jpg", second.Failure()), "p.jpg already exists");
    // The loser may still take another name.
    ASSERT_TRUE(second.CommitAs(dir.File("p-2.jpg")));
  }
  EXPECT_EQ(dir.Read("p.jpg"), "first");
  EXPECT_EQ(dir.Read("p-2.jpg"), "second");
  {
    AtomicFile third(dir.File("q.jpg"), WriteMode::Create);
    std::ofstream(third.TempPath()) << "third";
    dir.Write("q.jpg", "taken");
    EXPECT_FALSE(third.Commit());
  }
  EXPECT_EQ(dir.Read("q.jpg"), "taken");
  EXPECT_EQ(DirectoryNames(dir.Path()), (std::vector<std::string>{"p-2.jpg", "p.jpg", "q.jpg"}));
}

TEST(AtomicWriterTest, AbandonedWriteLeavesNothing) {
  TempDir dir;
  {
    AtomicFile file(dir.File("a"), WriteMode::Replace);
    ASSERT_TRUE(file.Ok());
    std::ofstream(file.TempPath()) << "half";
  }
  EXPECT_TRUE(DirectoryNames(dir.Path()).empty());
  WriteFailure failure;
  EXPECT_FALSE(WriteFileAtomically(dir.File("no/a"), "x", WriteMode::Replace,
                                   SymlinkPolicy::Refuse, &failure));
  EXPECT_EQ(failure.kind, Kind::System);
  EXPECT_EQ(DescribeWriteFailure("no/a", failure), "no/a: No such file or directory");
}

}  // namespace
}  // namespace lumarel
