// Opening an estimate file into a work folder and saving the folder back, on estimate files of the independent
// generator wrapped around cabinets of the peer gcab; saved cabinets are taken out by the generator's code and
// checked by cabextract and gcab.
#include "ZkWorkFolderOperation.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "Dorvik.h"
#include "ZkVekFileOperation.h"
#include "dorvik_test_support.h"
#include "platform/fault.h"
#include "platform/module.h"
#include "vek_fixture.h"

using testing_support::ReadRaw;
using testing_support::Show;
using testing_support::Utf8;
using testing_support::WriteRaw;
using vek_fixture::Code;
using vek_fixture::Estimate;
using vek_fixture::Quoted;
using vek_fixture::Shell;
using vek_fixture::Tree;
using vek_fixture::WithEntries;

namespace {

// Sets $VEK_MODULE_PATH for the life of the object, so that Pakkel is found there.
class ModulePathScope {
 public:
  explicit ModulePathScope(const char* dir) {
    const char* old = std::getenv("VEK_MODULE_PATH");
    had_ = old != nullptr;
    if (old) old_ = old;
    setenv("VEK_MODULE_PATH", dir, 1);
  }
  ~ModulePathScope() {
    if (had_) {
      setenv("VEK_MODULE_PATH", old_.c_str(), 1);
    } else {
      unsetenv("VEK_MODULE_PATH");
    }
  }

 private:
  bool had_ = false;
  std::string old_;
};

class WorkFolderOperationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dorvik_test::ResetSettings();
    source = dir / "元データ";
    vek_fixture::MakeWorkTree(source);
    sourceTree = vek_fixture::ReadTree(source);
    peerCabinet = Utf8(dir / "peer.cab");
    ASSERT_TRUE(vek_fixture::GcabCabinet(source, peerCabinet));
    vek = dir / "見積.vek";
    work = dir / "作業";
  }
  void TearDown() override { platform::ClearFaults(); }

  // The estimate e with the peer's cabinet as its archive.
  std::string MakeVek(const Estimate& e, const std::string& path) {
    EXPECT_TRUE(vek_fixture::Write(path, e, ReadRaw(peerCabinet)));
    return vek_fixture::Read(path);
  }
  // What the generator writes for e around the cabinet saved in savedVek: the expected file, byte for byte.
  std::string Expected(const Estimate& e, const std::string& savedVek) {
    std::string cab = Utf8(dir / "saved.cab");
    EXPECT_TRUE(vek_fixture::TakeCabinet(savedVek, cab));
    std::string path = dir / "expected.vek";
    EXPECT_TRUE(vek_fixture::Write(path, e, ReadRaw(cab)));
    std::string bytes = vek_fixture::Read(path);
    unlink(Utf8(path).c_str());
    return bytes;
  }
  // A fresh folder with the estimate file opened into it.
  void Open(const std::string& file, const std::string& folder, bool whole = false) {
    Shell("rm -rf " + Quoted(Utf8(folder)) + " && mkdir " + Quoted(Utf8(folder)));
    CZkVekFileOperation operation(file.c_str());
    char code[10] = {};
    ASSERT_EQ(whole ? operation.OpenVekFileOld(folder.c_str(), code) : operation.OpenVekFile(folder.c_str(), code), 1)
        << Code(code);
  }
  // The tree of a work folder without its two header INI files.
  Tree Contents(const std::string& folder) {
    Tree t = vek_fixture::ReadTree(folder);
    t.erase("HeaderDt.ini");
    t.erase("HistryDt.ini");
    return t;
  }
  HeaderInfo HeaderOf(const Estimate& e) {
    std::string path = dir / "record.vek";
    EXPECT_TRUE(vek_fixture::Write(path, e, vek_fixture::Tail(64)));
    HeaderInfo h{};
    char code[10] = {};
    EXPECT_EQ(ReadFileHeaderInfo(path.c_str(), &h, code), 1);
    unlink(Utf8(path).c_str());
    return h;
  }

  ModulePathScope modules{SAVE_PAKKEL_DIR};
  dorvik_test::ClockScope clock;
  testing_support::TempFolder dir;
  std::string source, peerCabinet, vek, work;
  Tree sourceTree;
};

using Save = int (*)(const char*, const char*, int, const void*, const void*, char*);
struct Variant {
  const char* name;
  Save save;
  bool whole;
};
const Variant kSaves[] = {{"streamed", SaveVekFile, false}, {"whole file", SaveVekFileOld, true}};

TEST_F(WorkFolderOperationTest, PeerCabinetOpensIntoTheSameFilesAndTheHeaderInis) {
  for (bool whole : {false, true}) {
    SCOPED_TRACE(whole ? "whole file" : "streamed");
    MakeVek(WithEntries(2), vek);
    Open(vek, work, whole);
    Tree opened = vek_fixture::ReadTree(work);
    EXPECT_TRUE(opened.count("HeaderDt.ini") && opened.count("HistryDt.ini"));
    EXPECT_EQ(vek_fixture::TreeDiff(sourceTree, Contents(work)), "") << "no cabtemp stays either";
    HeaderData data{};
    HeaderInfo info{};
    char code[10] = {};
    ASSERT_EQ(ReadFileHeaderINI(work.c_str(), &data, &info, code), 1);
    EXPECT_EQ(std::string(info.CustomerName), "山田　太郎");
    EXPECT_EQ(data.HistoryDataLength, 10 + 93 * 2);
    HistoryData hd{};
    HistoryInfo entries[2] = {};
    int count = 2;
    ASSERT_EQ(ReadFileHistoryINI(work.c_str(), &hd, entries, &count, code), 1) << Code(code);
    HistoryInfo second = vek_fixture::EntryRecord(2);
    EXPECT_EQ(std::memcmp(&entries[1], &second, sizeof second), 0);
  }
}

// open -> save -> open: the same header and history, the same files; the saved cabinet is sound for the peers
// and holds neither the header INI files nor cabinets nor the temporary folder.
TEST_F(WorkFolderOperationTest, RoundTripKeepsHeaderHistoryAndFiles) {
  for (const Variant& v : kSaves) {
    for (int n : {0, 2, 5}) {
      SCOPED_TRACE(std::string(v.name) + ", entries " + std::to_string(n));
      Estimate e = WithEntries(n);
      e.version = "0009";  // a past version survives a save without a new header
      MakeVek(e, vek);
      Open(vek, work, v.whole);
      Tree before = vek_fixture::ReadTree(work);
      WriteRaw(Utf8(work + "/EstimateData20200101000000.cab"), "an old cabinet");
      std::string saved = dir / "保存.vek";
      char code[10] = {};
      ASSERT_EQ(v.save(work.c_str(), saved.c_str(), 0, nullptr, nullptr, code), 1) << Code(code);
      EXPECT_EQ(vek_fixture::TreeDiff(before, vek_fixture::ReadTree(work)), "")
          << "the work folder keeps its INI files and loses the old cabinet";
      EXPECT_TRUE(vek_fixture::Read(saved) == Expected(e, saved));

      std::string cab = Utf8(dir / "saved.cab");
      ASSERT_TRUE(vek_fixture::TakeCabinet(saved, cab));
      EXPECT_EQ(Shell("cabextract -q -t " + Quoted(cab) + " >/dev/null 2>&1"), 0);
      std::string listing = Utf8(dir / "list.txt");
      Shell("gcab -t " + Quoted(cab) + " > " + Quoted(listing));
      std::string names = ReadRaw(listing);
      for (const char* banned : {"HeaderDt.ini", "HistryDt.ini", ".cab", "cabtemp"}) {
        EXPECT_EQ(names.find(banned), std::string::npos) << banned << " in\n" << names;
      }
      EXPECT_NE(names.find("P0001.jpg"), std::string::npos) << names;

      std::string again = dir / "作業２";
      Open(saved, again);
      EXPECT_EQ(vek_fixture::TreeDiff(vek_fixture::ReadTree(work), vek_fixture::ReadTree(again)), "");
    }
  }
}

// open -> save with a new entry -> open: the reopened work folder holds the past entries and the new one last,
// the same header and the same files.
TEST_F(WorkFolderOperationTest, RoundTripWithANewEntry) {
  const HistoryInfo entry = vek_fixture::EntryRecord(9);
  for (const Variant& v : kSaves) {
    SCOPED_TRACE(v.name);
    MakeVek(WithEntries(2), vek);
    Open(vek, work, v.whole);
    char code[10] = {};
    ASSERT_EQ(v.save(work.c_str(), vek.c_str(), 0, nullptr, &entry, code), 1) << Code(code);
    Estimate expected = WithEntries(2);
    expected.numbers = {1, 2, 9};
    EXPECT_TRUE(vek_fixture::Read(vek) == Expected(expected, vek));
    HeaderData pastData{};
    HeaderInfo pastInfo{};
    ASSERT_EQ(ReadFileHeaderINI(work.c_str(), &pastData, &pastInfo, code), 1);

    const std::string again = dir / "作業２";
    Open(vek, again, v.whole);
    EXPECT_EQ(vek_fixture::TreeDiff(Contents(work), Contents(again)), "");
    HeaderData data{};
    HeaderInfo info{};
    ASSERT_EQ(ReadFileHeaderINI(again.c_str(), &data, &info, code), 1);
    EXPECT_EQ(std::memcmp(&info, &pastInfo, sizeof info), 0) << "the same header";
    EXPECT_EQ(data.HistoryDataLength, 10 + 93 * 3);
    HistoryData hd{};
    HistoryInfo entries[3] = {};
    int count = 3;
    ASSERT_EQ(ReadFileHistoryINI(again.c_str(), &hd, entries, &count, code), 1) << Code(code);
    for (int i = 0; i < 3; ++i) {
      HistoryInfo want = vek_fixture::EntryRecord(expected.numbers[i]);
      EXPECT_EQ(std::memcmp(&entries[i], &want, sizeof want), 0) << "entry " << i;
    }
  }
}

TEST_F(WorkFolderOperationTest, FailedFirstSaveLeavesNoFile) {
  MakeVek(WithEntries(1), vek);
  Open(vek, work);
  const Tree before = vek_fixture::ReadTree(work);
  const std::string fresh = dir / "新規";
  Shell("mkdir " + Quoted(Utf8(fresh)));
  const std::string target = fresh + "/新しい見積.vek";
  for (const Variant& v : kSaves) {
    SCOPED_TRACE(v.name);
    // Without an old file the first rename is the one that would put the new file under its name.
    platform::FailNthCall(platform::FileOp::Rename, 1);
    char code[10] = {};
    EXPECT_EQ(v.save(work.c_str(), target.c_str(), 0, nullptr, nullptr, code), 0);
    platform::ClearFaults();
    EXPECT_EQ(Code(code), "E03000003");
    EXPECT_TRUE(vek_fixture::List(fresh).empty()) << "no partial estimate file, no temporary file";
    EXPECT_EQ(vek_fixture::TreeDiff(before, vek_fixture::ReadTree(work)), "");
  }
}

TEST_F(WorkFolderOperationTest, HistoryRules) {
  struct Case {
    const char* name;
    int past;
    int mode;
    bool newHeader, newEntry;
    std::vector<int> entries;  // numbers of the entries written
    bool inisAfter;            // HeaderDt.ini and HistryDt.ini stay in the work folder
  };
  const Case cases[] = {
      {"new entry on 3", 3, 0, false, true, {1, 2, 3, 9}, true},
      {"new entry on a full history", 5, 0, false, true, {2, 3, 4, 5, 9}, true},
      {"new entry without history", 0, 0, false, true, {9}, true},
      {"new header, history continued", 2, 0, true, false, {1, 2}, true},
      {"mode 1: one entry and nothing of the past", 4, 1, true, true, {9}, false},
  };
  Estimate changed;
  changed.customer = "佐藤　花子";
  const HeaderInfo newHeader = HeaderOf(changed);
  const HistoryInfo newEntry = vek_fixture::EntryRecord(9);
  for (const Variant& v : kSaves) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(v.name) + ", " + c.name);
      Estimate past = WithEntries(c.past);
      past.version = "0009";
      MakeVek(past, vek);
      Open(vek, work);
      Tree inis = vek_fixture::ReadTree(work);
      char code[10] = {};
      ASSERT_EQ(v.save(work.c_str(), vek.c_str(), c.mode, c.newHeader ? &newHeader : nullptr,
                       c.newEntry ? &newEntry : nullptr, code),
                1)
          << Code(code);
      Estimate expected = past;
      if (c.newHeader) {
        expected = changed;
        expected.version = "0010";
      }
      expected.numbers = c.entries;  // entry 9 stands for the new one
      EXPECT_TRUE(vek_fixture::Read(vek) == Expected(expected, vek));
      Tree after = vek_fixture::ReadTree(work);
      EXPECT_EQ(after.count("HeaderDt.ini") + after.count("HistryDt.ini"), c.inisAfter ? 2u : 0u);
      if (c.inisAfter) {
        EXPECT_EQ(after["HeaderDt.ini"], inis["HeaderDt.ini"]) << "the values from before the save";
        EXPECT_EQ(after["HistryDt.ini"], inis["HistryDt.ini"]);
      }
    }
  }
}

TEST_F(WorkFolderOperationTest, SaveWithoutAnEstimateFileMakesOneWithoutBackup) {
  MakeVek(WithEntries(1), vek);
  Open(vek, work);
  std::string fresh = dir / "新規" ;
  Shell("mkdir " + Quoted(Utf8(fresh)));
  std::string target = fresh + "/新しい見積.vek";
  char code[10] = {};
  ASSERT_EQ(SaveVekFileEx(work.c_str(), target.c_str(), code), 1) << Code(code);
  EXPECT_EQ(vek_fixture::List(fresh), std::vector<std::string>{Utf8("新しい見積.vek")});
  EXPECT_TRUE(vek_fixture::Read(target) == Expected(WithEntries(1), target));
}

// Two saves in one second: the second finds the backup name taken, changes nothing, and a retry after the
// name is free writes the full header again (not one of zeros).
TEST_F(WorkFolderOperationTest, TakenBackupNameLeavesFileAndWorkFolderAsTheyWere) {
  for (const Variant& v : kSaves) {
    if (v.whole) continue;  // the whole-file save makes no backup
    MakeVek(WithEntries(2), vek);
    Open(vek, work);
    const std::string old = vek_fixture::Read(vek);
    const Tree before = vek_fixture::ReadTree(work);
    const std::string backup = dir / "20240501093000-バックアップ見積.vek";
    WriteRaw(Utf8(backup), "an earlier save's backup");
    char code[10] = {};
    EXPECT_EQ(SaveVekFileEx(work.c_str(), vek.c_str(), code), 0);
    EXPECT_EQ(Code(code), "E03000016");
    char detail[512] = {};
    GetErrorDetail(code, detail, sizeof detail);
    EXPECT_EQ(Show(detail), Show(backup));
    EXPECT_TRUE(vek_fixture::Read(vek) == old);
    EXPECT_EQ(ReadRaw(Utf8(backup)), "an earlier save's backup");
    EXPECT_EQ(vek_fixture::TreeDiff(before, vek_fixture::ReadTree(work)), "") << "INI files put back, no cabinet";

    unlink(Utf8(backup).c_str());
    ASSERT_EQ(SaveVekFileEx(work.c_str(), vek.c_str(), code), 1) << Code(code);
    EXPECT_TRUE(vek_fixture::Read(vek) == Expected(WithEntries(2), vek));
  }
}

TEST_F(WorkFolderOperationTest, FailuresBeforeTheFileIsTouched) {
  struct Case {
    const char* name;
    const char* modules;  // where Pakkel is looked for
    int failPacking;      // packings the peers' Pakkel refuses
    bool split;
    int retries;
    const char* code;  // nullptr: success
    std::vector<unsigned> sleeps;
  };
  const Case cases[] = {
      {"Pakkel without its functions", FAKE_PAKKEL_BARE_DIR, 0, false, 0, "E04000014", {}},
      {"packing fails", GCAB_PAKKEL_DIR, 1, false, 0, "E04000014", {}},
      {"split cabinet", GCAB_PAKKEL_DIR, 0, true, 0, "E04001301", {}},
      {"packing retried until it works", GCAB_PAKKEL_DIR, 2, false, 2, nullptr, {500, 500}},
      {"retries run out", GCAB_PAKKEL_DIR, 3, false, 2, "E04000014", {500, 500}},
  };
  for (const Variant& v : kSaves) {
    for (const Case& c : cases) {
      if (c.split && v.whole) continue;  // the whole-file save looks for no split part
      SCOPED_TRACE(std::string(v.name) + ", " + c.name);
      MakeVek(WithEntries(2), vek);
      Open(vek, work);
      const std::string old = vek_fixture::Read(vek);
      const Tree before = vek_fixture::ReadTree(work);
      ModulePathScope scope(c.modules);
      platform::ModuleHandle gcab = nullptr;
      if (std::string(c.modules) == GCAB_PAKKEL_DIR) {
        gcab = platform::LoadModule(std::string(GCAB_PAKKEL_DIR) + "/libPakkel.so");
        ASSERT_NE(gcab, nullptr);
        platform::GetFunctionAs<void (*)(int, int)>(gcab, "GcabPakkelSet")(c.failPacking, c.split);
      }
      SetCompressRetry(c.retries, 500);
      clock.clock.sleeps.clear();
      char code[10] = {};
      int result = v.save(work.c_str(), vek.c_str(), 0, nullptr, nullptr, code);
      SetCompressRetry(0, 0);
      if (gcab) platform::FreeModule(gcab);
      EXPECT_EQ(clock.clock.sleeps, c.sleeps);
      if (!c.code) {
        EXPECT_EQ(result, 1) << Code(code);
        continue;
      }
      EXPECT_EQ(result, 0);
      EXPECT_EQ(Code(code), c.code);
      EXPECT_TRUE(vek_fixture::Read(vek) == old);
      Tree after = vek_fixture::ReadTree(work);
      after.erase("TEMP2.CAB");
      EXPECT_EQ(vek_fixture::TreeDiff(before, after), "") << "INI files put back, no cabinet left";
    }
  }
}

TEST_F(WorkFolderOperationTest, MissingWorkFolderAndUnreadableIniFiles) {
  MakeVek(WithEntries(1), vek);
  const std::string old = vek_fixture::Read(vek);
  char code[10] = {};
  EXPECT_EQ(SaveVekFileEx((dir / "none").c_str(), vek.c_str(), code), 0);
  EXPECT_EQ(Code(code), "E04000001");
  Open(vek, work);
  WriteRaw(Utf8(work + "/HeaderDt.ini"), "[General]\r\nSignature=SOMETHIN\r\n");
  const Tree before = vek_fixture::ReadTree(work);
  for (const Variant& v : kSaves) {
    EXPECT_EQ(v.save(work.c_str(), vek.c_str(), 0, nullptr, nullptr, code), 0);
    EXPECT_EQ(Code(code), "E04000003");
    EXPECT_TRUE(vek_fixture::Read(vek) == old);
    EXPECT_EQ(vek_fixture::TreeDiff(before, vek_fixture::ReadTree(work)), "");
  }
}

}  // namespace
