// The version checker ZkDBFlVerChk, loaded by name, on databases made by the back-ends.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "dorvik_sql/functions.h"
#include "dorvik_sql/records.h"
#include "outside_test_support.h"
#include "platform/files.h"
#include "test_support.h"
#include "version_check.h"

namespace {

using outside_test::Backend;
using outside_test::Library;
using outside_test::Sqlite;
using testing_support::TempFolder;
using testing_support::Utf8;

class OutsideChecker : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(platform::MakeFolder(work_));
    ASSERT_TRUE(checker_.loaded());
    CheckDBVer = checker_.Get<dorvik_sql::CheckDBVerFunction>("CheckDBVer");
    GetConvertSQL = checker_.Get<dorvik_sql::GetConvertSQLFunction>("GetConvertSQL");
    WriteDBVersionINI = checker_.Get<dorvik_sql::WriteDBVersionINIFunction>("WriteDBVersionINI");
    ASSERT_TRUE(CheckDBVer && GetConvertSQL && WriteDBVersionINI);
  }
  // A database written by its back-end, as an estimate's work folder holds it.
  void MakeDatabase(const char* dll, const std::string& file, const char* table) {
    Backend b(dll);
    std::string path = work_ + "/" + file;
    ASSERT_EQ(b.Initialize(path.c_str(), "", 0), 1);
    char code[10] = {};
    ASSERT_EQ(b.Write(table)(nullptr, 0, code), 1) << code;
    b.Finalize();
  }
  std::string Version(const std::string& file) { return Sqlite(Utf8(work_ + "/" + file), "PRAGMA user_version"); }

  TempFolder temp_;
  std::string work_ = temp_.path() + "/作業";
  Library checker_{"ZkDBFlVerChk.dll"};
  dorvik_sql::CheckDBVerFunction CheckDBVer = nullptr;
  dorvik_sql::GetConvertSQLFunction GetConvertSQL = nullptr;
  dorvik_sql::WriteDBVersionINIFunction WriteDBVersionINI = nullptr;
};

TEST_F(OutsideChecker, FreshDatabasesAreCurrent) {
  MakeDatabase("DorvikSqlIf.dll", "OvSvIf0001.sld", "Car");
  MakeDatabase("DorvikSqlEm.dll", "OvSvEm0001.sld", "Total");
  MakeDatabase("DorvikSqlIg.dll", "OvSvIg0001.sld", "Image");
  const std::string current = std::to_string(dorvik_sql::kSchemaVersion);
  for (const char* file : {"OvSvIf0001.sld", "OvSvEm0001.sld", "OvSvIg0001.sld"}) EXPECT_EQ(Version(file), current);
  for (int id = 1; id <= 3; ++id) EXPECT_EQ(CheckDBVer(work_.c_str(), id), 0) << id;
  // Nothing is due, so there is nothing to hand out, and the block stays as it was.
  std::vector<char> block(2048, 'x');
  EXPECT_EQ(GetConvertSQL(2, block.data(), 1), 0);
  EXPECT_EQ(block, std::vector<char>(2048, 'x'));
}

TEST_F(OutsideChecker, NothingIsDueForWhatCannotBeRead) {
  testing_support::WriteRaw(Utf8(work_ + "/OvSvEm0001.sld"), "not a database");
  struct Case {
    const char* name;
    std::string folder;
    int id;
  };
  const Case cases[] = {
      {"information database missing", work_, 1},
      {"estimate database not a database", work_, 2},
      {"work folder missing", work_ + "/none", 3},
      {"id 0", work_, 0},
      {"id 4", work_, 4},
  };
  for (const Case& c : cases) EXPECT_EQ(CheckDBVer(c.folder.c_str(), c.id), 0) << c.name;
  EXPECT_EQ(CheckDBVer(nullptr, 1), 0);
  EXPECT_EQ(WriteDBVersionINI(work_.c_str(), 1), 0) << "a missing database records nothing";
  EXPECT_EQ(WriteDBVersionINI(work_.c_str(), 2), 0);
  EXPECT_EQ(WriteDBVersionINI(work_.c_str(), 4), 0);
  EXPECT_EQ(testing_support::ReadRaw(Utf8(work_ + "/OvSvEm0001.sld")), "not a database");
}

// The version goes into the database that OvDBInfo.ini names.
TEST_F(OutsideChecker, WriteDBVersionINIRecordsTheVersionInTheNamedDatabase) {
  testing_support::WriteRaw(Utf8(work_ + "/OvDBInfo.ini"),
                            "[General]\r\nSignature=OVDBINFO\r\n[LatestDatabaseFile]\r\nInformationDB=情報.sld\r\n"
                            "EstimateDB=Estimate.sld\r\nImageDB=Image.sld\r\n");
  ASSERT_EQ(Sqlite(Utf8(work_ + "/情報.sld"), "CREATE TABLE t (x); PRAGMA user_version"), "0");
  ASSERT_EQ(Sqlite(Utf8(work_ + "/OvSvIf0001.sld"), "CREATE TABLE t (x); PRAGMA user_version"), "0");
  EXPECT_EQ(CheckDBVer(work_.c_str(), 1), 0);
  EXPECT_EQ(WriteDBVersionINI(work_.c_str(), 1), 1);
  EXPECT_EQ(Version("情報.sld"), std::to_string(dorvik_sql::kSchemaVersion));
  EXPECT_EQ(Version("OvSvIf0001.sld"), "0");
  EXPECT_EQ(outside_test::FolderNames(Utf8(work_)),
            (std::vector<std::string>{"OvDBInfo.ini", "OvSvIf0001.sld", Utf8("情報.sld")}));
}

TEST(OutsideCheckerWork, DatabasePathsFollowOvDBInfo) {
  TempFolder temp;
  EXPECT_EQ(dorvik_sql::DatabasePath(temp.path(), 1), temp.path() + "/OvSvIf0001.sld");
  EXPECT_EQ(dorvik_sql::DatabasePath(temp.path() + "/", 3), temp.path() + "/OvSvIg0001.sld");
  EXPECT_EQ(dorvik_sql::DatabasePath(temp.path(), 0), "");
  testing_support::WriteRaw(temp / "OvDBInfo.ini",
                            "[General]\nSignature=OVDBINFO\n[LatestDatabaseFile]\nInformationDB=ABCDEFGHIJ.sldxyz\n"
                            "ImageDB=\n");
  // As the work folder's own reader reads it: 14 characters at most, a missing key as "Undefined Error".
  EXPECT_EQ(dorvik_sql::DatabasePath(temp.path(), 1), temp.path() + "/ABCDEFGHIJ.sld");
  EXPECT_EQ(dorvik_sql::DatabasePath(temp.path(), 2), temp.path() + "/Undefined Erro");
  EXPECT_EQ(dorvik_sql::DatabasePath(temp.path(), 3), temp.path() + "/");
}

TEST(OutsideCheckerWork, NoConversionStepsYet) {
  for (int id = 1; id <= 3; ++id) {
    for (int from : {0, 1, dorvik_sql::kSchemaVersion, 99}) EXPECT_TRUE(dorvik_sql::ConversionSteps(id, from).empty());
  }
}

TEST(OutsideCheckerWork, StatementBlockSlotsAreTerminated) {
  const std::vector<std::string> two = {"UPDATE a SET b = 1", std::string(2047, 'x')};
  std::vector<char> block(2 * 2048, 'z');
  ASSERT_TRUE(dorvik_sql::FillStatementBlock(two, block.data(), 2));
  EXPECT_STREQ(block.data(), "UPDATE a SET b = 1");
  EXPECT_EQ(block[2047], '\0');
  EXPECT_EQ(std::string(block.data() + 2048), two[1]);
  EXPECT_EQ(block[2 * 2048 - 1], '\0');

  struct Case {
    const char* name;
    std::vector<std::string> statements;
    int count;
    bool block;
  };
  const Case refused[] = {
      {"count below the statements", two, 1, true},
      {"count above the statements", two, 3, true},
      {"count 0", {}, 0, true},
      {"negative count", two, -2, true},
      {"no block", two, 2, false},
      {"statement does not fit its slot", {std::string(2048, 'y')}, 1, true},
  };
  for (const Case& c : refused) {
    std::vector<char> untouched(4 * 2048, 'z');
    EXPECT_FALSE(dorvik_sql::FillStatementBlock(c.statements, c.block ? untouched.data() : nullptr, c.count))
        << c.name;
    EXPECT_EQ(untouched, std::vector<char>(4 * 2048, 'z')) << c.name;
  }
}

}  // namespace
