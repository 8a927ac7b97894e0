#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "Dorvik.h"
#include "ZkUtilities.h"
#include "dorvik_test_support.h"

using testing_support::Show;

namespace {

class MessageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dorvik_test::ResetSettings();
    testing_support::WriteRaw(dir / "msg.ini",
                              "[General]\r\nSignature=ACSFLDLLMSGSTR\r\n[MessageID]\r\n"
                              "E03000001=見積保存ファイルが見つかりません。\r\nE01000001=\r\n");
    testing_support::WriteRaw(dir / "wrong.ini", "[General]\r\nSignature=acsfldllmsgstr\r\n[MessageID]\r\nE03000001=x\r\n");
  }
  void Use(const std::string& file) { Initialize(0, nullptr, nullptr, 0, file.c_str()); }
  testing_support::TempFolder dir;
};

TEST_F(MessageTest, Messages) {
  const std::string text = "見積保存ファイルが見つかりません。";
  struct Case {
    const char* name;
    std::string file;
    const char* code;
    int size;
    int result;
    std::string buffer;  // after the call, of a buffer filled with '#'
  } cases[] = {
      {"Found", dir / "msg.ini", "E03000001", 64, 1, text + std::string(64 - text.size(), '\0')},
      {"Truncated", dir / "msg.ini", "E03000001", 5, 1, std::string("見積\0", 5)},
      {"CodeMissing", dir / "msg.ini", "E09999999", 8, 0, std::string(8, '\0')},
      {"EmptyValue", dir / "msg.ini", "E01000001", 8, 0, std::string(8, '\0')},
      {"NullCode", dir / "msg.ini", nullptr, 8, 0, std::string(8, '\0')},
      {"SignatureDiffersInCase", dir / "wrong.ini", "E03000001", 8, 0, std::string(8, '#')},
      {"FileMissing", dir / "none.ini", "E03000001", 8, 0, std::string(8, '#')},
      {"NoFileName", "", "E03000001", 8, 0, std::string(8, '#')},
      {"SizeZero", dir / "msg.ini", "E03000001", 0, 0, std::string(8, '#')},
      {"SizeNegative", dir / "msg.ini", "E03000001", -5, 0, std::string(8, '#')},
  };
  for (const Case& c : cases) {
    Use(c.file);
    std::string buffer(64, '#');
    EXPECT_EQ(GetErrorMessage(c.code, buffer.data(), c.size), c.result) << c.name;
    EXPECT_EQ(buffer.substr(0, c.buffer.size()), c.buffer) << c.name << ": " << Show(buffer);
    EXPECT_EQ(buffer.substr(std::max(c.size, 8)), std::string(64 - std::max(c.size, 8), '#')) << c.name;
  }
  Use(dir / "msg.ini");
  EXPECT_EQ(GetErrorMessage("E03000001", nullptr, 64), 0) << "no buffer";
}

TEST_F(MessageTest, DetailIsTheLastBackupName) {
  char buffer[64];
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(GetErrorDetail("E03000016", buffer, sizeof buffer), 1);
  EXPECT_EQ(buffer[0], '#') << "no backup name made yet";
  dorvik_test::ClockScope clock;
  std::string backup = CZkUtilities::MakeBackupFileName("/w/est.vek");
  struct Case {
    const char* name;
    const char* code;
    int size;
    bool copied;
  } cases[] = {
      {"Copied", "E03000016", 64, true},
      {"ExactFit", "E03000016", static_cast<int>(backup.size()) + 1, true},
      {"TooSmall", "E03000016", static_cast<int>(backup.size()), false},
      {"OtherCode", "E03000015", 64, false},
      {"ShortCode", "E03", 64, false},
      {"LongerCode", "E030000160", 64, false},
      {"NullCode", nullptr, 64, false},
      {"SizeZero", "E03000016", 0, false},
  };
  for (const Case& c : cases) {
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(GetErrorDetail(c.code, buffer, c.size), 1) << c.name;
    EXPECT_EQ(buffer[0] != '#', c.copied) << c.name;
    if (c.copied) {
      EXPECT_EQ(std::string(buffer), backup) << c.name;
    }
    EXPECT_EQ(buffer[c.size < 64 ? std::max(c.size, 0) : 63], c.size < 64 ? '#' : buffer[63]) << c.name;
  }
  EXPECT_EQ(GetErrorDetail("E03000016", nullptr, 64), 1);
}

}  // namespace
