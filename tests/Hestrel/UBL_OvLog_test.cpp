#include "UBL_OvLog.h"

#include <gtest/gtest.h>

#include <functional>
#include <regex>

#include "UBL_ComFileCtrl.h"
#include "UBL_OvException.h"
#include "hestrel_test_support.h"
#include "platform/fault.h"

namespace {

using testing_support::ReadRaw;
using testing_support::Show;
using testing_support::WriteRaw;

class OvLogTest : public hestrel_test::HestrelTest {
 public:
  hestrel::TOvLog& Log() { return *hestrel::GetOvLog(); }
  void WriteAppOptions(const std::string& body) {
    platform::MakeFolders(root / "app/Data");
    WriteRaw(root / "app/Data/OvOption.ini", body);
  }
};

TEST_F(OvLogTest, SettingsAreFoundAndRead) {
  struct Case {
    const char* name;
    std::function<void(OvLogTest&)> setUp;
    int debugLog, logSize;
  } cases[] = {
      {"documents folder", [](OvLogTest& t) { t.WriteOptions("[System]\r\nDebugLog=3\r\nLogSize=50\r\n"); }, 3, 50},
      {"registry path", [](OvLogTest& t) {
         t.WriteAppOptions("[System]\r\nDebugLog=2\r\n");
         t.SetApplicationPath(t.root / "app");
       }, 2, 2000},
      {"registry path with delimiter", [](OvLogTest& t) {
         t.WriteAppOptions("[system]\r\ndebuglog=4\r\n");
         t.SetApplicationPath(t.root / "app/");
       }, 4, 2000},
      {"no settings at all", [](OvLogTest&) {}, -1, 2000},
      {"registry folder missing", [](OvLogTest& t) { t.SetApplicationPath(t.root / "none"); }, -1, 2000},
      {"registry folder without the file", [](OvLogTest& t) {
         platform::MakeFolder(t.root / "app");
         t.SetApplicationPath(t.root / "app");
       }, 0, 2000},
      {"LogSize 0", [](OvLogTest& t) { t.WriteOptions("[System]\r\nLogSize=0\r\n"); }, 0, 2000},
      {"LogSize negative", [](OvLogTest& t) { t.WriteOptions("[System]\r\nLogSize=-5\r\n"); }, 0, 2000},
      {"before Vista: ../Data", [](OvLogTest& t) {
         t.env.osMajor = 5;
         t.env.osMinor = 2;
         t.WriteOptions("[System]\r\nDebugLog=3\r\n");  // not read on this system
         platform::MakeFolder(t.root / "Data");
         WriteRaw(t.root / "Data/OvOption.ini", "[System]\r\nDebugLog=1\r\nLogSize=7\r\n");
       }, 1, 7},
  };
  for (const Case& c : cases) {
    env.registry.clear();
    c.setUp(*this);
    Load();
    EXPECT_EQ(Log().DebugLog, c.debugLog) << c.name;
    EXPECT_EQ(Log().LogSize, c.logSize) << c.name;
    platform::DeleteTree(root / "app");
    platform::DeleteTree(root / "Data");
    platform::DeleteTree(Documents() + "/Kelmora");
    env.osMajor = 10;
    env.osMinor = 0;
  }
}

TEST_F(OvLogTest, LogFolderBeforeVistaIsRelative) {
  env.osMajor = 5;
  env.osMinor = 2;
  Load();
  EXPECT_EQ(Log().LogFolder, "./Log/");
  platform::MakeFolder("Log");
  OV_DEBUG("T", "M", 0, "x");  // DebugLog -1: nothing
  EXPECT_EQ(ReadRaw(root / "cwd/Log/Debug.log"), "");
  try {
    throw std::runtime_error("boom");
  } catch (...) {
    OV_ABNORMAL_END("T", "M", 0);
  }
  EXPECT_NE(ReadRaw(root / "cwd/Log/Error.log").find("boom"), std::string::npos);
}

TEST_F(OvLogTest, RollOverBeyondTheLimitOnly) {
  struct Case {
    const char* name;
    int logSize;
    std::size_t fileSize;
    bool rolled;
  } cases[] = {
      {"exactly the limit", 1, 1000, false},
      {"one byte more", 1, 1001, true},
      {"default limit exactly", 2000, 2000000, false},
      {"default limit exceeded", 2000, 2000001, true},
      {"large LogSize does not overflow", 2147483647, 5000, false},
  };
  Load();
  std::string file = root / "r.log";
  for (const Case& c : cases) {
    WriteRaw(file, std::string(c.fileSize, 'x'));
    WriteRaw(file + ".bak", "old");
    Log().LogSize = c.logSize;
    Log().RollOver(file);
    EXPECT_EQ(platform::IsFile(file), !c.rolled) << c.name;
    EXPECT_EQ(ReadRaw(file + ".bak").size(), c.rolled ? c.fileSize : 3) << c.name;
  }
  // LogSize 0 and -5 read as the default limit of 2 000 000 bytes.
  for (const char* value : {"0", "-5"}) {
    WriteOptions(std::string("[System]\r\nLogSize=") + value + "\r\n");
    Load();
    WriteRaw(file, std::string(2000000, 'x'));
    Log().RollOver(file);
    EXPECT_TRUE(platform::IsFile(file)) << value;
    WriteRaw(file, std::string(2000001, 'x'));
    Log().RollOver(file);
    EXPECT_FALSE(platform::IsFile(file)) << value;
  }
}

TEST_F(OvLogTest, LineLayoutAndLineBreaks) {
  Load();
  std::string file = root / "l.log";
  ASSERT_TRUE(Log().WriteLine(file, "A\r\nB", 1));
  ASSERT_TRUE(Log().WriteLine(file, " A \r\n B", 1));  // the last part is kept as it is
  EXPECT_EQ(ReadRaw(file), "[24/05/01 09:30:15.123],[4321],A B\n[24/05/01 09:30:15.123],[4321],A  B\n");
}

TEST_F(OvLogTest, WriteLineRetriesOnce) {
  Load();
  std::string file = root / "l.log";
  platform::FailNthCall(platform::FileOp::Write, 1);
  EXPECT_TRUE(Log().WriteLine(file, "kept", 1));
  EXPECT_EQ(ReadRaw(file), "[24/05/01 09:30:15.123],[4321],kept\n");
  platform::FailFromCall(platform::FileOp::Write, 1);
  EXPECT_FALSE(Log().WriteLine(file, "lost", 1));
  platform::ClearFaults();
  EXPECT_EQ(ReadRaw(file).find("lost"), std::string::npos);
}

TEST_F(OvLogTest, DebugLevelsAndLayout) {
  LoadWithDebugLog(3);
  hestrel::OvForceFileDelete(root / "missing");  // level 3
  hestrel::OvFileExists(root / "missing");       // level 5: not written
  OV_DEBUGF("TClass", "Method", 2, "Method開始 a=%s, n=%d", "x", 7);
  std::string log = DebugLogText();
  EXPECT_NE(log.find("[UBL_ComFileCtrl.cpp 共通関数.OvForceFileDelete("), std::string::npos) << Show(log);
  EXPECT_NE(log.find("],[3], OvForceFileDelete開始 sDelFileName=" + (root / "missing")), std::string::npos);
  EXPECT_EQ(log.find("OvFileExists"), std::string::npos);
  std::regex line(R"(\[24/05/01 09:30:15\.123\],\[4321\],\[UBL_OvLog_test\.cpp TClass\.Method\(\d+\)\],\[2\], )"
                  "Method開始 a=x, n=7\n");
  EXPECT_TRUE(std::regex_search(log, line)) << Show(log);
  EXPECT_EQ(ErrorLogText(), "");
}

TEST_F(OvLogTest, DebugFormatThatDoesNotFitIsWrittenUnformatted) {
  LoadWithDebugLog(5);
  OV_DEBUGF("T", "M", 1, "n=%d", "text");
  OV_DEBUG("T", "M", 1, "100% kept");
  std::string log = DebugLogText();
  EXPECT_NE(log.find("],[1], n=%d\n"), std::string::npos) << Show(log);
  EXPECT_NE(log.find("],[1], 100% kept\n"), std::string::npos) << Show(log);
}

TEST_F(OvLogTest, NoDebugLinesAtMinusOneButErrorLines) {
  LoadWithDebugLog(-1);
  OV_DEBUG("T", "M", 0, "never");
  platform::SetLastError(13);
  try {
    OV_RAISE("TClass", " detail ", "E00002", "Method", "a");
  } catch (...) {
    OV_ABNORMAL_END("TClass", "Method", 0);
  }
  try {
    throw std::runtime_error(" boom\r\n");
  } catch (...) {
    OV_ABNORMAL_END("TClass", "Other", 0);
  }
  EXPECT_EQ(DebugLogText(), "");
  std::regex lines(R"(^\[24/05/01 09:30:15\.123\],\[4321\],\[TClass\.Method\(\d+\)\],\[E00002 GLE=13\],   detail
\[24/05/01 09:30:15\.123\],\[4321\],\[TClass\.Other\(\d+\)\],\[)"
                   "通常例外"
                   R"(\], boom
$)");
  EXPECT_TRUE(std::regex_match(ErrorLogText(), lines)) << Show(ErrorLogText());
}

TEST_F(OvLogTest, AbnormalEndLine) {
  LoadWithDebugLog(0);
  try {
    throw std::runtime_error("gone");
  } catch (...) {
    OV_ABNORMAL_END("TClass", "Create", 0);
  }
  EXPECT_NE(DebugLogText().find("],[0], Create【異常終了】 gone\n"), std::string::npos) << Show(DebugLogText());
}

TEST_F(OvLogTest, MissingLogFolderNeedsTheHostProgram) {
  WriteOptions("[System]\r\nDebugLog=5\r\n");
  Load();
  OV_DEBUG("T", "M", 0, "dropped");
  EXPECT_FALSE(platform::IsFolder(LogFolder()));
  EXPECT_FALSE(Log().HostTestAllowed);
  WriteRaw(root / "cwd/TorvMain.exe", "");
  OV_DEBUG("T", "M", 0, "still dropped");  // the test failed once: false for good
  EXPECT_FALSE(platform::IsFolder(LogFolder()));

  Load();  // a new start with the host program present
  OV_DEBUG("T", "M", 0, "written");
  EXPECT_TRUE(Log().HostTestAllowed);
  EXPECT_NE(DebugLogText().find("written"), std::string::npos);
}

}  // namespace
