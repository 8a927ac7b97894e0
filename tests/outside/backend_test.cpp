// The database back-ends DorvikSqlIf, DorvikSqlEm and DorvikSqlIg, loaded by name as Dorvik loads them.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "dorvik_sql/functions.h"
#include "dorvik_sql/records.h"
#include "outside_test_support.h"
#include "platform/fault.h"
#include "platform/files.h"
#include "test_support.h"

namespace {

using outside_test::Backend;
using outside_test::FolderNames;
using outside_test::Sqlite;
using testing_support::TempFolder;
using testing_support::Utf8;

// The table ids as Dorvik maps them: library and table name.
struct TableRow {
  int id;
  const char* dll;
  const char* name;
};
const TableRow kTables[] = {
    {1, "DorvikSqlIf.dll", "FileInfo"},          {2, "DorvikSqlIf.dll", "Customer"},
    {3, "DorvikSqlIf.dll", "SelfInfo"},          {4, "DorvikSqlIf.dll", "Insurance"},
    {5, "DorvikSqlIf.dll", "Unspecified"},       {6, "DorvikSqlIf.dll", "Car"},
    {7, "DorvikSqlIf.dll", "CarEVA"},            {8, "DorvikSqlIf.dll", "CarSearch"},
    {9, "DorvikSqlIf.dll", "CarSearchEVA"},      {10, "DorvikSqlIf.dll", "Setting"},
    {11, "DorvikSqlIf.dll", "ReportTitle"},      {12, "DorvikSqlEm.dll", "DamageBlockPlan"},
    {13, "DorvikSqlEm.dll", "DamageBlock"},      {14, "DorvikSqlEm.dll", "PartsPlan"},
    {15, "DorvikSqlEm.dll", "ERParts"},          {16, "DorvikSqlEm.dll", "RCParts"},
    {17, "DorvikSqlEm.dll", "RCLinkParts"},      {18, "DorvikSqlEm.dll", "RWLinkParts"},
    {19, "DorvikSqlEm.dll", "EPCLinkParts"},     {20, "DorvikSqlEm.dll", "ReserveERParts"},
    {21, "DorvikSqlEm.dll", "FramePlan"},        {22, "DorvikSqlEm.dll", "Frame"},
    {23, "DorvikSqlEm.dll", "PaintingPlan"},     {24, "DorvikSqlEm.dll", "PaintingPanel"},
    {25, "DorvikSqlEm.dll", "PaintingLinkParts"}, {26, "DorvikSqlEm.dll", "PaintingBumper"},
    {27, "DorvikSqlEm.dll", "PaintingFrame"},    {28, "DorvikSqlEm.dll", "PaintingEtcetera"},
    {29, "DorvikSqlEm.dll", "PaintingOther"},    {30, "DorvikSqlEm.dll", "PaintingTotal"},
    {31, "DorvikSqlEm.dll", "Expense"},          {32, "DorvikSqlEm.dll", "Fixer"},
    {33, "DorvikSqlEm.dll", "Total"},            {34, "DorvikSqlEm.dll", "DamageParts"},
    {35, "DorvikSqlEm.dll", "DamageImage"},      {36, "DorvikSqlEm.dll", "DamageComment"},
    {37, "DorvikSqlIg.dll", "Image"},            {38, "DorvikSqlIg.dll", "ImageAnnotation"},
    {39, "DorvikSqlIf.dll", "Statistics"},
};

// Record sizes of the header, by table name, and the header's own list as "dll:name" by id.
std::map<std::string, std::size_t> RecordSizes() {
  std::map<std::string, std::size_t> sizes;
#define SIZE_ROW(lib, id, name) sizes[#name] = sizeof(dorvik_sql::name);
  DORVIK_SQL_TABLES(SIZE_ROW)
#undef SIZE_ROW
  return sizes;
}
std::map<int, std::string> HeaderTables() {
  std::map<int, std::string> rows;
#define LIST_ROW(lib, id, name) rows[id] = std::string("DorvikSql" #lib ".dll:") + #name;
  DORVIK_SQL_TABLES(LIST_ROW)
#undef LIST_ROW
  return rows;
}

// count records of size bytes, each different, with CP932 text and NUL bytes inside.
std::string Records(int count, std::size_t size, int seed) {
  std::string out;
  for (int i = 0; i < count; ++i) {
    std::string record(size, '\0');
    for (std::size_t j = 0; j < size; ++j) record[j] = static_cast<char>((seed * 7 + i * 31 + j * 3) % 251);
    std::string text = "見積" + std::to_string(seed) + "-" + std::to_string(i);
    record.replace(0, text.size(), text);
    record[text.size()] = '\0';
    out += record;
  }
  return out;
}

// A work folder with a CP932 name and one back-end initialised on a database in it.
class OutsideBackend : public ::testing::Test {
 protected:
  void Open(const char* dll, const char* file = "OvSvIf0001.sld") {
    ASSERT_TRUE(platform::MakeFolder(folder_));
    backend_ = std::make_unique<Backend>(dll);
    ASSERT_TRUE(backend_->library.loaded()) << dll;
    path_ = folder_ + "/" + file;
    ASSERT_EQ(backend_->Initialize(path_.c_str(), "/tmp/log.txt", 4), 1);
  }
  void TearDown() override {
    platform::ClearFaults();
    if (backend_) backend_->Finalize();
  }
  std::string SystemPath() const { return Utf8(path_); }
  std::vector<std::string> Files() const { return FolderNames(Utf8(folder_)); }
  // Reads a table whole through the size query.
  std::string ReadAll(const std::string& table, std::size_t size) {
    int count = 0;
    char code[10] = {};
    EXPECT_EQ(backend_->Read(table)(nullptr, &count, code), 1) << code;
    std::string out(static_cast<std::size_t>(count) * size, '\0');
    EXPECT_EQ(backend_->Read(table)(out.data(), &count, code), 1) << code;
    return out;
  }
  int Write(const std::string& table, const std::string& records, std::size_t size, char* code) {
    return backend_->Write(table)(records.data(), static_cast<int>(records.size() / size), code);
  }

  TempFolder temp_;
  std::string folder_ = temp_.path() + "/見積データ";
  std::string path_;
  std::unique_ptr<Backend> backend_;
};

TEST_F(OutsideBackend, HeaderListsTheTablesDorvikLooksUp) {
  std::map<int, std::string> header = HeaderTables();
  ASSERT_EQ(header.size(), std::size(kTables));
  for (const TableRow& row : kTables) EXPECT_EQ(header[row.id], std::string(row.dll) + ":" + row.name);
}

TEST_F(OutsideBackend, EveryLibraryHasItsFunctions) {
  for (const TableRow& row : kTables) {
    Backend b(row.dll);
    ASSERT_TRUE(b.library.loaded()) << row.dll;
    EXPECT_TRUE(b.Read(row.name)) << row.dll << " Read" << row.name;
    EXPECT_TRUE(b.Write(row.name)) << row.dll << " Write" << row.name;
    EXPECT_TRUE(b.Initialize && b.ExecuteSQL && b.Vaccum && b.Finalize) << row.dll;
  }
}

// Every table of every library: written records read back the same, in order, and the sqlite3 program sees them.
TEST_F(OutsideBackend, EveryTableRoundTrips) {
  ASSERT_TRUE(platform::MakeFolder(folder_));
  std::map<std::string, std::size_t> sizes = RecordSizes();
  int seed = 0;
  for (const TableRow& row : kTables) {
    SCOPED_TRACE(row.name);
    Backend b(row.dll);
    std::string path = folder_ + "/" + std::string(row.dll, 11) + ".sld";
    ASSERT_EQ(b.Initialize(path.c_str(), "", 0), 1);
    std::size_t size = sizes[row.name];
    std::string records = Records(3, size, ++seed);
    char code[10] = {};
    ASSERT_EQ(b.Write(row.name)(records.data(), 3, code), 1) << code;
    int count = 0;
    ASSERT_EQ(b.Read(row.name)(nullptr, &count, code), 1);
    ASSERT_EQ(count, 3);
    std::string back(records.size(), '\0');
    ASSERT_EQ(b.Read(row.name)(back.data(), &count, code), 1) << code;
    EXPECT_EQ(back, records);
    b.Finalize();
    std::string table = std::string("\\\"") + row.name + "\\\"";
    EXPECT_EQ(Sqlite(Utf8(path), "SELECT count(*), length(rec) FROM " + table + " GROUP BY length(rec)"),
              "3|" + std::to_string(size));
    std::string hex;
    for (std::size_t i = size; i < 2 * size; ++i) {
      char two[3];
      std::snprintf(two, sizeof two, "%02X", static_cast<unsigned char>(records[i]));
      hex += two;
    }
    EXPECT_EQ(Sqlite(Utf8(path), "SELECT hex(rec) FROM " + table + " ORDER BY seq LIMIT 1 OFFSET 1"), hex);
  }
  EXPECT_EQ(FolderNames(Utf8(folder_)),
            (std::vector<std::string>{"DorvikSqlEm.sld", "DorvikSqlIf.sld", "DorvikSqlIg.sld"}));
}

TEST_F(OutsideBackend, ImageRecordsKeepTheirFields) {
  Open("DorvikSqlIg.dll", "OvSvIg0001.sld");
  dorvik_sql::Image images[2] = {};
  images[0].ImageNo = 7;
  images[0].DisplayOrder = 2;
  std::strcpy(images[0].FileName, "写真0001.jpg");
  images[1].ImageNo = 8;
  images[1].DisplayOrder = 1;
  std::memset(images[1].FileName, 'a', sizeof images[1].FileName);  // full width, no terminator
  char code[10] = {};
  ASSERT_EQ(backend_->Write("Image")(images, 2, code), 1);
  dorvik_sql::Image back[2];
  int count = 2;
  ASSERT_EQ(backend_->Read("Image")(back, &count, code), 1);
  EXPECT_EQ(std::memcmp(back, images, sizeof images), 0);
}

// Size queries and counts, as callers use them.
TEST_F(OutsideBackend, CountsFollowTheSizeQuery) {
  Open("DorvikSqlIf.dll");
  std::string records = Records(4, sizeof(dorvik_sql::Car), 1);
  char code[10] = {};
  int count = 0;
  // A database not written yet reads as empty and is not created by the reading.
  ASSERT_EQ(backend_->Read("Car")(nullptr, &count, code), 1);
  EXPECT_EQ(count, 0);
  EXPECT_TRUE(Files().empty());
  ASSERT_EQ(Write("Car", records, sizeof(dorvik_sql::Car), code), 1);
  // A table never written in an existing database reads as empty too.
  count = 0;
  ASSERT_EQ(backend_->Read("Customer")(nullptr, &count, code), 1);
  EXPECT_EQ(count, 0);

  struct Case {
    const char* name;
    bool buffer;
    int count;
    const char* code;
  };
  const Case cases[] = {
      {"count too small", true, 3, dorvik_sql::kCodeCountMismatch},
      {"count too large", true, 5, dorvik_sql::kCodeCountMismatch},
      {"buffer with count 0", true, 0, dorvik_sql::kCodeCountMismatch},
      {"null buffer with a count", false, 4, dorvik_sql::kCodeBadArguments},
      {"negative count", true, -1, dorvik_sql::kCodeBadArguments},
  };
  for (const Case& c : cases) {
    std::string buffer(8 * sizeof(dorvik_sql::Car), 'x');
    int n = c.count;
    std::memset(code, 0, sizeof code);
    EXPECT_EQ(backend_->Read("Car")(c.buffer ? buffer.data() : nullptr, &n, code), 0) << c.name;
    EXPECT_STREQ(code, c.code) << c.name;
    EXPECT_EQ(buffer, std::string(8 * sizeof(dorvik_sql::Car), 'x')) << c.name << ": buffer untouched";
  }
  EXPECT_EQ(backend_->Read("Car")(nullptr, nullptr, code), 0);
  EXPECT_STREQ(code, dorvik_sql::kCodeBadArguments);
  EXPECT_EQ(ReadAll("Car", sizeof(dorvik_sql::Car)), records);
}

TEST_F(OutsideBackend, WriteReplacesTheWholeTable) {
  Open("DorvikSqlEm.dll", "OvSvEm0001.sld");
  const std::size_t size = sizeof(dorvik_sql::Frame);
  char code[10] = {};
  ASSERT_EQ(Write("Frame", Records(5, size, 1), size, code), 1);
  ASSERT_EQ(Write("Frame", Records(2, size, 2), size, code), 1);
  EXPECT_EQ(ReadAll("Frame", size), Records(2, size, 2));
  ASSERT_EQ(backend_->Write("Frame")(nullptr, 0, code), 1);
  EXPECT_EQ(ReadAll("Frame", size), "");
  EXPECT_EQ(Sqlite(SystemPath(), "SELECT count(*) FROM Frame"), "0");
}

TEST_F(OutsideBackend, FreshDatabaseRecordsItsVersion) {
  Open("DorvikSqlIg.dll", "OvSvIg0001.sld");
  char code[10] = {};
  ASSERT_EQ(Write("ImageAnnotation", Records(1, 128, 1), 128, code), 1);
  EXPECT_EQ(Sqlite(SystemPath(), "PRAGMA user_version"), std::to_string(dorvik_sql::kSchemaVersion));
  EXPECT_EQ(Sqlite(SystemPath(), "PRAGMA journal_mode"), "delete");
}

// A refused or failing write leaves the table as it was, and nothing beside the database.
TEST_F(OutsideBackend, FailedWriteKeepsTheOldRecords) {
  Open("DorvikSqlIf.dll");
  const std::size_t size = sizeof(dorvik_sql::Setting);
  const std::string old = Records(3, size, 1), fresh = Records(40, size, 2);
  char code[10] = {};
  ASSERT_EQ(Write("Setting", old, size, code), 1);

  EXPECT_EQ(backend_->Write("Setting")(fresh.data(), -1, code), 0);
  EXPECT_STREQ(code, dorvik_sql::kCodeBadArguments);
  EXPECT_EQ(backend_->Write("Setting")(nullptr, 2, code), 0);
  EXPECT_STREQ(code, dorvik_sql::kCodeBadArguments);
  EXPECT_EQ(ReadAll("Setting", size), old);

  // Each write, truncation and open of SQLite in turn fails once, until the write gets through.
  for (platform::FileOp op : {platform::FileOp::Write, platform::FileOp::Open}) {
    bool done = false;
    int failures = 0;
    for (int n = 1; n < 200 && !done; ++n) {
      SCOPED_TRACE("fault " + std::to_string(static_cast<int>(op)) + " call " + std::to_string(n));
      ASSERT_EQ(Write("Setting", old, size, code), 1);
      platform::ClearFaults();
      platform::FailNthCall(op, n);
      std::memset(code, 0, sizeof code);
      int result = Write("Setting", fresh, size, code);
      bool reached = platform::CallCount(op) >= n;
      platform::ClearFaults();
      EXPECT_EQ(Files(), std::vector<std::string>{"OvSvIf0001.sld"});
      if (result == 1) {
        EXPECT_EQ(ReadAll("Setting", size), fresh);
        done = !reached;  // the fault point was never reached: every call has been tried
        if (reached) ADD_FAILURE() << "a write with a failed file operation reported success";
      } else {
        ++failures;
        EXPECT_STREQ(code, n == 1 && op == platform::FileOp::Open ? dorvik_sql::kCodeCannotOpen
                                                                   : dorvik_sql::kCodeEngine);
        EXPECT_EQ(ReadAll("Setting", size), old);
      }
    }
    EXPECT_TRUE(done);
    EXPECT_GE(failures, 2) << "faults of both the journal and the database were reached";
  }
}

// When the journal cannot be deleted at the commit, the write fails; the next use rolls it back.
TEST_F(OutsideBackend, JournalLeftByAFailedCommitIsRolledBack) {
  Open("DorvikSqlIf.dll");
  const std::size_t size = sizeof(dorvik_sql::Car);
  const std::string old = Records(2, size, 1);
  char code[10] = {};
  ASSERT_EQ(Write("Car", old, size, code), 1);
  platform::FailNthCall(platform::FileOp::Delete, 1);
  EXPECT_EQ(Write("Car", Records(9, size, 2), size, code), 0);
  platform::ClearFaults();
  EXPECT_EQ(Files(), (std::vector<std::string>{"OvSvIf0001.sld", "OvSvIf0001.sld-journal"}));
  EXPECT_EQ(ReadAll("Car", size), old);
  EXPECT_EQ(Files(), std::vector<std::string>{"OvSvIf0001.sld"});
}

TEST_F(OutsideBackend, VaccumShrinksTheFileAfterALargeDelete) {
  Open("DorvikSqlEm.dll", "OvSvEm0001.sld");
  const std::size_t size = sizeof(dorvik_sql::DamageParts);
  char code[10] = {};
  ASSERT_EQ(Write("DamageParts", Records(2000, size, 1), size, code), 1);
  ASSERT_EQ(Write("DamageParts", Records(1, size, 2), size, code), 1);
  std::int64_t before = platform::FileSize(path_);
  ASSERT_EQ(backend_->Vaccum(code), 1) << code;
  std::int64_t after = platform::FileSize(path_);
  EXPECT_GT(before, 1000 * static_cast<std::int64_t>(size));
  EXPECT_LT(after, before / 10);
  EXPECT_EQ(ReadAll("DamageParts", size), Records(1, size, 2));
  EXPECT_EQ(Files(), std::vector<std::string>{"OvSvEm0001.sld"});
}

TEST_F(OutsideBackend, VaccumOfADatabaseNotWrittenYetCreatesNothing) {
  Open("DorvikSqlIg.dll", "OvSvIg0001.sld");
  char code[10] = {};
  EXPECT_EQ(backend_->Vaccum(code), 1);
  EXPECT_TRUE(Files().empty());
}

TEST_F(OutsideBackend, ExecuteSQLRunsExactlyOneStatement) {
  Open("DorvikSqlIf.dll");
  struct Case {
    const char* name;
    std::string statement;
    const char* code;  // nullptr: runs
  };
  const Case cases[] = {
      {"one statement", "CREATE TABLE a (x)", nullptr},
      {"trailing semicolon, blanks and comment", "CREATE TABLE b (x);  -- done\n ;", nullptr},
      {"CP932 literal", "INSERT INTO a VALUES ('見積')", nullptr},
      {"a row-returning statement", "SELECT * FROM a", nullptr},
      {"two statements", "CREATE TABLE c (x); CREATE TABLE d (x)", dorvik_sql::kCodeBadStatement},
      {"second statement after a comment", "INSERT INTO a VALUES (1) /* c */; DROP TABLE a",
       dorvik_sql::kCodeBadStatement},
      {"empty", "", dorvik_sql::kCodeBadStatement},
      {"blanks and a comment only", "  -- nothing", dorvik_sql::kCodeBadStatement},
      {"syntax error", "CREATE TABL e (x)", dorvik_sql::kCodeBadStatement},
      {"no such table", "INSERT INTO missing VALUES (1)", dorvik_sql::kCodeBadStatement},
      {"fails when run", "INSERT INTO a VALUES (abs(-9223372036854775808))", dorvik_sql::kCodeEngine},
  };
  for (const Case& c : cases) {
    char code[10] = {};
    EXPECT_EQ(backend_->ExecuteSQL(c.statement.c_str(), code), c.code ? 0 : 1) << c.name;
    EXPECT_STREQ(code, c.code ? c.code : "") << c.name;
  }
  EXPECT_EQ(Sqlite(SystemPath(), "SELECT group_concat(name) FROM (SELECT name FROM sqlite_schema ORDER BY name)"),
            "a,b");
  EXPECT_EQ(Sqlite(SystemPath(), "SELECT count(*) FROM a"), "1");
  EXPECT_EQ(Files(), std::vector<std::string>{"OvSvIf0001.sld"});
}

TEST_F(OutsideBackend, ExecuteSQLReadsNoFurtherThan2048Bytes) {
  Open("DorvikSqlIf.dll");
  // A statement of 2047 characters and its NUL fits; 2048 characters without a NUL in reach is refused.
  std::string fits = "SELECT 1" + std::string(2047 - 8, ' ');
  char code[10] = {};
  EXPECT_EQ(backend_->ExecuteSQL(fits.c_str(), code), 1);
  std::vector<char> block(2048, ' ');
  std::memcpy(block.data(), "SELECT 1", 8);  // no NUL inside the 2048 bytes
  EXPECT_EQ(backend_->ExecuteSQL(block.data(), code), 0);
  EXPECT_STREQ(code, dorvik_sql::kCodeBadStatement);
  EXPECT_EQ(backend_->ExecuteSQL(nullptr, code), 0);
}

TEST_F(OutsideBackend, ExecuteSQLCannotLeaveAJournalOrWal) {
  Open("DorvikSqlIf.dll");
  char code[10] = {};
  EXPECT_EQ(backend_->ExecuteSQL("CREATE TABLE a (x)", code), 1);
  EXPECT_EQ(backend_->ExecuteSQL("PRAGMA journal_mode = WAL", code), 1);
  EXPECT_EQ(backend_->ExecuteSQL("BEGIN", code), 1);
  EXPECT_EQ(Files(), std::vector<std::string>{"OvSvIf0001.sld"});
  EXPECT_EQ(Sqlite(SystemPath(), "PRAGMA journal_mode"), "delete");
}

TEST_F(OutsideBackend, WalDatabaseIsTurnedBackToARollbackJournal) {
  ASSERT_TRUE(platform::MakeFolder(folder_));
  std::string path = folder_ + "/OvSvIf0001.sld";
  ASSERT_EQ(Sqlite(Utf8(path), "PRAGMA journal_mode = WAL; CREATE TABLE t (x);"), "wal");
  Backend b("DorvikSqlIf.dll");
  ASSERT_EQ(b.Initialize(path.c_str(), "", 0), 1);
  int count = 0;
  char code[10] = {};
  EXPECT_EQ(b.Read("Car")(nullptr, &count, code), 1);
  EXPECT_EQ(FolderNames(Utf8(folder_)), std::vector<std::string>{"OvSvIf0001.sld"});
  EXPECT_EQ(Sqlite(Utf8(path), "PRAGMA journal_mode"), "delete");
}

TEST_F(OutsideBackend, InitializeRefusesWhatIsNoDatabase) {
  ASSERT_TRUE(platform::MakeFolder(folder_));
  testing_support::WriteRaw(Utf8(folder_ + "/text.sld"), "this is not a database, just some text bytes");
  ASSERT_TRUE(platform::MakeFolder(folder_ + "/folder.sld"));
  Backend b("DorvikSqlIf.dll");
  struct Case {
    const char* name;
    const char* path;
    int result;
  };
  const std::string text = folder_ + "/text.sld", folder = folder_ + "/folder.sld",
                    missingFolder = folder_ + "/none/OvSvIf0001.sld", fresh = folder_ + "/OvSvIf0001.sld";
  const Case cases[] = {
      {"not a database", text.c_str(), 0},       {"a folder", folder.c_str(), 0},
      {"folder missing", missingFolder.c_str(), 0}, {"null", nullptr, 0},
      {"empty", "", 0},                           {"not there yet", fresh.c_str(), 1},
  };
  for (const Case& c : cases) EXPECT_EQ(b.Initialize(c.path, "", 0), c.result) << c.name;
  // A failed Initialize leaves nothing to work on.
  EXPECT_EQ(b.Initialize(text.c_str(), "", 0), 0);
  int count = 0;
  char code[10] = {};
  EXPECT_EQ(b.Read("Car")(nullptr, &count, code), 0);
  EXPECT_STREQ(code, dorvik_sql::kCodeNotInitialized);
  EXPECT_EQ(testing_support::ReadRaw(Utf8(text)), "this is not a database, just some text bytes");
}

TEST_F(OutsideBackend, NothingWorksWithoutInitialize) {
  Open("DorvikSqlIf.dll");
  backend_->Finalize();
  char code[10] = {};
  int count = 0;
  EXPECT_EQ(backend_->Read("Car")(nullptr, &count, code), 0);
  EXPECT_STREQ(code, dorvik_sql::kCodeNotInitialized);
  std::memset(code, 0, sizeof code);
  EXPECT_EQ(backend_->Write("Car")(nullptr, 0, code), 0);
  EXPECT_STREQ(code, dorvik_sql::kCodeNotInitialized);
  EXPECT_EQ(backend_->Vaccum(code), 0);
  EXPECT_EQ(backend_->ExecuteSQL("SELECT 1", code), 0);
  EXPECT_TRUE(Files().empty());
}

TEST_F(OutsideBackend, NameIsFoundWithoutRegardToCase) {
  Open("DorvikSqlIf.dll", "ovsvif0001.sld");
  const std::size_t size = sizeof(dorvik_sql::Car);
  char code[10] = {};
  ASSERT_EQ(Write("Car", Records(1, size, 1), size, code), 1);
  std::string other = folder_ + "/OvSvIf0001.sld";
  ASSERT_EQ(backend_->Initialize(other.c_str(), "", 0), 1);
  EXPECT_EQ(ReadAll("Car", size), Records(1, size, 1));
  EXPECT_EQ(Files(), std::vector<std::string>{"ovsvif0001.sld"});
}

}  // namespace
