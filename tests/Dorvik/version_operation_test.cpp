// The version check against the recording fakes of the checker and the back-ends (built in outside/fakes/).
#include "ZkVersionOperation.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "dorvik_test_support.h"
#include "platform/files.h"

#ifdef VEK_OUTSIDE_FAKES_DIR
#include "fake_outside.h"

using testing_support::WriteRaw;

namespace {

std::string Code(const char* code) { return std::string(code, strnlen(code, 10)); }

class VersionCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dorvik_test::ResetSettings();
    ZkGetSettings().logLevel = 4;
    work = dir / "w";
    ASSERT_TRUE(platform::MakeFolder(work));
  }
  testing_support::TempFolder dir;
  std::string work;
};

constexpr char kLog[] = "/l/x.log";

// A call text with its "(W" (the work folder as the first argument) filled in.
std::string WithWork(std::string line, const std::string& work) {
  std::size_t at = line.find("(W");
  if (at != std::string::npos) line.replace(at + 1, 1, work);
  return line;
}

TEST_F(VersionCheckTest, CallsMadeAndCodeLeft) {
  using Setup = std::function<void(fake_outside::Scenario&, const std::string& work)>;
  struct Case {
    const char* name;
    const char* variant;
    Setup setup;
    int result;
    const char* code;  // "" when the buffer stays as it was
    std::vector<std::string> calls;  // "W" stands for the work folder
  };
  const std::vector<std::string> nothingDue = {"ZkDBFlVerChk.CheckDBVer(W, 1) = 0", "ZkDBFlVerChk.CheckDBVer(W, 2) = 0",
                                               "ZkDBFlVerChk.CheckDBVer(W, 3) = 0"};
  auto twoOnEstimate = [](fake_outside::Scenario& f, const std::string&) {
    f.SetConversion(2, {"UPDATE a SET b = 1", "UPDATE c SET d = 2"});
  };
  const std::vector<std::string> twoDue = {
      "ZkDBFlVerChk.CheckDBVer(W, 1) = 0",
      "ZkDBFlVerChk.CheckDBVer(W, 2) = 2",
      "ZkDBFlVerChk.GetConvertSQL(2, buffer, 2) = 1",
      "DorvikSqlEm.Initialize(W/OvSvEm0001.sld, /l/x.log, 4) = 1",
      "DorvikSqlEm.ExecuteSQL(UPDATE a SET b = 1) = 1",
      "DorvikSqlEm.ExecuteSQL(UPDATE c SET d = 2) = 1",
      "DorvikSqlEm.Finalize() = 1",
      "ZkDBFlVerChk.WriteDBVersionINI(W, 2) = 1",
      "ZkDBFlVerChk.CheckDBVer(W, 3) = 0",
  };
  const Case cases[] = {
      {"no checker passes and touches nothing", "no-checker", nullptr, 1, "", {}},
      {"nothing due", "normal", nullptr, 1, "", nothingDue},
      {"two statements due on the estimate database", "normal", twoOnEstimate, 1, "", twoDue},
      {"the database name comes from OvDBInfo.ini", "normal",
       [](fake_outside::Scenario& f, const std::string& w) {
         f.SetConversion(3, {"DROP TABLE x"});
         WriteRaw(w + "/OvDBInfo.ini",
                  "[General]\r\nSignature=OVDBINFO\r\n[LatestDatabaseFile]\r\nImageDB=OvSvIg0007.sld\r\n");
       },
       1, "",
       {"ZkDBFlVerChk.CheckDBVer(W, 1) = 0", "ZkDBFlVerChk.CheckDBVer(W, 2) = 0", "ZkDBFlVerChk.CheckDBVer(W, 3) = 1",
        "ZkDBFlVerChk.GetConvertSQL(3, buffer, 1) = 1", "DorvikSqlIg.Initialize(W/OvSvIg0007.sld, /l/x.log, 4) = 1",
        "DorvikSqlIg.ExecuteSQL(DROP TABLE x) = 1", "DorvikSqlIg.Finalize() = 1",
        "ZkDBFlVerChk.WriteDBVersionINI(W, 3) = 1"}},
      {"a failing second statement stops the run; the back-end is finalised", "normal",
       [&](fake_outside::Scenario& f, const std::string& w) {
         twoOnEstimate(f, w);
         f.SetResultOfCall("DorvikSqlEm", "ExecuteSQL", 2, 0, "E09990001");
       },
       0, "E06000001",
       {"ZkDBFlVerChk.CheckDBVer(W, 1) = 0", "ZkDBFlVerChk.CheckDBVer(W, 2) = 2",
        "ZkDBFlVerChk.GetConvertSQL(2, buffer, 2) = 1", "DorvikSqlEm.Initialize(W/OvSvEm0001.sld, /l/x.log, 4) = 1",
        "DorvikSqlEm.ExecuteSQL(UPDATE a SET b = 1) = 1", "DorvikSqlEm.ExecuteSQL(UPDATE c SET d = 2) = 0",
        "DorvikSqlEm.Finalize() = 1"}},
      {"a failing Initialize: no statement, no Finalize", "normal",
       [&](fake_outside::Scenario& f, const std::string& w) {
         twoOnEstimate(f, w);
         f.SetResult("DorvikSqlEm", "Initialize", 0);
       },
       0, "E06000001",
       {"ZkDBFlVerChk.CheckDBVer(W, 1) = 0", "ZkDBFlVerChk.CheckDBVer(W, 2) = 2",
        "ZkDBFlVerChk.GetConvertSQL(2, buffer, 2) = 1", "DorvikSqlEm.Initialize(W/OvSvEm0001.sld, /l/x.log, 4) = 0"}},
      {"a back-end without ExecuteSQL is never initialised", "without-ExecuteSQL", twoOnEstimate, 0, "E06000001",
       {"ZkDBFlVerChk.CheckDBVer(W, 1) = 0", "ZkDBFlVerChk.CheckDBVer(W, 2) = 2",
        "ZkDBFlVerChk.GetConvertSQL(2, buffer, 2) = 1"}},
      {"a checker without CheckDBVer", "without-CheckDBVer", nullptr, 0, "E06000001", {}},
      {"a checker without GetConvertSQL passes while nothing is due", "without-GetConvertSQL", nullptr, 1, "",
       nothingDue},
      {"a checker without GetConvertSQL fails once something is due", "without-GetConvertSQL", twoOnEstimate, 0,
       "E06000001", {"ZkDBFlVerChk.CheckDBVer(W, 1) = 0", "ZkDBFlVerChk.CheckDBVer(W, 2) = 2"}},
      {"a checker without WriteDBVersionINI fails after the conversion", "without-WriteDBVersionINI", twoOnEstimate,
       0, "E06000001",
       {"ZkDBFlVerChk.CheckDBVer(W, 1) = 0", "ZkDBFlVerChk.CheckDBVer(W, 2) = 2",
        "ZkDBFlVerChk.GetConvertSQL(2, buffer, 2) = 1", "DorvikSqlEm.Initialize(W/OvSvEm0001.sld, /l/x.log, 4) = 1",
        "DorvikSqlEm.ExecuteSQL(UPDATE a SET b = 1) = 1", "DorvikSqlEm.ExecuteSQL(UPDATE c SET d = 2) = 1",
        "DorvikSqlEm.Finalize() = 1"}},
      {"GetConvertSQL failing", "normal",
       [&](fake_outside::Scenario& f, const std::string& w) {
         twoOnEstimate(f, w);
         f.SetResult("ZkDBFlVerChk", "GetConvertSQL", 0);
       },
       0, "E06000001",
       {"ZkDBFlVerChk.CheckDBVer(W, 1) = 0", "ZkDBFlVerChk.CheckDBVer(W, 2) = 2",
        "ZkDBFlVerChk.GetConvertSQL(2, buffer, 2) = 0"}},
      {"WriteDBVersionINI failing", "normal",
       [&](fake_outside::Scenario& f, const std::string&) {
         f.SetConversion(1, {"UPDATE a SET b = 1"});
         f.SetResult("ZkDBFlVerChk", "WriteDBVersionINI", 0);
       },
       0, "E06000001",
       {"ZkDBFlVerChk.CheckDBVer(W, 1) = 1", "ZkDBFlVerChk.GetConvertSQL(1, buffer, 1) = 1",
        "DorvikSqlIf.Initialize(W/OvSvIf0001.sld, /l/x.log, 4) = 1", "DorvikSqlIf.ExecuteSQL(UPDATE a SET b = 1) = 1",
        "DorvikSqlIf.Finalize() = 1", "ZkDBFlVerChk.WriteDBVersionINI(W, 1) = 0"}},
      {"more statements than the block may hold are refused before any is fetched", "normal",
       [](fake_outside::Scenario& f, const std::string&) { f.Set("ZkDBFlVerChk", "CheckDBVer.1", "100000"); }, 0,
       "E06000001", {"ZkDBFlVerChk.CheckDBVer(W, 1) = 100000"}},
      {"an OvDBInfo.ini of another format stops the check before the checker", "normal",
       [](fake_outside::Scenario&, const std::string& w) {
         WriteRaw(w + "/OvDBInfo.ini", "[General]\r\nSignature=HEADERDT\r\n");
       },
       0, "E04000009", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fake_outside::Scenario fakes(dir / "fakes", c.variant);
    std::remove((work + "/OvDBInfo.ini").c_str());
    if (c.setup) c.setup(fakes, work);
    char code[10];
    std::memset(code, 'x', sizeof code);
    CZkVersionOperation operation(work.c_str(), kLog);
    EXPECT_EQ(operation.CheckVersion(code), c.result);
    EXPECT_EQ(c.code[0] ? Code(code) : std::string(code, 10), c.code[0] ? c.code : std::string(10, 'x'));
    std::vector<std::string> expected;
    for (const std::string& line : c.calls) expected.push_back(WithWork(line, work));
    EXPECT_EQ(fakes.CallTexts(), expected);
  }
}

TEST_F(VersionCheckTest, StatementsThatFillTheirSlotAreCutWithinIt) {
  fake_outside::Scenario fakes(dir / "fakes");
  std::string longStatement(3000, 'S');
  fakes.SetConversion(1, {longStatement, "SELECT 2"});
  char code[10] = {};
  EXPECT_EQ(CZkVersionOperation(work.c_str(), kLog).CheckVersion(code), 1) << Code(code);
  std::vector<fake_outside::Call> calls = fakes.Calls();
  std::vector<std::string> executed;
  for (const auto& c : calls) {
    if (c.function == "ExecuteSQL") executed.push_back(c.args.at(0));
  }
  ASSERT_EQ(executed.size(), 2u);
  EXPECT_EQ(executed[0], std::string(2047, 'S'));
  EXPECT_EQ(executed[1], "SELECT 2");
}

TEST_F(VersionCheckTest, AWorkFolderThatDoesNotExist) {
  fake_outside::Scenario fakes(dir / "fakes");
  char code[10] = {};
  std::string missing = dir / "none";
  EXPECT_EQ(CZkVersionOperation(missing.c_str(), kLog).CheckVersion(code), 0);
  EXPECT_EQ(Code(code), "E04000001");
  EXPECT_TRUE(fakes.CallTexts().empty());
}

}  // namespace

#endif  // VEK_OUTSIDE_FAKES_DIR
