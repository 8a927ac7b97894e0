// The fakes of the outside libraries record what they are asked and fail on demand.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "dorvik_sql/functions.h"
#include "dorvik_sql/records.h"
#include "fake_outside.h"
#include "outside_test_support.h"
#include "test_support.h"

namespace {

using outside_test::Backend;
using outside_test::Library;
using testing_support::TempFolder;

class OutsideFakes : public ::testing::Test {
 protected:
  TempFolder temp_;
};

TEST_F(OutsideFakes, RecordEveryCallWithItsArguments) {
  fake_outside::Scenario fakes(temp_ / "state");
  {
    Backend b("DorvikSqlIf.dll");
    ASSERT_EQ(b.Initialize("/w/OvSvIf0001.sld", "/log/Dorvik.log", 4), 1);
    int count = 0;
    char code[10] = {};
    ASSERT_EQ(b.Read("Car")(nullptr, &count, code), 1);
    EXPECT_EQ(count, 0);
    ASSERT_EQ(b.ExecuteSQL("UPDATE t\tSET x = 1", code), 1);
    b.Finalize();
  }
  EXPECT_EQ(fakes.CallTexts(), (std::vector<std::string>{
                                   "DorvikSqlIf.Initialize(/w/OvSvIf0001.sld, /log/Dorvik.log, 4) = 1",
                                   "DorvikSqlIf.ReadCar(null, 0) = 1",
                                   "DorvikSqlIf.ExecuteSQL(UPDATE t\tSET x = 1) = 1",
                                   "DorvikSqlIf.Finalize() = 1",
                               }));
  fakes.ClearCalls();
  EXPECT_TRUE(fakes.Calls().empty());
}

TEST_F(OutsideFakes, FailOnDemand) {
  fake_outside::Scenario fakes(temp_ / "state");
  fakes.SetResult("DorvikSqlIf", "ReadCar", 0, "E09990001");
  fakes.SetResult("DorvikSqlEm", "Initialize", 0);
  fakes.SetResultOfCall("DorvikSqlIg", "ExecuteSQL", 2, 0);
  char code[10] = {};
  int count = 0;
  Backend info("DorvikSqlIf.dll");
  EXPECT_EQ(info.Read("Car")(nullptr, &count, code), 0);
  EXPECT_STREQ(code, "E09990001");
  Backend estimate("DorvikSqlEm.dll");
  EXPECT_EQ(estimate.Initialize("/w/e.sld", "", 0), 0);
  Backend image("DorvikSqlIg.dll");
  std::vector<int> results;
  for (int i = 0; i < 3; ++i) results.push_back(image.ExecuteSQL("SELECT 1", code));
  EXPECT_EQ(results, (std::vector<int>{1, 0, 1}));
  EXPECT_STREQ(code, fake_outside::kFakeCode);
  // A statement without a NUL in its 2048 bytes is refused and never read further.
  std::vector<char> unterminated(2048, 'x');
  EXPECT_EQ(image.ExecuteSQL(unterminated.data(), code), 0);
  EXPECT_EQ(fakes.CallTexts().back(), "DorvikSqlIg.ExecuteSQL(<unterminated>) = 0");
}

TEST_F(OutsideFakes, TablesHoldWhatTheTestSets) {
  fake_outside::Scenario fakes(temp_ / "state");
  dorvik_sql::Image images[2] = {};
  std::strcpy(images[0].FileName, "P0001.jpg");
  std::strcpy(images[1].FileName, "P0002.jpg");
  fakes.SetTable("DorvikSqlIg", "Image", std::string(reinterpret_cast<const char*>(images), sizeof images));
  Backend b("DorvikSqlIg.dll");
  int count = 0;
  char code[10] = {};
  ASSERT_EQ(b.Read("Image")(nullptr, &count, code), 1);
  ASSERT_EQ(count, 2);
  dorvik_sql::Image back[2];
  ASSERT_EQ(b.Read("Image")(back, &count, code), 1);
  EXPECT_STREQ(back[1].FileName, "P0002.jpg");
  ASSERT_EQ(b.Write("Image")(back + 1, 1, code), 1);
  EXPECT_EQ(fakes.Table("DorvikSqlIg", "Image"), std::string(reinterpret_cast<const char*>(back + 1), 504));
  // The size query may be told to answer any count.
  fakes.SetCount("DorvikSqlIg", "ReadImageAnnotation", -7);
  count = 0;
  ASSERT_EQ(b.Read("ImageAnnotation")(nullptr, &count, code), 1);
  EXPECT_EQ(count, -7);
}

TEST_F(OutsideFakes, CheckerHandsOutTheConversionSet) {
  fake_outside::Scenario fakes(temp_ / "state");
  fakes.SetConversion(2, {"UPDATE a SET b = 1", "DROP TABLE c"});
  Library checker("ZkDBFlVerChk.dll");
  auto check = checker.Get<dorvik_sql::CheckDBVerFunction>("CheckDBVer");
  auto get = checker.Get<dorvik_sql::GetConvertSQLFunction>("GetConvertSQL");
  auto record = checker.Get<dorvik_sql::WriteDBVersionINIFunction>("WriteDBVersionINI");
  ASSERT_TRUE(check && get && record);
  EXPECT_EQ(check("/w", 1), 0);
  ASSERT_EQ(check("/w", 2), 2);
  std::vector<char> block(2 * 2048, 'z');
  ASSERT_EQ(get(2, block.data(), 2), 1);
  EXPECT_STREQ(block.data(), "UPDATE a SET b = 1");
  EXPECT_STREQ(block.data() + 2048, "DROP TABLE c");
  EXPECT_EQ(record("/w", 2), 1);
  EXPECT_EQ(fakes.CallTexts(), (std::vector<std::string>{
                                   "ZkDBFlVerChk.CheckDBVer(/w, 1) = 0",
                                   "ZkDBFlVerChk.CheckDBVer(/w, 2) = 2",
                                   "ZkDBFlVerChk.GetConvertSQL(2, buffer, 2) = 1",
                                   "ZkDBFlVerChk.WriteDBVersionINI(/w, 2) = 1",
                               }));
}

TEST_F(OutsideFakes, VariantsLackWhatTheyAreNamedAfter) {
  struct Case {
    const char* variant;
    const char* dll;
    const char* function;
    bool present;
  };
  const Case cases[] = {
      {"normal", "DorvikSqlEm.dll", "Finalize", true},
      {"without-Finalize", "DorvikSqlEm.dll", "Finalize", false},
      {"without-Finalize", "DorvikSqlEm.dll", "Initialize", true},
      {"without-ReadImage", "DorvikSqlIg.dll", "ReadImage", false},
      {"without-ReadImage", "DorvikSqlIg.dll", "WriteImage", true},
      {"without-ReadCar", "DorvikSqlIf.dll", "ReadCar", false},
      {"without-GetConvertSQL", "ZkDBFlVerChk.dll", "GetConvertSQL", false},
      {"without-GetConvertSQL", "ZkDBFlVerChk.dll", "CheckDBVer", true},
  };
  for (const Case& c : cases) {
    fake_outside::Scenario fakes(temp_ / "state", c.variant);
    Library library(c.dll);
    ASSERT_TRUE(library.loaded()) << c.variant << " " << c.dll;
    EXPECT_EQ(library.Get<void*>(c.function) != nullptr, c.present) << c.variant << " " << c.function;
  }
  {
    fake_outside::Scenario fakes(temp_ / "state", "no-checker");
    EXPECT_FALSE(Library("ZkDBFlVerChk.dll").loaded());
    EXPECT_TRUE(Library("DorvikSqlIg.dll").loaded());
  }
  fake_outside::Scenario fakes(temp_ / "state", "unloadable");
  for (const char* dll : {"DorvikSqlIf.dll", "DorvikSqlEm.dll", "DorvikSqlIg.dll", "ZkDBFlVerChk.dll"}) {
    EXPECT_FALSE(Library(dll).loaded()) << dll;
  }
}

}  // namespace
