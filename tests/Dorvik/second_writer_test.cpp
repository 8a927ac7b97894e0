// A second writer and what a writer that did not live to finish left: every operation that changes an estimate
// file or a work folder waits a bounded time for another's lock and then fails with its own code, changing
// nothing; debris of a process that ended is removed by the next operation, and nothing else is.
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "Dorvik.h"
#include "ZkVekFileOperation.h"
#include "dorvik_test_support.h"
#include "fakes.h"
#include "platform/fault.h"
#include "vek_fixture.h"

using testing_support::ForeignLock;
using testing_support::ReadRaw;
using testing_support::Utf8;
using testing_support::WriteRaw;
using vek_fixture::Code;
using vek_fixture::Quoted;
using vek_fixture::Shell;
using vek_fixture::Tree;

namespace {

class SecondWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dorvik_test::ResetSettings();
    const std::string source = dir / "元データ";
    vek_fixture::MakeWorkTree(source, 3000);
    const std::string cab = Utf8(dir / "peer.cab");
    ASSERT_TRUE(vek_fixture::GcabCabinet(source, cab));
    target = dir / "保存先";
    vek = target + "/見積.vek";
    work = dir / "作業";
    Shell("mkdir " + Quoted(Utf8(target)) + " " + Quoted(Utf8(work)));
    vek_fixture::Estimate e = vek_fixture::WithEntries(2);
    e.agreed = 1;
    e.password = "pw";
    ASSERT_TRUE(vek_fixture::Write(vek, e, ReadRaw(cab)));
    CZkVekFileOperation open(vek.c_str());
    char code[10] = {};
    ASSERT_EQ(open.OpenVekFile(work.c_str(), code), 1) << Code(code);
    oldVek = vek_fixture::Read(vek);
    oldWork = vek_fixture::ReadTree(work);
  }
  void TearDown() override { platform::ClearFaults(); }
  unsigned Waited() const {
    unsigned total = 0;
    for (unsigned ms : clock.clock.sleeps) total += ms;
    return total;
  }
  std::vector<std::string> Beside() { return vek_fixture::List(target); }

  testing_support::EnvVarScope modulePath{"VEK_MODULE_PATH", SAVE_PAKKEL_DIR};
  dorvik_test::ClockScope clock;
  testing_support::TempFolder dir;
  std::string target, vek, work, oldVek;
  Tree oldWork;
};

struct Writer {
  const char* name;
  std::function<int(const std::string& vek, const std::string& work, char* code)> run;
};

const HistoryInfo kEntry = vek_fixture::EntryRecord(9);

const Writer kWriters[] = {
    {"SaveVekFile", [](auto& v, auto& w, char* c) { return SaveVekFile(w.c_str(), v.c_str(), 0, nullptr, &kEntry, c); }},
    {"SaveVekFileEx", [](auto& v, auto& w, char* c) { return SaveVekFileEx(w.c_str(), v.c_str(), c); }},
    {"SaveVekFileOld", [](auto& v, auto& w, char* c) { return SaveVekFileOld(w.c_str(), v.c_str(), 0, nullptr, &kEntry, c); }},
    {"DeleteAllHistory", [](auto& v, auto&, char* c) { return DeleteAllHistory(v.c_str(), c); }},
    {"DeleteAllHistoryOld", [](auto& v, auto&, char* c) { return DeleteAllHistoryOld(v.c_str(), c); }},
    {"SettingAgreed", [](auto& v, auto&, char* c) { return SettingAgreed(v.c_str(), "new", c); }},
    {"ReleaseAgreed", [](auto& v, auto&, char* c) { return ReleaseAgreed(v.c_str(), "pw", 0, c); }},
    {"WriteFileHeaderInfo",
     [](auto& v, auto&, char* c) {
       const HeaderInfo info{};
       return WriteFileHeaderInfo(v.c_str(), &info, c);
     }},
};

// Opening and a read in two steps: they take the estimate file's lock shared.
const Writer kReaders[] = {
    {"OpenVekFile",
     [](auto& v, auto& w, char* c) { return CZkVekFileOperation(v.c_str()).OpenVekFile(w.c_str(), c); }},
    {"OpenVekFileOld",
     [](auto& v, auto& w, char* c) { return CZkVekFileOperation(v.c_str()).OpenVekFileOld(w.c_str(), c); }},
    {"ReadFileHistoryInfo",
     [](auto& v, auto&, char* c) {
       HistoryInfo entries[2];
       int count = 2;
       return ReadFileHistoryInfo(v.c_str(), entries, &count, c);
     }},
};

TEST_F(SecondWriterTest, AChangeOfALockedEstimateFileWaitsThenFailsChangingNothing) {
  for (bool sharedHolder : {false, true}) {
    for (const Writer& w : kWriters) {
      SCOPED_TRACE(std::string(w.name) + (sharedHolder ? " against a reader" : " against a writer"));
      clock.clock.sleeps.clear();
      char code[10] = {};
      {
        ForeignLock other(vek, !sharedHolder);
        ASSERT_TRUE(other.held());
        EXPECT_EQ(w.run(vek, work, code), 0);
      }
      EXPECT_EQ(Code(code), "E03000003");
      EXPECT_GE(Waited(), 15000u);
      EXPECT_LT(Waited(), 15200u);
      EXPECT_TRUE(vek_fixture::Read(vek) == oldVek);
      EXPECT_EQ(Beside(), std::vector<std::string>{Utf8("見積.vek")});
      EXPECT_EQ(vek_fixture::TreeDiff(oldWork, vek_fixture::ReadTree(work)), "");
    }
  }
  // Once the other lets go, the change is made.
  char code[10] = {};
  EXPECT_EQ(SettingAgreed(vek.c_str(), "new", code), 1) << Code(code);
}

TEST_F(SecondWriterTest, OpeningAndReadingWaitForAWriterButNotForAReader) {
  for (bool sharedHolder : {false, true}) {
    for (const Writer& r : kReaders) {
      SCOPED_TRACE(std::string(r.name) + (sharedHolder ? " against a reader" : " against a writer"));
      Shell("rm -rf " + Quoted(Utf8(work)) + " && mkdir " + Quoted(Utf8(work)));
      clock.clock.sleeps.clear();
      char code[10] = {};
      ForeignLock other(vek, !sharedHolder);
      ASSERT_TRUE(other.held());
      int result = r.run(vek, work, code);
      if (sharedHolder) {
        EXPECT_EQ(result, 1) << Code(code);
        EXPECT_TRUE(clock.clock.sleeps.empty());
        continue;
      }
      EXPECT_EQ(result, 0);
      EXPECT_EQ(Code(code), "E03000002");
      EXPECT_GE(Waited(), 15000u);
      EXPECT_TRUE(vek_fixture::ReadTree(work).empty()) << "nothing written into the work folder";
    }
  }
}

TEST_F(SecondWriterTest, AWorkFolderInUseIsNeitherSavedNorOpenedInto) {
  struct Case {
    const char* name;
    std::function<int(char*)> run;
    const char* code;
  } cases[] = {
      {"SaveVekFileEx", [&](char* c) { return SaveVekFileEx(work.c_str(), vek.c_str(), c); }, "E04000014"},
      {"SaveVekFileExOld", [&](char* c) { return SaveVekFileExOld(work.c_str(), vek.c_str(), c); }, "E04000014"},
      {"OpenVekFile", [&](char* c) { return CZkVekFileOperation(vek.c_str()).OpenVekFile(work.c_str(), c); },
       "E04000012"},
      {"OpenVekFileOld", [&](char* c) { return CZkVekFileOperation(vek.c_str()).OpenVekFileOld(work.c_str(), c); },
       "E04000012"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    clock.clock.sleeps.clear();
    char code[10] = {};
    ForeignLock other(work);
    ASSERT_TRUE(other.held());
    EXPECT_EQ(c.run(code), 0);
    EXPECT_EQ(Code(code), c.code);
    EXPECT_GE(Waited(), 15000u);
    EXPECT_TRUE(vek_fixture::Read(vek) == oldVek);
    EXPECT_EQ(vek_fixture::TreeDiff(oldWork, vek_fixture::ReadTree(work)), "");
  }
}

// Debris of a process that ended: its temporary files beside the estimate file and in the work folder, a
// backup its note names (a second name of the estimate file, or the old file after the new one took the name),
// the temporary folder of an opening. Files of a running process and files that no note names stay.
TEST_F(SecondWriterTest, WhatAGoneWriterLeftIsRemovedByTheNextOperation) {
  const std::string dead = std::to_string(testing_support::DeadProcessId());
  const std::string alive = std::to_string(getppid());
  const std::string oldBackup = "20240101000000-バックアップ見積.vek";
  const std::string linkedBackup = "20240102000000-バックアップ見積.vek";
  const std::string unnamed = "20230101000000-バックアップ見積.vek";
  auto plantBeside = [&] {
    WriteRaw(Utf8(target + "/.見積.vek." + dead + ".tmp"), "half a new file");
    WriteRaw(Utf8(target + "/" + oldBackup), "the file before a save");
    WriteRaw(Utf8(target + "/.見積.vek." + dead + ".bak"), oldBackup);
    ASSERT_EQ(link(Utf8(vek).c_str(), Utf8(target + "/" + linkedBackup).c_str()), 0);
    WriteRaw(Utf8(target + "/.見積.vek." + dead + "-1.bak"), linkedBackup);
    WriteRaw(Utf8(target + "/.見積.vek." + alive + ".tmp"), "a running writer's");
    WriteRaw(Utf8(target + "/" + unnamed), "somebody's");
  };
  auto plantInWork = [&] {
    WriteRaw(Utf8(work + "/.HeaderDt.ini." + dead + ".tmp"), "[General]\r\n");
    WriteRaw(Utf8(work + "/.見積.xml." + dead + "-2.tmp"), "<?xml");
    Shell("mkdir -p " + Quoted(Utf8(work + "/cabtemp")) + " && echo x > " + Quoted(Utf8(work + "/cabtemp/a.cab")));
  };
  const std::vector<std::string> staying = {Utf8(".見積.vek." + alive + ".tmp"), Utf8(unnamed), Utf8("見積.vek")};
  struct Case {
    const char* name;
    std::function<int(char*)> run;
    bool beside, inWork;  // where the operation cleans
  } cases[] = {
      {"SaveVekFileEx", [&](char* c) { return SaveVekFileEx(work.c_str(), vek.c_str(), c); }, true, true},
      {"DeleteAllHistory", [&](char* c) { return DeleteAllHistory(vek.c_str(), c); }, true, false},
      {"SettingAgreed", [&](char* c) { return SettingAgreed(vek.c_str(), "x", c); }, true, false},
      {"WriteFileHeaderInfo",
       [&](char* c) {
         HeaderInfo info{};
         return ReadFileHeaderInfo(vek.c_str(), &info, c) && WriteFileHeaderInfo(vek.c_str(), &info, c);
       },
       true, false},
      {"OpenVekFile", [&](char* c) { return CZkVekFileOperation(vek.c_str()).OpenVekFile(work.c_str(), c); }, false,
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.beside) plantBeside();
    if (c.inWork) plantInWork();
    char code[10] = {};
    ASSERT_EQ(c.run(code), 1) << Code(code);
    if (c.beside) {
      EXPECT_EQ(Beside(), staying);
      for (const std::string& n : {".見積.vek." + alive + ".tmp", unnamed}) unlink(Utf8(target + "/" + n).c_str());
    }
    if (c.inWork) {
      for (const auto& [name, bytes] : vek_fixture::ReadTree(work)) {
        EXPECT_TRUE(name.find(".tmp") == std::string::npos && name.rfind("cabtemp", 0) != 0) << name;
      }
    }
  }
  // What the save packed: an opening elsewhere gives the work folder without the debris.
  const std::string elsewhere = dir / "別の作業";
  Shell("mkdir " + Quoted(Utf8(elsewhere)));
  char code[10] = {};
  ASSERT_EQ(CZkVekFileOperation(vek.c_str()).OpenVekFile(elsewhere.c_str(), code), 1) << Code(code);
  for (const auto& [name, bytes] : vek_fixture::ReadTree(elsewhere)) EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
}

}  // namespace
