// ReadDB, WriteDB and VaccumDB against the recording fakes and against the SQLite stand-ins of the back-ends.
#include "ZkDBAccess.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "Dorvik.h"
#include "dorvik_test_support.h"
#include "platform/fault.h"
#include "platform/files.h"

#ifdef VEK_OUTSIDE_FAKES_DIR
#include "dorvik_sql/records.h"
#include "fake_outside.h"

namespace {

std::string Code(const char* code) { return std::string(code, strnlen(code, 10)); }

struct TableRow {
  const char* module;
  int id;
  const char* name;
  std::size_t recordSize;
};

// The outside libraries' own list of tables, against which the library's table ids are checked.
#define ROW(lib, id, name) {"DorvikSql" #lib, id, #name, sizeof(dorvik_sql::name)},
const TableRow kTables[] = {DORVIK_SQL_TABLES(ROW)};
#undef ROW

constexpr char kLog[] = "/l/x.log";

class DBAccessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dorvik_test::ResetSettings();
    ZkGetSettings().composedLogFilePath = kLog;
    ZkGetSettings().logLevel = 3;
  }
  void TearDown() override { platform::ClearFaults(); }
  testing_support::TempFolder dir;
};

// Records with a pattern of their own per table and record.
std::string Records(const TableRow& t, int count, int seed) {
  std::string out(t.recordSize * static_cast<std::size_t>(count), '\0');
  for (std::size_t i = 0; i < out.size(); ++i) out[i] = static_cast<char>((i * 7 + t.id * 13 + seed) % 251);
  return out;
}

// ---- Against the fakes ----

TEST_F(DBAccessTest, EveryTableIdCallsItsLibraryAndFunction) {
  fake_outside::Scenario fakes(dir / "fakes");
  ASSERT_EQ(sizeof kTables / sizeof kTables[0], 39u);
  for (const TableRow& t : kTables) {
    SCOPED_TRACE(t.name);
    EXPECT_STREQ(ZkTableName(t.id), t.name);
    fakes.ClearCalls();
    int n = 0;
    char code[10] = "untouched";
    ASSERT_EQ(ReadDB("/d/a.sld", t.id, nullptr, &n, code), 1);
    std::string records = Records(t, 2, 0);
    ASSERT_EQ(WriteDB("/d/a.sld", t.id, records.data(), 2, code), 1);
    EXPECT_STREQ(code, "untouched");
    std::string m = t.module;
    EXPECT_EQ(fakes.CallTexts(),
              (std::vector<std::string>{m + ".Initialize(/d/a.sld, /l/x.log, 3) = 1",
                                        m + ".Read" + t.name + "(null, 0) = 1", m + ".Finalize() = 1",
                                        m + ".Initialize(/d/a.sld, /l/x.log, 3) = 1",
                                        m + ".Write" + t.name + "(buffer, 2) = 1", m + ".Finalize() = 1"}));
    EXPECT_EQ(fakes.Table(m, t.name), records);
  }
  for (int id : {1, 2, 3}) {
    fakes.ClearCalls();
    char code[10] = {};
    ASSERT_EQ(VaccumDB("/d/a.sld", id, code), 1);
    std::string m = ZkDBLibraryName(id);
    m = m.substr(0, m.size() - 4);
    EXPECT_EQ(fakes.CallNames(), (std::vector<std::string>{m + ".Initialize", m + ".Vaccum", m + ".Finalize"}));
  }
  EXPECT_STREQ(ZkDBLibraryName(2), "DorvikSqlEm.dll");
}

TEST_F(DBAccessTest, ReadHandsBackTheRecordsAndTheCount) {
  fake_outside::Scenario fakes(dir / "fakes");
  std::string records(3 * sizeof(dorvik_sql::Car), 'c');
  records[700] = '\0';
  fakes.SetTable("DorvikSqlIf", "Car", records);
  int n = 0;
  char code[10] = {};
  ASSERT_EQ(ReadDB("a.sld", 6, nullptr, &n, code), 1);
  ASSERT_EQ(n, 3);
  std::string got(records.size(), 'x');
  ASSERT_EQ(ReadDB("a.sld", 6, got.data(), &n, code), 1);
  EXPECT_EQ(got, records);
  // The back-end's own count check: Dorvik hands pCount on unchanged.
  n = 2;
  EXPECT_EQ(ReadDB("a.sld", 6, got.data(), &n, code), 0);
  EXPECT_EQ(Code(code), "E20000004");
}

TEST_F(DBAccessTest, FailuresLeaveTheirCodeAndNoOpenBackEnd) {
  struct Case {
    const char* name;
    const char* variant;
    int tableId;
    std::function<void(fake_outside::Scenario&)> setup;
    const char* code;
    std::vector<std::string> calls;
  };
  const Case cases[] = {
      {"table id 0", "normal", 0, nullptr, "E02000001", {}},
      {"table id 40", "normal", 40, nullptr, "E02000001", {}},
      {"a negative table id", "normal", -5, nullptr, "E02000001", {}},
      {"a back-end without Finalize, before Initialize", "without-Finalize", 6, nullptr, "E02000002", {}},
      {"a back-end without Initialize", "without-Initialize", 6, nullptr, "E02000002", {}},
      {"a back-end without the table function", "without-ReadCar", 6, nullptr, "E02000002", {}},
      {"Initialize failing: no Finalize", "normal", 6,
       [](fake_outside::Scenario& f) { f.SetResult("DorvikSqlIf", "Initialize", 0); }, "E02000003",
       {"DorvikSqlIf.Initialize(/d/a.sld, /l/x.log, 3) = 0"}},
      {"the table function failing keeps its code; the back-end is finalised", "normal", 6,
       [](fake_outside::Scenario& f) { f.SetResult("DorvikSqlIf", "ReadCar", 0, "E09990001"); }, "E09990001",
       {"DorvikSqlIf.Initialize(/d/a.sld, /l/x.log, 3) = 1", "DorvikSqlIf.ReadCar(null, 0) = 0",
        "DorvikSqlIf.Finalize() = 1"}},
      {"the image table of the image library", "normal", 37,
       [](fake_outside::Scenario& f) { f.SetResult("DorvikSqlIg", "ReadImage", 0, "E09990002"); }, "E09990002",
       {"DorvikSqlIg.Initialize(/d/a.sld, /l/x.log, 3) = 1", "DorvikSqlIg.ReadImage(null, 0) = 0",
        "DorvikSqlIg.Finalize() = 1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fake_outside::Scenario fakes(dir / "fakes", c.variant);
    if (c.setup) c.setup(fakes);
    int n = 0;
    char code[10] = {};
    EXPECT_EQ(ReadDB("/d/a.sld", c.tableId, nullptr, &n, code), 0);
    EXPECT_EQ(Code(code), c.code);
    EXPECT_EQ(fakes.CallTexts(), c.calls);
  }
  for (int id : {0, 4}) {
    fake_outside::Scenario fakes(dir / "fakes");
    char code[10] = {};
    EXPECT_EQ(VaccumDB("/d/a.sld", id, code), 0);
    EXPECT_EQ(Code(code), "E02000001");
    EXPECT_TRUE(fakes.CallTexts().empty());
  }
  {
    fake_outside::Scenario fakes(dir / "fakes", "without-Vaccum");
    char code[10] = {};
    EXPECT_EQ(VaccumDB("/d/a.sld", 2, code), 0);
    EXPECT_EQ(Code(code), "E02000002");
  }
}

// ---- Against the SQLite stand-ins (build/lib, found through $VEK_MODULE_PATH) ----

// Output of the sqlite3 program on a database (system path), its trailing line end removed.
std::string Sqlite3(const std::string& db, const std::string& sql) {
  std::string cmd = "sqlite3 '" + db + "' \"" + sql + "\" 2>&1";
  std::string out;
  if (FILE* p = popen(cmd.c_str(), "r")) {
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
  }
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

std::string DBFile(const testing_support::TempFolder& dir, const TableRow& t) {
  return dir / (std::string(t.module) + ".sld");
}

std::string ReadAll(const std::string& db, const TableRow& t, char* code) {
  int n = 0;
  if (ReadDB(db.c_str(), t.id, nullptr, &n, code) != 1) return "<failed>";
  std::string out(t.recordSize * static_cast<std::size_t>(n), '\0');
  if (ReadDB(db.c_str(), t.id, out.data(), &n, code) != 1) return "<failed>";
  return out;
}

bool NoJournalBeside(const testing_support::TempFolder& dir) {
  std::vector<platform::FindEntry> entries;
  platform::FindFiles(dir / "*", entries);
  for (const auto& e : entries) {
    if (e.name.find("-journal") != std::string::npos || e.name.find("-wal") != std::string::npos) return false;
  }
  return true;
}

TEST_F(DBAccessTest, SqliteWriteThenReadEveryTable) {
  for (const TableRow& t : kTables) {
    SCOPED_TRACE(t.name);
    std::string db = DBFile(dir, t);
    std::string records = Records(t, 3, 1);
    char code[10] = {};
    ASSERT_EQ(WriteDB(db.c_str(), t.id, records.data(), 3, code), 1) << Code(code);
    EXPECT_EQ(ReadAll(db, t, code), records) << Code(code);
  }
  // The sqlite3 program reads what we wrote: one row per record, the record's bytes as a BLOB.
  const TableRow& car = kTables[5];
  ASSERT_STREQ(car.name, "Car");
  std::string hex;
  for (unsigned char ch : Records(car, 1, 1)) {
    static const char digits[] = "0123456789ABCDEF";
    hex += digits[ch >> 4];
    hex += digits[ch & 15];
  }
  std::string db = DBFile(dir, car);
  EXPECT_EQ(Sqlite3(db, "SELECT count(*), sum(length(rec)) FROM Car;"), "3|1536");
  EXPECT_EQ(Sqlite3(db, "SELECT hex(rec) FROM Car ORDER BY seq LIMIT 1;"), hex);
  EXPECT_EQ(Sqlite3(dir / "DorvikSqlIg.sld", "SELECT count(*) FROM ImageAnnotation;"), "3");
  EXPECT_TRUE(NoJournalBeside(dir));
}

TEST_F(DBAccessTest, SqliteFailedWriteKeepsTheOldRecords) {
  const TableRow& t = kTables[1];  // Customer
  std::string db = DBFile(dir, t);
  std::string before = Records(t, 4, 2), after = Records(t, 9, 3);
  char code[10] = {};
  ASSERT_EQ(WriteDB(db.c_str(), t.id, before.data(), 4, code), 1) << Code(code);
  int failures = 0;
  for (int n = 1; n <= 40; ++n) {
    SCOPED_TRACE(n);
    platform::ClearFaults();
    platform::FailNthCall(platform::FileOp::Write, n);
    char c[10] = {};
    int result = WriteDB(db.c_str(), t.id, after.data(), 9, c);
    platform::ClearFaults();
    EXPECT_TRUE(NoJournalBeside(dir));
    if (result == 1) {
      EXPECT_EQ(ReadAll(db, t, c), after);
      break;
    }
    ++failures;
    EXPECT_EQ(Code(c).size(), 9u);
    EXPECT_EQ(ReadAll(db, t, c), before) << "the table holds its old records";
  }
  EXPECT_GT(failures, 0) << "some write of the transaction failed";
  EXPECT_EQ(Sqlite3(db, "PRAGMA integrity_check;"), "ok");
}

TEST_F(DBAccessTest, SqliteVaccumShrinksADatabaseAfterALargeDelete) {
  const TableRow& t = kTables[1];  // Customer, 512 bytes
  std::string db = DBFile(dir, t);
  std::string many = Records(t, 4000, 4);
  char code[10] = {};
  ASSERT_EQ(WriteDB(db.c_str(), t.id, many.data(), 4000, code), 1) << Code(code);
  ASSERT_EQ(WriteDB(db.c_str(), t.id, many.data(), 1, code), 1) << Code(code);
  std::int64_t full = platform::FileSize(db);
  ASSERT_GT(full, 2000000);
  ASSERT_EQ(VaccumDB(db.c_str(), 1, code), 1) << Code(code);
  std::int64_t compacted = platform::FileSize(db);
  EXPECT_LT(compacted, full / 10);
  EXPECT_EQ(ReadAll(db, t, code), many.substr(0, t.recordSize));
  EXPECT_TRUE(NoJournalBeside(dir));
}

}  // namespace

#endif  // VEK_OUTSIDE_FAKES_DIR
