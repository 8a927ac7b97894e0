#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "Dorvik.h"
#include "ZkLog.h"
#include "ZkSettings.h"
#include "dorvik_test_support.h"
#include "platform/fault.h"

using testing_support::ReadRaw;
using testing_support::Show;

namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    out.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

// Time, process id, source line and pointer values vary from run to run.
std::string Normalize(const std::string& line) {
  std::size_t timeEnd = line.find("],[");
  std::size_t pidEnd = timeEnd == std::string::npos ? timeEnd : line.find("],", timeEnd + 3);
  if (line.rfind("[", 0) != 0 || pidEnd == std::string::npos) return line;
  std::string s = "[T],[P]" + line.substr(pidEnd + 1);
  std::size_t close = s.find(")],");
  std::size_t open = close == std::string::npos ? close : s.rfind('(', close);
  if (open != std::string::npos) s.replace(open + 1, close - open - 1, "L");
  for (std::size_t at = s.find("Address:"); at != std::string::npos; at = s.find("Address:", at + 9)) {
    std::size_t end = s.find_first_of(",\"", at + 8);
    s.replace(at + 8, end - at - 8, "A");
  }
  return s;
}

// "YYYY/MM/DD hh:mm:ss.mmm"
bool IsTimeStamp(const std::string& s) {
  const std::string shape = "dddd/dd/dd dd:dd:dd.ddd";
  if (s.size() != shape.size()) return false;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (shape[i] == 'd' ? (s[i] < '0' || s[i] > '9') : s[i] != shape[i]) return false;
  }
  return true;
}

class LogTest : public ::testing::Test {
 protected:
  void SetUp() override { dorvik_test::ResetSettings(); }
  void TearDown() override {
    platform::ClearFaults();
    dorvik_test::ResetSettings();
  }
  std::string Log() { return ReadRaw(dir / "x.log"); }
  testing_support::TempFolder dir;
};

TEST_F(LogTest, WholeSequenceAtLevel4) {
  std::string vek = dir / "a.vek";
  ASSERT_TRUE(dorvik_test::MakeVek(R"({"header_info": {"AcceptNo": "見積001"}})", vek));
  ASSERT_EQ(Initialize(0, dir.path().c_str(), "x.log", 4, "msg.ini"), 1);
  HeaderInfo info{};
  char code[10] = {};
  ASSERT_EQ(ReadFileHeaderInfo(vek.c_str(), &info, code), 1);
  Finalize();
  const std::string d = dir.path();
  const std::vector<std::string> expected = {
      "[T],[P],[1],【Dorvik】,[Dorvik.cpp:Initialize(L)],◆*** 初期処理 ***",
      "[T],[P],[4],【Dorvik】,[Dorvik.cpp:Initialize(L)],　[Param],\"nMode->0, pLogFilePath->" + d +
          ", pLogFileName->x.log, nLogWriteLevel->4, pMsgFileName->msg.ini\"",
      "[T],[P],[2],【Dorvik】,[Dorvik.cpp:Initialize(L)],・初期処理開始",
      "[T],[P],[2],【Dorvik】,[Dorvik.cpp:Initialize(L)],・初期処理終了",
      "[T],[P],[1],【Dorvik】,[Dorvik.cpp:ReadFileHeaderInfo(L)],◆*** ファイルヘッダ情報読み込み ***",
      "[T],[P],[4],【Dorvik】,[Dorvik.cpp:ReadFileHeaderInfo(L)],　[Param],\"pVekFileName->" + vek +
          ", pDest->Address:A, pErrorCode->Address:A\"",
      "[T],[P],[2],【Dorvik】,[Dorvik.cpp:ReadFileHeaderInfo(L)],・ファイルヘッダ情報読み込み開始",
      "[T],[P],[1],【Dorvik】,[ZkVekFileAccess.cpp:CZkVekFileAccess::ReadFileHeaderInfo(L)],◆*** "
      "見積保存ファイルヘッダ情報読み込み ***",
      "[T],[P],[4],【Dorvik】,[ZkVekFileAccess.cpp:CZkVekFileAccess::ReadFileHeaderInfo(L)],　[Param],\"pDest->"
      "Address:A, pErrorCode->Address:A\"",
      "[T],[P],[2],【Dorvik】,[ZkVekFileAccess.cpp:CZkVekFileAccess::ReadFileHeaderInfo(L)],・"
      "見積保存ファイルヘッダ情報読み込み開始",
      "[T],[P],[1],【Dorvik】,[ZkVekBufferAccess.cpp:CZkVekBufferAccess::SettingBuffer(L)],◆*** バッファ設定 ***",
      "[T],[P],[4],【Dorvik】,[ZkVekBufferAccess.cpp:CZkVekBufferAccess::SettingBuffer(L)],　[Param],\"pBinaryData->"
      "Address:A, nByteSize->321, pErrorCode->Address:A, nFirstSection->0, nLastSection->1\"",
      "[T],[P],[2],【Dorvik】,[ZkVekBufferAccess.cpp:CZkVekBufferAccess::SettingBuffer(L)],・バッファ設定開始",
      "[T],[P],[1],【Dorvik】,[ZkVekBufferAccess.cpp:CZkVekBufferAccess::BinaryDecode(L)],◆*** 復号化処理 ***",
      "[T],[P],[4],【Dorvik】,[ZkVekBufferAccess.cpp:CZkVekBufferAccess::BinaryDecode(L)],　[Param],\"pDest->"
      "Address:A, pSource->Address:A, nByteSize->305, nDecodeType->1\"",
      "[T],[P],[2],【Dorvik】,[ZkVekBufferAccess.cpp:CZkVekBufferAccess::BinaryDecode(L)],・復号化処理開始",
      "[T],[P],[2],【Dorvik】,[ZkVekBufferAccess.cpp:CZkVekBufferAccess::BinaryDecode(L)],・復号化処理正常終了",
      "[T],[P],[2],【Dorvik】,[ZkVekBufferAccess.cpp:CZkVekBufferAccess::SettingBuffer(L)],・バッファ設定正常終了",
      "[T],[P],[1],【Dorvik】,[ZkVekBufferAccess.cpp:CZkVekBufferAccess::ReadHeaderInfo(L)],◆*** "
      "ファイルヘッダ情報取得（Delphi連携用構造体イメージ） ***",
      "[T],[P],[4],【Dorvik】,[ZkVekBufferAccess.cpp:CZkVekBufferAccess::ReadHeaderInfo(L)],　[Param],\"pDest->"
      "Address:A, pErrorCode->Address:A\"",
      "[T],[P],[2],【Dorvik】,[ZkVekBufferAccess.cpp:CZkVekBufferAccess::ReadHeaderInfo(L)],・"
      "ファイルヘッダ情報取得（Delphi連携用構造体イメージ）開始",
      "[T],[P],[2],【Dorvik】,[ZkVekBufferAccess.cpp:CZkVekBufferAccess::ReadHeaderInfo(L)],・"
      "ファイルヘッダ情報取得（Delphi連携用構造体イメージ）正常終了",
      "[T],[P],[2],【Dorvik】,[ZkVekFileAccess.cpp:CZkVekFileAccess::ReadFileHeaderInfo(L)],・"
      "見積保存ファイルヘッダ情報読み込み正常終了",
      "[T],[P],[2],【Dorvik】,[Dorvik.cpp:ReadFileHeaderInfo(L)],・ファイルヘッダ情報読み込み終了",
      "[T],[P],[1],【Dorvik】,[Dorvik.cpp:Finalize(L)],◆*** 終了処理 ***",
      "[T],[P],[2],【Dorvik】,[Dorvik.cpp:Finalize(L)],・終了処理開始",
      "[T],[P],[2],【Dorvik】,[Dorvik.cpp:Finalize(L)],・終了処理終了",
  };
  std::string log = Log();
  ASSERT_EQ(log.back(), '\n');
  std::vector<std::string> lines = Lines(log);
  ASSERT_EQ(lines.size(), expected.size()) << Show(log);
  std::string pid = "[" + std::to_string(getpid()) + "],";
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(Normalize(lines[i]), expected[i]) << "line " << i << ": " << Show(lines[i]);
    EXPECT_EQ(lines[i].substr(26, pid.size()), pid) << "line " << i;
    EXPECT_TRUE(IsTimeStamp(lines[i].substr(1, 23))) << "line " << i;
  }
  EXPECT_EQ(ZkGetSettings().messageFileName, "msg.ini");
  EXPECT_EQ(ZkGetSettings().logBackupPath, dir / "x.bak");
}

TEST_F(LogTest, WhereTheLogGoes) {
  struct Case {
    const char* name;
    std::string folder;
    const char* file;
    int level;
    bool logs;
  } cases[] = {
      {"NoArguments", "", nullptr, 0, false},
      {"MissingFolder", dir / "none", "x.log", 4, false},
      {"NameWithoutDot", dir.path(), "xlog", 4, false},
      {"LevelAbove4", dir.path(), "x.log", 5, false},
      {"LevelNegative", dir.path(), "x.log", -1, false},
      {"FolderWithFileName", dir / "ignored.txt", "x.log", 4, true},
      {"QuotedFolder", "\"" + dir.path() + "/\"", "sub/x.log", 4, true},
  };
  for (const Case& c : cases) {
    dorvik_test::ResetSettings();
    unlink((dir / "x.log").c_str());
    Initialize(0, c.folder.empty() ? nullptr : c.folder.c_str(), c.file, c.level, "");
    Finalize();
    EXPECT_EQ(!Log().empty(), c.logs) << c.name;
  }
}

TEST_F(LogTest, BareFileNameLogsInTheCurrentFolder) {
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  ASSERT_EQ(chdir(dir.path().c_str()), 0);
  Initialize(0, "", "x.log", 4, nullptr);
  Finalize();
  EXPECT_EQ(ZkGetSettings().logFilePath, "x.log");
  EXPECT_EQ(ZkGetSettings().logBackupPath, "x.bak");
  ASSERT_EQ(chdir(cwd), 0);
  EXPECT_NE(Log().find("終了処理終了"), std::string::npos);
}

TEST_F(LogTest, LevelsFilterLines) {
  struct Case {
    int level;
    int lines;  // of Initialize and a GetErrorMessage on a missing message file
  } cases[] = {{0, 2}, {1, 5}, {2, 11}, {3, 11}, {4, 15}};
  for (const Case& c : cases) {
    unlink((dir / "x.log").c_str());
    Initialize(0, dir.path().c_str(), "x.log", c.level, "");
    char text[16];
    EXPECT_EQ(GetErrorMessage("E03000001", text, sizeof text), 0);
    EXPECT_EQ(Lines(Log()).size(), static_cast<std::size_t>(c.lines)) << "level " << c.level << "\n" << Show(Log());
  }
}

TEST_F(LogTest, RollsOverAt2MiB) {
  Initialize(0, dir.path().c_str(), "x.log", 1, "");  // Finalize then writes one line
  struct Case {
    const char* name;
    std::size_t size;
    bool rolls;
  } cases[] = {{"JustBelow", 2097151, false}, {"AtTheLimit", 2097152, true}};
  for (const Case& c : cases) {
    testing_support::WriteRaw(dir / "x.log", std::string(c.size, 'a'));
    testing_support::WriteRaw(dir / "x.bak", "old backup");
    Finalize();
    std::string log = Log();
    EXPECT_EQ(log.size() < c.size, c.rolls) << c.name;
    EXPECT_EQ(ReadRaw(dir / "x.bak").size() == c.size, c.rolls) << c.name;
    if (c.rolls) {
      EXPECT_EQ(log.rfind("[", 0), 0u) << "the new log starts with the line";
    }
  }
}

TEST_F(LogTest, RollOverThatCannotMoveTheLogNeverLetsItGrow) {
  Initialize(0, dir.path().c_str(), "x.log", 4, "");
  const std::string full(2097152, 'a');
  testing_support::WriteRaw(dir / "x.log", full);
  platform::FailFromCall(platform::FileOp::Rename, 1);
  Finalize();
  EXPECT_LT(Log().size(), full.size()) << "the log is started anew";
  testing_support::WriteRaw(dir / "x.log", full);
  platform::FailFromCall(platform::FileOp::Delete, 1);
  Finalize();
  EXPECT_EQ(Log().size(), full.size()) << "lines are dropped rather than appended";
  platform::ClearFaults();
  // A log whose backup is itself.
  Initialize(0, dir.path().c_str(), "x.bak", 4, "");
  testing_support::WriteRaw(dir / "x.bak", full);
  Finalize();
  EXPECT_LT(ReadRaw(dir / "x.bak").size(), full.size());
}

TEST_F(LogTest, SettingsOfInitializeAndSetCompressRetry) {
  SetCompressRetry(-3, -100);
  EXPECT_EQ(ZkGetSettings().compressRetryCount, 0);
  EXPECT_EQ(ZkGetSettings().compressRetryInterval, 0);
  SetCompressRetry(2, 500);
  Initialize(1, nullptr, nullptr, 7, "  \"" "/m/msg.ini\" ");
  Finalize();
  const ZkSettings& s = ZkGetSettings();
  EXPECT_EQ(s.compressRetryCount, 2) << "survives Initialize and Finalize";
  EXPECT_EQ(s.compressRetryInterval, 500);
  EXPECT_EQ(s.logLevel, 7) << "kept unclamped";
  EXPECT_EQ(s.logThreshold, -1);
  EXPECT_EQ(s.moduleName, "Dorvik");
  EXPECT_EQ(s.processId, getpid());
  EXPECT_EQ(s.messageFileName, "/m/msg.ini");
}

TEST(LogNames, FunctionNamesAreClassQualified) {
  EXPECT_EQ(CZkLog::FunctionName("int CZkMessage::GetMessage(const char*, char*, int)"), "CZkMessage::GetMessage");
  EXPECT_EQ(CZkLog::FunctionName("void Finalize()"), "Finalize");
  EXPECT_EQ(CZkLog::FunctionName("Initialize(int, const char*)::<lambda()>"), "Initialize");
  EXPECT_EQ(CZkLog::FunctionName("const char* CZkLog::Mark(int)"), "CZkLog::Mark");
  EXPECT_EQ(CZkLog::FunctionName("int {anonymous}::Transform(void*)"), "Transform");
}

}  // namespace
