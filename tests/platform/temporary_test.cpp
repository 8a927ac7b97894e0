// Temporary files: made new beside their target and never through a link, the owner's only until renamed,
// named after their owner's process, and recognised as debris once that owner is gone.
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fcntl.h>

#include <string>
#include <vector>

#include "platform/fault.h"
#include "platform/files.h"
#include "test_support.h"

using testing_support::ReadRaw;
using testing_support::TempFolder;
using testing_support::Utf8;
using testing_support::WriteRaw;

namespace {

mode_t ModeOf(const std::string& cp932) {
  struct stat st;
  return lstat(Utf8(cp932).c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

bool IsLink(const std::string& cp932) {
  struct stat st;
  return lstat(Utf8(cp932).c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

class TemporaryFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    victim = outside / "victim.txt";
    WriteRaw(Utf8(victim), "outside");
  }
  void TearDown() override { platform::ClearFaults(); }
  // A link at name (in dir) to the file outside.
  void Plant(const std::string& name) { ASSERT_EQ(symlink(Utf8(victim).c_str(), Utf8(dir / name).c_str()), 0); }
  std::string Pid() const { return std::to_string(getpid()); }

  TempFolder dir, outside;
  std::string victim;
};

TEST_F(TemporaryFileTest, MadeNewForTheOwnerOnlyAndNeverThroughALink) {
  struct Case {
    const char* name;
    bool plant;  // a link, else a file of the owner's name
    int takenNames;
  } cases[] = {{"free name", false, 0}, {"link at the name", true, 1}, {"two links", true, 2},
               {"a file at the name", false, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder d;
    for (int i = 0; i < c.takenNames; ++i) {
      std::string taken = platform::TemporaryName(d.path(), ".HeaderDt.ini.", i);
      if (c.plant) {
        ASSERT_EQ(symlink(Utf8(victim).c_str(), Utf8(taken).c_str()), 0);
      } else {
        WriteRaw(Utf8(taken), "someone's");
      }
    }
    auto temp = platform::TemporaryFile::CreateBeside(d / "HeaderDt.ini");
    ASSERT_NE(temp, nullptr);
    EXPECT_EQ(temp->path(), platform::TemporaryName(d.path(), ".HeaderDt.ini.", c.takenNames));
    EXPECT_EQ(ModeOf(temp->path()), 0600u);
    ASSERT_TRUE(temp->file().Write("new", 3));
    EXPECT_EQ(ReadRaw(Utf8(victim)), "outside");
    if (!c.plant && c.takenNames > 0) {
      EXPECT_EQ(ReadRaw(Utf8(platform::TemporaryName(d.path(), ".HeaderDt.ini.", 0))), "someone's");
    }
  }
  EXPECT_EQ(platform::TemporaryName(dir.path(), ".a.", 0), dir / (".a." + Pid() + ".tmp"));
  EXPECT_EQ(platform::TemporaryName(dir.path(), "xx", 3, ".cab"), dir / ("xx" + Pid() + "-3.cab"));
}

TEST_F(TemporaryFileTest, CommitPutsItUnderTheNameWithThePermissionsOfWhatItReplaces) {
  const mode_t mask = umask(022);
  umask(mask);
  struct Case {
    const char* name;
    int existing;  // 0 none, 1 a file of mode 0640, 2 a link to the file outside
    mode_t expected;
  } cases[] = {{"new file", 0, static_cast<mode_t>(0666 & ~mask)}, {"file replaced", 1, 0640},
               {"link replaced", 2, static_cast<mode_t>(0666 & ~mask)}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder d;
    const std::string target = d / "見積.vek";
    if (c.existing == 1) {
      WriteRaw(Utf8(target), "old");
      chmod(Utf8(target).c_str(), 0640);
    }
    if (c.existing == 2) {
      ASSERT_EQ(symlink(Utf8(victim).c_str(), Utf8(target).c_str()), 0);
    }
    auto temp = platform::TemporaryFile::CreateBeside(target);
    ASSERT_NE(temp, nullptr);
    const std::string name = temp->path();
    ASSERT_TRUE(temp->file().Write("new bytes", 9));
    ASSERT_TRUE(temp->Commit(target));
    EXPECT_FALSE(IsLink(target));
    EXPECT_EQ(ReadRaw(Utf8(target)), "new bytes");
    EXPECT_EQ(ModeOf(target), c.expected);
    EXPECT_EQ(ModeOf(name), 0u) << "the temporary name is gone";
    EXPECT_EQ(ReadRaw(Utf8(victim)), "outside");
  }
}

TEST_F(TemporaryFileTest, ATemporaryFileNotCommittedIsRemoved) {
  std::string name;
  {
    auto temp = platform::TemporaryFile::CreateBeside(dir / "a.ini");
    ASSERT_NE(temp, nullptr);
    name = temp->path();
    ASSERT_TRUE(temp->file().Write("x", 1));
    platform::FailNthCall(platform::FileOp::Rename, 1);
    EXPECT_FALSE(temp->Commit(dir / "a.ini"));
  }
  EXPECT_EQ(ModeOf(name), 0u);
  EXPECT_EQ(ModeOf(dir / "a.ini"), 0u);
}

TEST_F(TemporaryFileTest, AtomicReplacementWritesNothingThroughLinks) {
  Plant(".a.ini." + Pid() + ".tmp");
  Plant("a.ini");
  ASSERT_TRUE(platform::ReplaceFileAtomically(dir / "a.ini", "new", 3));
  EXPECT_EQ(ReadRaw(Utf8(victim)), "outside");
  EXPECT_FALSE(IsLink(dir / "a.ini"));
  EXPECT_EQ(ReadRaw(Utf8(dir / "a.ini")), "new");
  EXPECT_TRUE(IsLink(dir / (".a.ini." + Pid() + ".tmp"))) << "someone else's entry is left alone";
}

TEST_F(TemporaryFileTest, OpeningToReplaceTakesTheNameOfALinkInsteadOfFollowingIt) {
  Plant("P0001.jpg");
  WriteRaw(Utf8(dir / "P0002.jpg"), "longer old content");
  for (const char* name : {"P0001.jpg", "P0002.jpg"}) {
    auto f = platform::File::Open(dir / name, platform::OpenMode::Replace);
    ASSERT_NE(f, nullptr) << name;
    ASSERT_TRUE(f->Write("jpeg", 4));
    ASSERT_TRUE(f->Close());
    EXPECT_FALSE(IsLink(dir / name)) << name;
    EXPECT_EQ(ReadRaw(Utf8(dir / name)), "jpeg") << name;
  }
  EXPECT_EQ(ReadRaw(Utf8(victim)), "outside");
}

TEST_F(TemporaryFileTest, DebrisIsWhatAGoneOwnerLeft) {
  const std::string dead = std::to_string(testing_support::DeadProcessId());
  const std::string alive = std::to_string(getppid());
  WriteRaw(Utf8(dir / (".見積.vek." + dead + ".tmp")), "debris");
  WriteRaw(Utf8(dir / (".見積.vek." + dead + "-2.tmp")), "debris");
  WriteRaw(Utf8(dir / (".見積.vek." + alive + ".tmp")), "a running owner's");
  WriteRaw(Utf8(dir / (".見積.vek." + Pid() + ".tmp")), "ours");
  WriteRaw(Utf8(dir / (".見積.vek." + dead + ".tmpx")), "other suffix");
  WriteRaw(Utf8(dir / (".見積.vek.12a.tmp")), "no pid");
  WriteRaw(Utf8(dir / (".他.vek." + dead + ".tmp")), "other prefix");
  Plant(".見積.vek." + dead + "-3.tmp");
  // A gone owner's name whose file somebody holds locked (another process that took it over).
  const std::string held = dir / (".見積.vek." + dead + "-4.tmp");
  WriteRaw(Utf8(held), "held");
  int fd = open(Utf8(held).c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(flock(fd, LOCK_EX), 0);

  std::vector<std::string> stale = platform::StaleTemporaries(dir.path(), ".見積.vek.");
  EXPECT_EQ(stale, (std::vector<std::string>{dir / (".見積.vek." + dead + "-2.tmp"), dir / (".見積.vek." + dead + ".tmp")}));
  EXPECT_EQ(platform::RemoveStaleTemporaries(dir.path(), ".見積.vek."), 2);
  EXPECT_TRUE(platform::StaleTemporaries(dir.path(), ".見積.vek.").empty());
  close(fd);
  EXPECT_EQ(platform::RemoveStaleTemporaries(dir.path(), ".見積.vek."), 1) << "its lock released";
  EXPECT_NE(ModeOf(dir / (".見積.vek." + alive + ".tmp")), 0u);
  EXPECT_TRUE(IsLink(dir / (".見積.vek." + dead + "-3.tmp")));
  EXPECT_EQ(ReadRaw(Utf8(victim)), "outside");
  // Any name: "*" in the prefix.
  EXPECT_EQ(platform::RemoveStaleTemporaries(dir.path(), ".*."), 1) << "the one of another name";
  EXPECT_EQ(ReadRaw(Utf8(dir / (".他.vek." + dead + ".tmp"))), "");
  EXPECT_EQ(ReadRaw(Utf8(dir / ".見積.vek.12a.tmp")), "no pid");
}

TEST_F(TemporaryFileTest, ATemporaryFileIsLockedWhileItsOwnerHasItOpen) {
  auto temp = platform::TemporaryFile::Create(dir.path(), "xx");
  ASSERT_NE(temp, nullptr);
  int fd = open(Utf8(temp->path()).c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  EXPECT_NE(flock(fd, LOCK_EX | LOCK_NB), 0);
  temp.reset();
  close(fd);
}

}  // namespace
