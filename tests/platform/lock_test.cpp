// Advisory locks on files and folders: a bounded wait, the file that has the name when the lock is had, the
// folder while a file is not made yet, nesting within one process, release when the holder ends.
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <functional>
#include <numeric>
#include <string>

#include "fakes.h"
#include "platform/error.h"
#include "platform/fault.h"
#include "platform/files.h"
#include "test_support.h"

using platform::LockKind;
using testing_support::ForeignLock;
using testing_support::TempFolder;
using testing_support::Utf8;
using testing_support::WriteRaw;

namespace {

// A clock whose sleeps run an action first.
class ActingClock : public testing_support::FakeClock {
 public:
  std::function<void()> onSleep;
  void Sleep(unsigned ms) override {
    if (onSleep) onSleep();
    FakeClock::Sleep(ms);
  }
};

class LockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetClock(&clock);
    file = dir / "見積.vek";
    WriteRaw(Utf8(file), "estimate");
  }
  void TearDown() override {
    platform::SetClock(nullptr);
    platform::ClearFaults();
  }
  unsigned Slept() const { return std::accumulate(clock.sleeps.begin(), clock.sleeps.end(), 0u); }

  ActingClock clock;
  TempFolder dir;
  std::string file;
};

TEST_F(LockTest, WaitsABoundedTimeForAnotherHolder) {
  struct Case {
    const char* name;
    int foreign;  // the other holder's lock
    LockKind kind;
    bool had;
  } cases[] = {{"exclusive against exclusive", LOCK_EX, LockKind::Exclusive, false},
               {"shared against exclusive", LOCK_EX, LockKind::Shared, false},
               {"exclusive against shared", LOCK_SH, LockKind::Exclusive, false},
               {"shared against shared", LOCK_SH, LockKind::Shared, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    clock.sleeps.clear();
    ForeignLock other(file, c.foreign == LOCK_EX);
    ASSERT_TRUE(other.held());
    auto lock = platform::LockFile(file, c.kind, 3000);
    EXPECT_EQ(lock != nullptr, c.had);
    if (!c.had) {
      EXPECT_EQ(platform::LastError(), EWOULDBLOCK);
      EXPECT_GE(Slept(), 3000u);
      EXPECT_LT(Slept(), 3100u);
    } else {
      EXPECT_TRUE(clock.sleeps.empty());
    }
  }
}

TEST_F(LockTest, IsHadOnceTheOtherHolderLetsGoAndKeptUntilItGoes) {
  ForeignLock other(file);
  ASSERT_TRUE(other.held());
  int polls = 0;
  clock.onSleep = [&] {
    if (++polls == 3) other.Release();
  };
  auto lock = platform::LockFile(file, LockKind::Exclusive, 3000);
  ASSERT_NE(lock, nullptr);
  EXPECT_EQ(polls, 3);
  EXPECT_FALSE(testing_support::FreeToLock(file, false));
  lock.reset();
  EXPECT_TRUE(testing_support::FreeToLock(file));
}

TEST_F(LockTest, AFileReplacedWhileAwaitedIsLockedUnderItsName) {
  ForeignLock other(file);
  ASSERT_TRUE(other.held());
  clock.onSleep = [&] {
    WriteRaw(Utf8(dir / "new.vek"), "replacement");
    ASSERT_EQ(rename(Utf8(dir / "new.vek").c_str(), Utf8(file).c_str()), 0);
  };
  auto lock = platform::LockFile(file, LockKind::Exclusive, 3000);
  ASSERT_NE(lock, nullptr) << "the old file is still held by the other, the new one is free";
  EXPECT_FALSE(testing_support::FreeToLock(file)) << "the file under the name is the one locked";
}

TEST_F(LockTest, AFileNotMadeYetLocksItsFolder) {
  const std::string fresh = dir / "新規.vek";
  auto lock = platform::LockFile(fresh, LockKind::Exclusive, 0);
  ASSERT_NE(lock, nullptr);
  EXPECT_FALSE(testing_support::FreeToLock(dir.path()));
  lock.reset();
  {
    ForeignLock other(dir.path());
    ASSERT_TRUE(other.held());
    EXPECT_EQ(platform::LockFile(fresh, LockKind::Exclusive, 100), nullptr) << "another maker of the same file";
  }
  EXPECT_EQ(platform::LockFile(dir / "none/x.vek", LockKind::Exclusive, 0), nullptr) << "no folder to lock";
}

TEST_F(LockTest, FoldersAreLockedThemselves) {
  auto lock = platform::LockFolder(dir.path(), LockKind::Exclusive, 0);
  ASSERT_NE(lock, nullptr);
  EXPECT_FALSE(testing_support::FreeToLock(dir.path()));
  EXPECT_TRUE(testing_support::FreeToLock(file));
  EXPECT_EQ(platform::LockFolder(file, LockKind::Exclusive, 0), nullptr);
  EXPECT_EQ(platform::LastError(), ENOTDIR);
  EXPECT_EQ(platform::LockFolder(dir / "none", LockKind::Exclusive, 0), nullptr);
}

TEST_F(LockTest, OneProcessNeverWaitsForItself) {
  auto folder = platform::LockFolder(dir.path(), LockKind::Exclusive, 0);
  auto outer = platform::LockFile(file, LockKind::Exclusive, 0);
  ASSERT_NE(outer, nullptr);
  auto inner = platform::LockFile(file, LockKind::Exclusive, 0);
  ASSERT_NE(inner, nullptr);
  auto inFolder = platform::LockFile(dir / "新規.vek", LockKind::Exclusive, 0);
  EXPECT_NE(inFolder, nullptr) << "a new file in a folder this process holds";
  EXPECT_TRUE(clock.sleeps.empty());
  outer.reset();
  EXPECT_FALSE(testing_support::FreeToLock(file)) << "kept while one holder is left";
  inner.reset();
  EXPECT_TRUE(testing_support::FreeToLock(file));
}

TEST_F(LockTest, ALockEndsWithItsHolder) {
  pid_t child = fork();
  if (child == 0) {
    auto lock = platform::LockFile(file, LockKind::Exclusive, 0);
    if (!lock) _exit(1);
    lock.release();  // never let go: the process ends holding it
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_NE(platform::LockFile(file, LockKind::Exclusive, 0), nullptr);
}

TEST_F(LockTest, ALockThatTheSystemRefusesFailsAtOnce) {
  platform::FailNthCall(platform::FileOp::Lock, 1);
  EXPECT_EQ(platform::LockFile(file, LockKind::Exclusive, 3000), nullptr);
  EXPECT_TRUE(clock.sleeps.empty());
  EXPECT_TRUE(testing_support::FreeToLock(file));
}

}  // namespace
