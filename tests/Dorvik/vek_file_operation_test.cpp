// History deletion and the agreed lock, through the exports, on files of the independent generator: the
// expected results are generated too, so every byte of a rewritten file is checked.
#include "ZkVekFileOperation.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <set>
#include <string>

#include "Dorvik.h"
#include "dorvik_test_support.h"
#include "platform/fault.h"
#include "vek_fixture.h"

using testing_support::Show;
using testing_support::Utf8;
using testing_support::WriteRaw;
using vek_fixture::Code;
using vek_fixture::Estimate;
using vek_fixture::WithEntries;

namespace {

const char kName[] = "見積　山田.vek";
// The backup name of kName at the fake clock's time.
const char kBackupName[] = "20240501093000-バックアップ見積　山田.vek";

class VekFileOperationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dorvik_test::ResetSettings();
    vek = dir / kName;
    backup = dir / kBackupName;
    tail = vek_fixture::Tail(70000);
  }
  void TearDown() override { platform::ClearFaults(); }

  // The estimate file e, made anew; gives its bytes.
  std::string Make(const Estimate& e) {
    EXPECT_TRUE(vek_fixture::Write(vek, e, tail));
    return vek_fixture::Read(vek);
  }
  // What the generator makes of e (the expected result of an operation).
  std::string Expected(const Estimate& e) {
    std::string other = dir / "expected.vek";
    EXPECT_TRUE(vek_fixture::Write(other, e, tail));
    std::string bytes = vek_fixture::Read(other);
    unlink(Utf8(other).c_str());
    return bytes;
  }
  std::vector<std::string> Listing() { return vek_fixture::List(dir.path()); }

  dorvik_test::ClockScope clock;
  testing_support::TempFolder dir;
  std::string vek, backup, tail;
};

using Operation = int (*)(const char*, char*);

struct Variant {
  const char* name;
  Operation run;
};
const Variant kDeletions[] = {{"streamed", DeleteAllHistory}, {"whole file", DeleteAllHistoryOld}};

TEST_F(VekFileOperationTest, DeletingTheHistoryKeepsEverythingElseByteForByte) {
  for (const Variant& v : kDeletions) {
    for (int n : {0, 3, 5}) {
      SCOPED_TRACE(std::string(v.name) + ", entries " + std::to_string(n));
      Estimate before;
      before.entries = n;
      std::string old = Make(before);
      Estimate after = before;
      after.entries = 0;
      after.history = 0;
      char code[10] = {};
      ASSERT_EQ(v.run(vek.c_str(), code), 1) << Code(code);
      std::string now = vek_fixture::Read(vek);
      EXPECT_EQ(now.size(), old.size() - 93u * n);
      EXPECT_TRUE(now == Expected(after));
      EXPECT_EQ(now.substr(331), old.substr(331 + 93 * n)) << "the archive is untouched";
      EXPECT_EQ(Listing(), std::vector<std::string>{Utf8(kName)}) << "no backup or temporary file stays";
    }
  }
}

TEST_F(VekFileOperationTest, TakenBackupNameFailsAndLeavesBothFilesAsTheyWere) {
  std::string old = Make(WithEntries(3));
  WriteRaw(Utf8(backup), "an earlier backup");
  char code[10] = {};
  EXPECT_EQ(DeleteAllHistory(vek.c_str(), code), 0);
  EXPECT_EQ(Code(code), "E03000016");
  EXPECT_TRUE(vek_fixture::Read(vek) == old);
  EXPECT_EQ(vek_fixture::Read(backup), "an earlier backup");
  char detail[512] = {};
  EXPECT_EQ(GetErrorDetail("E03000016", detail, sizeof detail), 1);
  EXPECT_EQ(Show(detail), Show(backup));
  EXPECT_EQ(Listing().size(), 2u);
}

TEST_F(VekFileOperationTest, FailureAfterTheBackupLeavesTheOldFileWhateverTheCallersBufferHeld) {
  // A code left in the caller's buffer by an earlier call must not stop the clean-up.
  std::string old = Make(WithEntries(2));
  for (platform::FileOp op : {platform::FileOp::Write, platform::FileOp::Rename}) {
    SCOPED_TRACE(vek_fixture::OpName(op));
    char code[10] = "E03000016";
    // The first write is the new file's head; the first rename is the backup link, the second the commit.
    platform::FailNthCall(op, op == platform::FileOp::Rename ? 2 : 1);
    EXPECT_EQ(DeleteAllHistory(vek.c_str(), code), 0);
    platform::ClearFaults();
    EXPECT_EQ(Code(code), "E03000003");
    EXPECT_TRUE(vek_fixture::Read(vek) == old);
    EXPECT_EQ(Listing(), std::vector<std::string>{Utf8(kName)});
  }
}

TEST_F(VekFileOperationTest, BackupThatCannotBeRemovedStaysAfterFourTries) {
  Make(WithEntries(1));
  Estimate after;
  after.history = 0;
  platform::FailFromCall(platform::FileOp::Delete, 1);
  char code[10] = {};
  EXPECT_EQ(DeleteAllHistory(vek.c_str(), code), 1) << Code(code);
  platform::ClearFaults();
  EXPECT_TRUE(vek_fixture::Read(vek) == Expected(after));
  EXPECT_EQ(vek_fixture::Read(backup).size(), 331u + 93u + tail.size()) << "the old file under the backup name";
  EXPECT_EQ(clock.clock.sleeps, (std::vector<unsigned>{5000, 5000, 5000}));
}

TEST_F(VekFileOperationTest, RefusedFilesAreLeftUntouched) {
  struct Case {
    const char* name;
    std::string bytes;  // empty: no file
    const char* code;
  };
  std::string good = Make(WithEntries(3));
  std::string wrongMagic = good;
  wrongMagic.replace(0, 4, "VEK2");
  std::string cutHistory = good.substr(0, 331 + 93 * 2);
  const Case cases[] = {
      {"missing file", "", "E03000001"},
      {"not an estimate file", wrongMagic, "E03000004"},
      {"shorter than its head", good.substr(0, 200), "E03000004"},
      {"history block cut short", cutHistory, "E03000004"},
  };
  const Variant all[] = {kDeletions[0], kDeletions[1],
                         {"agreed", [](const char* f, char* c) { return SettingAgreed(f, "pw", c); }},
                         {"released", [](const char* f, char* c) { return ReleaseAgreed(f, "", 1, c); }}};
  for (const Case& c : cases) {
    for (const Variant& v : all) {
      // Cutting the history short only matters where the history is read.
      if (std::string(c.name) == "history block cut short" && v.run == DeleteAllHistoryOld) continue;
      SCOPED_TRACE(std::string(c.name) + ", " + v.name);
      unlink(Utf8(vek).c_str());
      if (!c.bytes.empty()) WriteRaw(Utf8(vek), c.bytes);
      char code[10] = {};
      EXPECT_EQ(v.run(vek.c_str(), code), 0);
      EXPECT_EQ(Code(code), c.code);
      EXPECT_TRUE(vek_fixture::Read(vek) == c.bytes);
      EXPECT_EQ(Listing().size(), c.bytes.empty() ? 0u : 1u);
    }
  }
}

TEST_F(VekFileOperationTest, AgreedLockSetAndReleased) {
  struct Case {
    const char* name;
    Estimate before;
    bool set;  // SettingAgreed, else ReleaseAgreed
    const char* password;
    int mode;
    const char* code;  // nullptr: success
    Estimate after;    // when it succeeds
  };
  auto agreedWith = [](const char* pw, int entries = 2) {
    Estimate e;
    e.entries = entries;
    e.agreed = 1;
    e.password = pw;
    return e;
  };
  auto released = [](int entries = 2) {
    Estimate e;
    e.entries = entries;
    return e;
  };
  const Case cases[] = {
      {"set, 16 characters kept whole", released(), true, "Pass1234Word5678", 0, nullptr,
       agreedWith("Pass1234Word5678")},
      {"set without history", released(0), true, "abc", 0, nullptr, agreedWith("abc", 0)},
      {"set over an agreed one", agreedWith("old"), true, "new", 0, nullptr, agreedWith("new")},
      {"set, 17 characters", released(), true, "Pass1234Word56789", 0, "E03000012", {}},
      {"release, other letter case", agreedWith("Pass1234Word5678"), false, "pASS1234wORD5678", 0, nullptr,
       released()},
      {"release, wrong password", agreedWith("secret"), false, "secreT1", 0, "E03000015", {}},
      {"release, forced with any password", agreedWith("secret"), false, "whatever", 1, nullptr, released()},
      {"release, forced but 17 characters", agreedWith("secret"), false, "12345678901234567", 1, "E03000012", {}},
      {"release of a never agreed estimate", released(5), false, "", 0, nullptr, released(5)},
      {"release, trail bytes are not letters", agreedWith("ア"), false, "ヂ", 0, "E03000015", {}},
      {"release, double-byte password", agreedWith("見積ab"), false, "見積AB", 0, nullptr, released()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string old = Make(c.before);
    char code[10] = {};
    int result = c.set ? SettingAgreed(vek.c_str(), c.password, code)
                       : ReleaseAgreed(vek.c_str(), c.password, c.mode, code);
    std::string now = vek_fixture::Read(vek);
    if (c.code) {
      EXPECT_EQ(result, 0);
      EXPECT_EQ(Code(code), c.code);
      EXPECT_TRUE(now == old);
      continue;
    }
    EXPECT_EQ(result, 1) << Code(code);
    EXPECT_TRUE(now == Expected(c.after));
    EXPECT_EQ(now.size(), old.size());
    EXPECT_TRUE(now.substr(321) == old.substr(321)) << "only the first 321 bytes change";
  }
}

// Every file operation of the rewrites failing in turn: the estimate file is the old one or the complete new
// one, nothing else stays in its folder, and a failure carries one of the operation's codes.
TEST_F(VekFileOperationTest, EveryFailingFileOperationLeavesTheOldOrTheNewFile) {
  struct Case {
    const char* name;
    std::function<int(char*)> run;
    Estimate before, after;
  };
  Estimate three = WithEntries(3), cleared;
  cleared.history = 0;
  Estimate agreed = three;
  agreed.agreed = 1;
  agreed.password = "pw";
  const Case cases[] = {
      {"DeleteAllHistory", [&](char* c) { return DeleteAllHistory(vek.c_str(), c); }, three, cleared},
      {"DeleteAllHistoryOld", [&](char* c) { return DeleteAllHistoryOld(vek.c_str(), c); }, three, cleared},
      {"SettingAgreed", [&](char* c) { return SettingAgreed(vek.c_str(), "pw", c); }, three, agreed},
      {"ReleaseAgreed", [&](char* c) { return ReleaseAgreed(vek.c_str(), "PW", 0, c); }, agreed, three},
  };
  const std::set<std::string> codes = {"E03000002", "E03000003", "E01000003"};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string old = Make(c.before);
    const std::string expected = Expected(c.after);
    char code[10];
    int runs = vek_fixture::ForEveryFault(
        [&] {
          for (const std::string& n : Listing()) unlink((Utf8(dir.path()) + "/" + n).c_str());
          WriteRaw(Utf8(vek), old);
          std::memset(code, 0, sizeof code);
        },
        [&] { return c.run(code); },
        [&](platform::FileOp op, int n, int result) {
          SCOPED_TRACE(std::string(vek_fixture::OpName(op)) + " call " + std::to_string(n));
          std::string now = vek_fixture::Read(vek);
          if (result == 1) {
            EXPECT_TRUE(now == expected);
          } else {
            EXPECT_TRUE(now == old);
            EXPECT_TRUE(codes.count(Code(code))) << Code(code);
          }
          EXPECT_EQ(Listing(), std::vector<std::string>{Utf8(kName)});
        });
    EXPECT_GT(runs, 3);
  }
}

}  // namespace
