// The cabinet writer, checked by peers (cabextract, gcab) and by an independent reading of its records.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "cab_test_support.h"
#include "cabinet/fci.h"
#include "fci_harness.h"
#include "test_support.h"

namespace {

using cabtest::FciRun;
using cabtest::Quote;
using cabtest::RawCabinet;
using cabtest::Shell;
using testing_support::ReadRaw;
using testing_support::TempFolder;
using testing_support::WriteRaw;

struct Content {
  std::string name;  // stored name ("\" between folders)
  std::string bytes;
};

// Writes every content into src/ of the folder, packs them into cab/<cabName>, gives the inputs.
std::vector<std::pair<std::string, std::string>> Sources(const TempFolder& t, const std::vector<Content>& files) {
  std::filesystem::create_directories(t / "src");
  std::filesystem::create_directories(t / "cab");
  std::vector<std::pair<std::string, std::string>> out;
  int i = 0;
  for (const Content& c : files) {
    std::string path = t / ("src/f" + std::to_string(i++));
    WriteRaw(path, c.bytes);
    out.emplace_back(path, c.name);
  }
  return out;
}

// cabextract unpacks the cabinet (and the rest of its set) into out/; gives out/'s files.
std::vector<std::pair<std::string, std::string>> Cabextract(const TempFolder& t, const std::string& cab) {
  std::string log;
  EXPECT_EQ(Shell("cabextract -q -d " + Quote(t / "out") + " " + Quote(cab), &log), 0) << log;
  return cabtest::TreeOf(t / "out");
}

std::vector<std::pair<std::string, std::string>> Expected(const std::vector<Content>& files) {
  std::vector<std::pair<std::string, std::string>> out;
  for (const Content& c : files) {
    std::string path = c.name;
    for (char& ch : path) {
      if (ch == '\\') ch = '/';
    }
    if (!path.empty() && path[0] == '/') path.erase(0, 1);
    out.emplace_back(path, cabtest::Digest(c.bytes));
  }
  std::sort(out.begin(), out.end());
  return out;
}

struct RoundTrip {
  const char* name;
  std::vector<Content> files;
};

TEST(CabinetWriter, PeersReadWhatItPacks) {
  const RoundTrip cases[] = {
      {"empty file", {{"empty.txt", ""}}},
      {"one byte", {{"a", "x"}}},
      {"exactly one block", {{"block.bin", cabtest::RandomBytes(32768, 1)}}},
      {"one byte over a block", {{"block1.bin", cabtest::RandomBytes(32769, 2)}}},
      {"text of several blocks", {{"t.txt", cabtest::Text(200000, 3)}}},
      {"incompressible", {{"p.jpg", cabtest::RandomBytes(300000, 4)}}},
      {"mixed, with folders and an empty file",
       {{"\\HeaderDt.ini", cabtest::Text(500, 5)},
        {"\\Image\\P0001.jpg", cabtest::RandomBytes(70000, 6)},
        {"\\Image\\empty", ""},
        {"\\db\\x.db", cabtest::Text(40000, 7)}}},
  };
  for (const RoundTrip& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder t;
    FciRun run(t / "cab/", "a.cab");
    ASSERT_TRUE(run.Pack(Sources(t, c.files))) << run.erf.erfOper;
    std::string log;
    EXPECT_EQ(Shell("cabextract -t " + Quote(t / "cab/a.cab"), &log), 0) << log;
    EXPECT_EQ(Cabextract(t, t / "cab/a.cab"), Expected(c.files));
    RawCabinet raw;
    ASSERT_TRUE(cabtest::ReadRawCabinet(t / "cab/a.cab", raw));
    EXPECT_EQ(raw.fileCount, c.files.size());
    EXPECT_EQ(raw.size, ReadRaw(t / "cab/a.cab").size());
  }
}

// Data that would not shrink is stored (one stored deflate block inside the MSZIP block); everything else is
// compressed, and so is a block into which many small files begin (their headers repeat). Both kinds are read by
// the peers. (Which data is which: compressibility_test.)
TEST(CabinetWriter, StoresBlocksThatWouldNotShrinkAndCompressesTheRest) {
  std::vector<Content> small;
  for (int i = 0; i < 40; ++i) {
    small.push_back({"\\s" + std::to_string(i), "\xFF\xD8\xFF\xE1" + cabtest::RandomBytes(1000, 70 + i)});
  }
  const struct {
    const char* name;
    std::vector<Content> files;
    bool stored;
  } cases[] = {
      {"random bytes, a short last block", {{"\\f.bin", cabtest::RandomBytes(32768 + 9000, 61)}}, true},
      {"text", {{"\\f.bin", cabtest::Text(32768 + 9000, 62)}}, false},
      {"many small files of random bytes", small, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder t;
    FciRun run(t / "cab/", "s.cab");
    ASSERT_TRUE(run.Pack(Sources(t, c.files))) << run.erf.erfOper;
    const std::string cab = ReadRaw(t / "cab/s.cab");
    const std::vector<std::size_t> blocks = cabtest::BlockOffsets(cab);
    ASSERT_FALSE(blocks.empty());
    // The first block tells (the last one of small files may hold fewer of them).
    const std::size_t at = blocks[0];
    const std::size_t packed = static_cast<unsigned char>(cab[at + 4]) | static_cast<unsigned char>(cab[at + 5]) << 8;
    const std::size_t plain = static_cast<unsigned char>(cab[at + 6]) | static_cast<unsigned char>(cab[at + 7]) << 8;
    ASSERT_EQ(cab.compare(at + 8, 2, "CK"), 0);
    // A final stored deflate block: its header byte, then the length and its complement.
    const bool stored = cab[at + 10] == 0x01 && packed == plain + 7;
    EXPECT_EQ(stored, c.stored) << packed << " bytes for " << plain;
    if (!c.stored) {
      EXPECT_LT(packed, plain);
    }
    std::string log;
    EXPECT_EQ(Shell("cabextract -t " + Quote(t / "cab/s.cab"), &log), 0) << log;
    std::filesystem::create_directories(t / "gcab");
    EXPECT_EQ(Shell("gcab -x -C " + Quote(t / "gcab") + " " + Quote(t / "cab/s.cab"), &log), 0) << log;
    EXPECT_EQ(cabtest::TreeOf(t / "gcab"), Expected(c.files));
    EXPECT_EQ(Cabextract(t, t / "cab/s.cab"), Expected(c.files));
  }
}

TEST(CabinetWriter, StoresNamesDatesAndAttributesAsGiven) {
  TempFolder t;
  // "表" and "ソ" end in 0x5C: the writer must not take their trail bytes for separators.
  std::vector<Content> files = {{"\\表\\ソ.txt", "abc"}, {"\\dup", "1"}, {"\\dup", "22"}};
  FciRun run(t / "cab/", "n.cab");
  run.attribs = 0x27;
  ASSERT_TRUE(run.Pack(Sources(t, files)));
  RawCabinet raw;
  ASSERT_TRUE(cabtest::ReadRawCabinet(t / "cab/n.cab", raw));
  ASSERT_EQ(raw.entries.size(), 3u);
  EXPECT_EQ(raw.entries[0].name, "\\表\\ソ.txt");
  EXPECT_EQ(raw.entries[1].name, "\\dup");
  EXPECT_EQ(raw.entries[2].name, "\\dup");
  for (const auto& e : raw.entries) {
    EXPECT_EQ(e.date, run.date);
    EXPECT_EQ(e.time, run.time);
    EXPECT_EQ(e.attribs, 0x27);  // never flagged as a UTF-8 name
  }
  EXPECT_EQ(raw.setId, 12345);
  std::string list;
  ASSERT_EQ(Shell("cabextract -l " + Quote(t / "cab/n.cab"), &list), 0) << list;
  EXPECT_NE(list.find("10.04.2025 13:34:10"), std::string::npos) << list;
}

TEST(CabinetWriter, OpensANewFolderOnceAFolderReachesTheThreshold) {
  TempFolder t;
  std::vector<Content> files;
  for (int i = 0; i < 4; ++i) files.push_back({"r" + std::to_string(i), cabtest::RandomBytes(70000, 10 + i)});
  files.push_back({"big", cabtest::RandomBytes(250000, 20)});  // larger than the threshold: one folder still
  FciRun run(t / "cab/", "f.cab", 1000000000, 100000);
  ASSERT_TRUE(run.Pack(Sources(t, files)));
  RawCabinet raw;
  ASSERT_TRUE(cabtest::ReadRawCabinet(t / "cab/f.cab", raw));
  ASSERT_EQ(raw.folderCount, 3);
  std::vector<int> folders;
  for (const auto& e : raw.entries) folders.push_back(e.folder);
  EXPECT_EQ(folders, (std::vector<int>{0, 0, 1, 1, 2}));
  EXPECT_EQ(run.status[statusFolder], 3);
  std::string log;
  EXPECT_EQ(Shell("cabextract -t " + Quote(t / "cab/f.cab"), &log), 0) << log;
  EXPECT_EQ(Cabextract(t, t / "cab/f.cab"), Expected(files));
}

TEST(CabinetWriter, ContinuesInTheNextCabinetPastTheSizeLimit) {
  TempFolder t;
  const std::uint32_t limit = 120000;
  std::vector<Content> files = {{"a.bin", cabtest::RandomBytes(50000, 30)},
                                {"b.bin", cabtest::RandomBytes(260000, 31)},
                                {"c.txt", cabtest::Text(100000, 32)},
                                {"d.empty", ""},
                                {"e.bin", cabtest::RandomBytes(30000, 33)}};
  FciRun run(t / "cab/", "first.cab", limit, 900000);
  ASSERT_TRUE(run.Pack(Sources(t, files))) << run.erf.erfOper;
  ASSERT_GE(run.cabinets.size(), 3u);
  EXPECT_EQ(run.nextCabinets, static_cast<int>(run.cabinets.size()) - 1);
  EXPECT_EQ(run.cabinets[1], t / "cab/TEMP2.CAB");
  for (std::size_t i = 0; i < run.cabinets.size(); ++i) {
    SCOPED_TRACE(run.cabinets[i]);
    RawCabinet raw;
    ASSERT_TRUE(cabtest::ReadRawCabinet(run.cabinets[i], raw));
    EXPECT_LE(raw.size, limit);
    EXPECT_EQ(raw.prev.empty(), i == 0);
    EXPECT_EQ(raw.next.empty(), i + 1 == run.cabinets.size());
  }
  RawCabinet first;
  ASSERT_TRUE(cabtest::ReadRawCabinet(run.cabinets[0], first));
  EXPECT_EQ(first.next, "TEMP2.CAB");
  // b.bin spans cabinets: placed once more as a continuation.
  int continued = 0;
  for (const auto& [name, continuation] : run.placed) continued += continuation && name == "b.bin";
  EXPECT_GE(continued, 1);
  EXPECT_EQ(Cabextract(t, t / "cab/first.cab"), Expected(files));
}

// The cabinet is written into its own file as it is packed: no temporary file is asked for.
TEST(CabinetWriter, WritesTheCabinetInPlaceThroughTheCallbacks) {
  TempFolder t;
  std::vector<Content> files = {{"a", cabtest::Text(100000, 40)}, {"b", cabtest::RandomBytes(1000, 41)}};
  FciRun run(t / "cab/", "c.cab");
  run.tempFolder = t / "tmp/";
  std::filesystem::create_directories(t / "tmp");
  ASSERT_TRUE(run.Pack(Sources(t, files)));
  EXPECT_EQ(run.openInfos, 2);
  EXPECT_EQ(run.opens, run.closes);
  EXPECT_EQ(run.tempNames, 0);
  EXPECT_EQ(run.deletes, 0);
  EXPECT_EQ(run.cabinets.size(), 1u);
  EXPECT_GT(run.seeks, 0);
  EXPECT_GT(run.reads, 0);
  EXPECT_EQ(run.status[statusFile], 4);  // 101000 bytes: three full blocks and one part
  EXPECT_EQ(run.status[statusFolder], 1);
  EXPECT_EQ(run.status[statusCabinet], 1);
  EXPECT_EQ(run.placed.size(), 2u);
  EXPECT_TRUE(cabtest::TreeOf(t / "tmp").empty());
}

// Where the data of a cabinet begins: directly behind the records when they were known before the data grew
// large (the data moves behind them as they grow), else behind the room settled for them, unless they outgrew
// it. Peers read every layout.
TEST(CabinetWriter, DataLiesBehindTheRecords) {
  const std::string large = cabtest::RandomBytes(17u << 20, 70);
  auto small = [](int count, std::size_t size) {
    std::vector<Content> files;
    for (int i = 0; i < count; ++i) {
      files.push_back({"\\Image\\P" + std::to_string(1000 + i) + ".jpg", cabtest::RandomBytes(size, 100 + i)});
    }
    return files;
  };
  auto with = [](std::vector<Content> files, std::vector<Content> more) {
    files.insert(files.end(), more.begin(), more.end());
    return files;
  };
  const struct {
    const char* name;
    std::vector<Content> files;
    bool gap;
  } cases[] = {
      {"records that grow with every file", with({{"\\db.txt", cabtest::Text(300000, 71)}}, small(300, 5000)),
       false},
      {"large data, few records: room to spare", with({{"\\big.bin", large}}, small(10, 3000)), true},
      {"large data, records that outgrow their room", with({{"\\big.bin", large}}, small(3000, 20)), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder t;
    FciRun run(t / "cab/", "d.cab");
    ASSERT_TRUE(run.Pack(Sources(t, c.files))) << run.erf.erfOper;
    RawCabinet raw;
    ASSERT_TRUE(cabtest::ReadRawCabinet(t / "cab/d.cab", raw));
    std::size_t records = 36 + 8 * raw.folderCount;
    for (const auto& e : raw.entries) records += 16 + e.name.size() + 1;
    ASSERT_FALSE(raw.folderStarts.empty());
    EXPECT_EQ(raw.folderStarts[0] > records, c.gap) << raw.folderStarts[0] << " behind " << records;
    EXPECT_GE(raw.folderStarts[0], records);
    EXPECT_EQ(raw.size, ReadRaw(t / "cab/d.cab").size());
    std::string log;
    EXPECT_EQ(Shell("cabextract -t " + Quote(t / "cab/d.cab") + " >/dev/null", &log), 0) << log;
    std::filesystem::create_directories(t / "gcab");
    EXPECT_EQ(Shell("gcab -x -C " + Quote(t / "gcab") + " " + Quote(t / "cab/d.cab"), &log), 0) << log;
    EXPECT_EQ(cabtest::TreeOf(t / "gcab"), Expected(c.files));
    EXPECT_EQ(Cabextract(t, t / "cab/d.cab"), Expected(c.files));
  }
}

TEST(CabinetWriter, DataThatCannotBeMovedLeavesNothingBehind) {
  const struct {
    const char* name;
    std::vector<Content> files;
  } cases[] = {
      {"behind records that grew", {{"a", cabtest::Text(100000, 80)}, {"b", cabtest::RandomBytes(1000, 81)}}},
      {"behind the room settled for the records", {{"big", cabtest::RandomBytes(17u << 20, 82)}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder t;
    auto sources = Sources(t, c.files);
    FciRun run(t / "cab/", "m.cab");
    run.failCabinetRead = 1;
    ASSERT_TRUE(run.Create());
    bool ok = true;
    for (const auto& [source, stored] : sources) ok = ok && run.Add(source, stored);
    ok = ok && run.Flush();
    EXPECT_FALSE(ok);
    EXPECT_EQ(run.erf.erfOper, FCIERR_CAB_FILE);
    EXPECT_TRUE(run.Destroy());
    EXPECT_EQ(run.cabinetReads, 1);
    EXPECT_TRUE(cabtest::TreeOf(t / "cab").empty());
  }
}

TEST(CabinetWriter, EmptyCabinetHoldsOnlyTheHeader) {
  TempFolder t;
  FciRun run(t / "cab/", "e.cab");
  std::filesystem::create_directories(t / "cab");
  ASSERT_TRUE(run.Pack({}));
  RawCabinet raw;
  ASSERT_TRUE(cabtest::ReadRawCabinet(t / "cab/e.cab", raw));
  EXPECT_EQ(raw.size, 36u);
  EXPECT_EQ(raw.fileCount, 0);
  EXPECT_EQ(raw.folderCount, 0);
  EXPECT_EQ(run.tempNames, 0);
}

struct Failure {
  const char* name;
  std::function<void(FciRun&)> arrange;
  int error;
  std::uint32_t limit = 1000000000;
  TCOMP type = tcompTYPE_MSZIP;
  std::string stored = "x";
};

TEST(CabinetWriter, FailuresReportTheirCauseAndLeaveNothingBehind) {
  const Failure cases[] = {
      {"open information fails", [](FciRun& r) { r.failOpenInfo = true; }, FCIERR_OPEN_SRC},
      {"source grows while read", [](FciRun& r) { r.sizeSkew = -10; }, FCIERR_READ_SRC},
      {"source shrinks while read", [](FciRun& r) { r.sizeSkew = 10; }, FCIERR_READ_SRC},
      {"the cabinet cannot be made", [](FciRun& r) { r.failCabinetOpen = true; }, FCIERR_CAB_FILE},
      {"cabinet write fails", [](FciRun& r) { r.failCabinetWrite = 2; }, FCIERR_CAB_FILE},
      {"file status aborts", [](FciRun& r) { r.abortStatus = statusFile; }, FCIERR_USER_ABORT},
      {"cabinet status aborts", [](FciRun& r) { r.abortStatus = statusCabinet; }, FCIERR_USER_ABORT},
      {"file placed aborts", [](FciRun& r) { r.abortPlaced = true; }, FCIERR_USER_ABORT},
      {"next cabinet refused", [](FciRun& r) { r.refuseNextCabinet = true; }, FCIERR_USER_ABORT, 60000},
      {"cabinet too small for one block", [](FciRun&) {}, FCIERR_CAB_FORMAT_LIMIT, 500},
      {"not MSZIP", [](FciRun&) {}, FCIERR_BAD_COMPR_TYPE, 1000000000, tcompTYPE_LZX},
      {"stored name too long", [](FciRun&) {}, FCIERR_BAD_ARGUMENT, 1000000000, tcompTYPE_MSZIP,
       std::string(256, 'n')},
  };
  for (const Failure& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder t;
    auto sources = Sources(t, {{"x", cabtest::RandomBytes(100000, 50)}});
    FciRun run(t / "cab/", "bad.cab", c.limit);
    run.tempFolder = t / "tmp/";
    std::filesystem::create_directories(t / "tmp");
    c.arrange(run);
    ASSERT_TRUE(run.Create());
    bool ok = run.Add(sources[0].first, c.stored, c.type) && run.Flush();
    EXPECT_FALSE(ok);
    EXPECT_EQ(run.erf.erfOper, c.error);
    EXPECT_TRUE(run.erf.fError);
    EXPECT_TRUE(run.Destroy());
    EXPECT_TRUE(cabtest::TreeOf(t / "tmp").empty());
    EXPECT_TRUE(cabtest::TreeOf(t / "cab").empty());
  }
}

TEST(CabinetWriter, RefusesSettingsItCannotWrite) {
  TempFolder t;
  FciRun run(t / "cab/", "r.cab");
  run.ccab.cbReserveCFHeader = 4;
  EXPECT_FALSE(run.Create());
  EXPECT_EQ(run.erf.erfOper, FCIERR_BAD_ARGUMENT);
}

}  // namespace
