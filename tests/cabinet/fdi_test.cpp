// The cabinet reader: stored names checked before anything is written, data checked before anything is
// written, cabinet sets, and cabinets of another producer (gcab).
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "cab_test_support.h"
#include "cabinet/fdi.h"
#include "fci_harness.h"
#include "fdi_harness.h"
#include "test_support.h"

namespace {

using cabtest::FciRun;
using cabtest::FdiRun;
using cabtest::Quote;
using cabtest::Shell;
using testing_support::ReadRaw;
using testing_support::TempFolder;
using testing_support::WriteRaw;

// Packs (stored name, bytes) with our writer into t/cab/<name>.
void Pack(const TempFolder& t, const std::string& name, const std::vector<std::pair<std::string, std::string>>& files,
          std::uint32_t limit = 1000000000) {
  std::filesystem::create_directories(t / "src");
  std::filesystem::create_directories(t / "cab");
  std::vector<std::pair<std::string, std::string>> inputs;
  for (std::size_t i = 0; i < files.size(); ++i) {
    std::string path = t / ("src/" + std::to_string(i));
    WriteRaw(path, files[i].second);
    inputs.emplace_back(path, files[i].first);
  }
  FciRun run(t / "cab/", name, limit);
  ASSERT_TRUE(run.Pack(inputs)) << run.erf.erfOper;
}

TEST(CabinetReader, UnpacksWhatTheWriterPacked) {
  TempFolder t;
  Pack(t, "a.cab",
       {{"\\HeaderDt.ini", "[General]\r\n"},
        {"\\Image\\P0001.jpg", cabtest::RandomBytes(70000, 1)},
        {"\\表\\ソ.txt", cabtest::Text(50000, 2)},
        {"\\empty", ""}});
  std::filesystem::create_directories(t / "out");
  FdiRun run(t / "out/");
  ASSERT_TRUE(run.Copy(t / "cab/", "a.cab")) << run.erf.erfOper;
  EXPECT_EQ(run.count(fdintCABINET_INFO), 1);
  EXPECT_EQ(run.count(fdintCOPY_FILE), 4);
  EXPECT_EQ(run.count(fdintCLOSE_FILE_INFO), 4);
  EXPECT_EQ(run.opens, run.closes);
  EXPECT_EQ(ReadRaw(t / "out/Image/P0001.jpg"), cabtest::RandomBytes(70000, 1));
  EXPECT_EQ(ReadRaw(testing_support::Utf8(t / "out/表/ソ.txt")), cabtest::Text(50000, 2));
  const cabtest::Notified& copy = run.notified[3];
  EXPECT_EQ(copy.psz1, "\\Image\\P0001.jpg");
  EXPECT_EQ(copy.cb, 70000);
  EXPECT_EQ(copy.date, 0x5A8A);
  EXPECT_EQ(copy.time, 0x6C45);
  EXPECT_EQ(copy.attribs, 0x21);
}

TEST(CabinetReader, TellsCabinetsFromOtherFiles) {
  TempFolder t;
  Pack(t, "a.cab", {{"x", "1"}});
  WriteRaw(t / "not.cab", "MZ this is no cabinet at all, not even close.");
  std::string v2 = ReadRaw(t / "cab/a.cab");
  v2[25] = 2;
  WriteRaw(t / "v2.cab", v2);
  FdiRun run(t / "");
  FDICABINETINFO info{};
  ASSERT_TRUE(run.IsCabinet(t / "cab/a.cab", info));
  EXPECT_EQ(info.cFiles, 1);
  EXPECT_EQ(info.setID, 12345);
  EXPECT_EQ(info.cbCabinet, static_cast<long>(ReadRaw(t / "cab/a.cab").size()));
  EXPECT_FALSE(run.IsCabinet(t / "not.cab", info));
  EXPECT_EQ(run.erf.erfOper, FDIERROR_NOT_A_CABINET);
  EXPECT_FALSE(run.IsCabinet(t / "v2.cab", info));
  EXPECT_EQ(run.erf.erfOper, FDIERROR_UNKNOWN_CABINET_VERSION);
}

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

struct NameCase {
  const char* why;
  std::string name;
  bool safe;
};

TEST(CabinetReader, RefusesEveryUnsafeNameBeforeWritingAnything) {
  const NameCase cases[] = {
      {"the system's own leading separator", "\\HeaderDt.ini", true},
      {"no leading separator", "Image\\P0001.jpg", true},
      {"trail byte 0x5C", "\\表\\ソ", true},
      {"a dot component", ".\\a", true},
      {"dots inside a name", "a..b", true},
      {"parent component", "..\\evil", false},
      {"parent component inside", "\\Image\\..\\..\\evil", false},
      {"parent component with slashes", "a/../../evil", false},
      {"rooted at a share", "\\\\server\\share\\x", false},
      {"rooted at /", "/etc/x", false},
      {"drive-rooted", "C:\\x", false},
      {"drive-relative", "C:x", false},
      {"folder only", "\\Image\\", false},
      {"255 bytes", std::string(255, 'n'), true},
      {"component longer than the file system holds", Repeat("表", 86), false},
      {"not CP932", "\x81\x20name", false},
  };
  for (const NameCase& c : cases) {
    SCOPED_TRACE(c.why);
    TempFolder t;
    // A safe file first: nothing at all may be written when a later name is refused.
    Pack(t, "n.cab", {{"first.txt", "1"}, {c.name, "2"}});
    std::filesystem::create_directories(t / "out");
    FdiRun run(t / "out/");
    EXPECT_EQ(run.Copy(t / "cab/", "n.cab"), c.safe);
    if (!c.safe) {
      EXPECT_EQ(run.erf.erfOper, FDIERROR_UNSAFE_NAME);
      EXPECT_EQ(run.count(fdintCOPY_FILE), 0);
      EXPECT_TRUE(cabtest::TreeOf(t / "out").empty());
    }
  }
}

struct Damage {
  const char* why;
  std::function<void(std::string&)> apply;
  int error;
};

TEST(CabinetReader, DamagedCabinetsFailBeforeWritingAnything) {
  const Damage cases[] = {
      {"a flipped byte in the last data block", [](std::string& b) { b[b.size() - 100] ^= 0x01; },
       FDIERROR_CORRUPT_CABINET},
      {"a flipped byte in the first data block", [](std::string& b) { b[200] ^= 0x40; }, FDIERROR_CORRUPT_CABINET},
      {"cut in the last block", [](std::string& b) { b.resize(b.size() - 10); }, FDIERROR_CORRUPT_CABINET},
      {"cut in half", [](std::string& b) { b.resize(b.size() / 2); }, FDIERROR_CORRUPT_CABINET},
      {"cut in the file records", [](std::string& b) { b.resize(60); }, FDIERROR_CORRUPT_CABINET},
      {"cut in the header", [](std::string& b) { b.resize(20); }, FDIERROR_CORRUPT_CABINET},
      {"empty file", [](std::string& b) { b.clear(); }, FDIERROR_NOT_A_CABINET},
      {"not a cabinet", [](std::string& b) { b = "PK\x03\x04" + b.substr(4); }, FDIERROR_NOT_A_CABINET},
      {"no checksums and a damaged block (found by decoding)",
       [](std::string& b) {
         cabtest::ClearChecksums(b);
         b[cabtest::BlockOffsets(b).back() + 8] = 'X';  // its "CK"
       },
       FDIERROR_CORRUPT_CABINET},
      {"a file beyond its folder", [](std::string& b) { b[b.find("\\b.bin") - 14] ^= 0x10; },
       FDIERROR_CORRUPT_CABINET},
  };
  for (const Damage& c : cases) {
    SCOPED_TRACE(c.why);
    TempFolder t;
    Pack(t, "d.cab", {{"\\a.txt", cabtest::Text(30000, 3)}, {"\\b.bin", cabtest::RandomBytes(90000, 4)}});
    std::string bytes = ReadRaw(t / "cab/d.cab");
    c.apply(bytes);
    WriteRaw(t / "cab/d.cab", bytes);
    std::filesystem::create_directories(t / "out");
    FdiRun run(t / "out/");
    EXPECT_FALSE(run.Copy(t / "cab/", "d.cab"));
    EXPECT_EQ(run.erf.erfOper, c.error);
    EXPECT_EQ(run.count(fdintCOPY_FILE), 0);
    EXPECT_TRUE(cabtest::TreeOf(t / "out").empty());
  }
}

// File records may name the data of their folder in any order, and more than once: the reader goes back in
// the cabinet for them (the records are rewritten here; the data blocks and their checksums stay sound), in a
// folder that it decodes and in one of stored blocks, whose bytes it copies as they are.
TEST(CabinetReader, FilesMayNameTheirFolderDataInAnyOrder) {
  for (const bool stored : {false, true}) {
    SCOPED_TRACE(stored ? "stored blocks" : "compressed and stored blocks");
    const std::string a = stored ? cabtest::RandomBytes(300000, 11) : cabtest::Text(300000, 9);
    const std::string b = cabtest::RandomBytes(400000, 10);
    auto put32 = [](std::string& bytes, std::size_t at, std::uint32_t v) {
      for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(v >> (8 * i));
    };
    struct Case {
      const char* why;
      std::uint32_t aSize, aOffset, bSize, bOffset;  // what the records of "\\a" and "\\b" say
      std::string aWants, bWants;
    } cases[] = {
        {"as packed", 300000, 0, 400000, 300000, a, b},
        {"the first record names the later data", 400000, 300000, 300000, 0, b, a},
        {"both name the same data", 300000, 0, 300000, 0, a, a},
        {"a part from the middle, then the start", 1000, 299500, 300000, 0, a.substr(299500) + b.substr(0, 500), a},
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(c.why);
      TempFolder t;
      Pack(t, "o.cab", {{"\\a", a}, {"\\b", b}});
      std::string bytes = ReadRaw(t / "cab/o.cab");
      const std::size_t aRecord = bytes.find(std::string("\\a\0", 3)) - 16;
      const std::size_t bRecord = bytes.find(std::string("\\b\0", 3)) - 16;
      put32(bytes, aRecord, c.aSize);
      put32(bytes, aRecord + 4, c.aOffset);
      put32(bytes, bRecord, c.bSize);
      put32(bytes, bRecord + 4, c.bOffset);
      WriteRaw(t / "cab/o.cab", bytes);
      std::filesystem::create_directories(t / "out");
      FdiRun run(t / "out/");
      ASSERT_TRUE(run.Copy(t / "cab/", "o.cab")) << run.erf.erfOper;
      EXPECT_TRUE(ReadRaw(t / "out/a") == c.aWants);
      EXPECT_TRUE(ReadRaw(t / "out/b") == c.bWants);
      EXPECT_EQ(run.opens, run.closes);
    }
  }
}

TEST(CabinetReader, EmptyCabinetUnpacksToNothing) {
  TempFolder t;
  Pack(t, "e.cab", {});
  std::filesystem::create_directories(t / "out");
  FdiRun run(t / "out/");
  EXPECT_TRUE(run.Copy(t / "cab/", "e.cab"));
  EXPECT_EQ(run.count(fdintCABINET_INFO), 1);
  EXPECT_EQ(run.notified.size(), 1u);
}

TEST(CabinetReader, FollowsACabinetSet) {
  TempFolder t;
  Pack(t, "s.cab",
       {{"a", cabtest::RandomBytes(50000, 5)}, {"b", cabtest::RandomBytes(200000, 6)}, {"c", cabtest::Text(9000, 7)}},
       100000);
  ASSERT_TRUE(std::filesystem::exists(t / "cab/TEMP3.CAB"));
  {
    std::filesystem::create_directories(t / "out");
    FdiRun run(t / "out/");
    ASSERT_TRUE(run.Copy(t / "cab/", "s.cab")) << run.erf.erfOper;
    EXPECT_GE(run.count(fdintNEXT_CABINET), 2);
    EXPECT_EQ(run.count(fdintCOPY_FILE), 3);
    EXPECT_EQ(ReadRaw(t / "out/b"), cabtest::RandomBytes(200000, 6));
  }
  struct SetCase {
    const char* why;
    std::function<void(FdiRun&)> arrange;
    std::string first;
    int error;
  } cases[] = {
      {"next cabinet refused", [](FdiRun& r) { r.refuseNext = true; }, "s.cab", FDIERROR_USER_ABORT},
      {"a later cabinet given", [](FdiRun&) {}, "TEMP2.CAB", FDIERROR_CORRUPT_CABINET},
      {"next cabinet missing", [&](FdiRun&) { std::filesystem::remove(t / "cab/TEMP3.CAB"); }, "s.cab",
       FDIERROR_CABINET_NOT_FOUND},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    std::filesystem::remove_all(t / "out2");
    std::filesystem::create_directories(t / "out2");
    FdiRun run(t / "out2/");
    c.arrange(run);
    EXPECT_FALSE(run.Copy(t / "cab/", c.first));
    EXPECT_EQ(run.erf.erfOper, c.error);
    EXPECT_EQ(run.count(fdintCOPY_FILE), 0);
    EXPECT_TRUE(cabtest::TreeOf(t / "out2").empty());
  }
}

TEST(CabinetReader, AnswersOfTheNotificationsAreHonoured) {
  struct Case {
    const char* why;
    std::function<void(FdiRun&)> arrange;
    bool ok;
    int error;
  } cases[] = {
      {"every file skipped", [](FdiRun& r) { r.skipAll = true; }, true, FDIERROR_NONE},
      {"close refused", [](FdiRun& r) { r.refuseClose = true; }, false, FDIERROR_TARGET_FILE},
      {"target write fails", [](FdiRun& r) { r.failTargetWrite = 1; }, false, FDIERROR_TARGET_FILE},
  };
  for (const auto& c : cases) {
    for (const std::string& content : {cabtest::Text(70000, 8), cabtest::RandomBytes(70000, 8)}) {
      SCOPED_TRACE(c.why);
      TempFolder t;
      Pack(t, "h.cab", {{"a", content}, {"b", "2"}});
      std::filesystem::create_directories(t / "out");
      FdiRun run(t / "out/");
      c.arrange(run);
      EXPECT_EQ(run.Copy(t / "cab/", "h.cab"), c.ok);
      if (!c.ok) {
        EXPECT_EQ(run.erf.erfOper, c.error);
        EXPECT_EQ(run.count(fdintCOPY_FILE), 1);  // stops at the first file
      }
      EXPECT_EQ(run.opens, run.closes);
    }
  }
}

TEST(CabinetReader, NamesFlaggedAsUtf8AreHandedOverInCp932) {
  TempFolder t;
  std::filesystem::create_directories(t / "in");
  WriteRaw(t / "in/" + testing_support::Utf8("表.txt"), "hyou");
  std::string log;
  ASSERT_EQ(Shell("cd " + Quote(t / "in") + " && gcab -c -z ../g.cab " + Quote(testing_support::Utf8("表.txt")), &log), 0)
      << log;
  std::filesystem::create_directories(t / "out");
  FdiRun run(t / "out/");
  ASSERT_TRUE(run.Copy(t / "", "g.cab")) << run.erf.erfOper;
  ASSERT_EQ(run.count(fdintCOPY_FILE), 1);
  EXPECT_EQ(run.notified[1].psz1, "表.txt");
  EXPECT_EQ(run.notified[1].attribs & CAB_A_NAME_IS_UTF, 0);
  EXPECT_EQ(ReadRaw(testing_support::Utf8(t / "out/表.txt")), "hyou");
}

}  // namespace
