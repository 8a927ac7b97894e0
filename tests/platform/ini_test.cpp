#include "platform/ini.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "test_support.h"

namespace {

class IniTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing_support::WriteRaw(file, "; comment\r\n[General]\r\n Signature = \"ACS\" \r\nEmpty=\r\n"
                                    "[general]\r\nSignature=second\r\n[Text]\nName=見積書\nNum=-42x\nBad=x1\n");
  }
  testing_support::TempFolder dir;
  std::string file = dir / "a.ini";
};

TEST_F(IniTest, ReadsAsTheProfileFunctionsDo) {
  struct Case {
    const char* name;
    const char* section;
    const char* key;
    const char* def;
    std::size_t size;
    std::string value;
  } cases[] = {
      {"TrimmedUnquoted", "General", "Signature", "", 32, "ACS"},
      {"CaseInsensitiveFirstMatch", "GENERAL", "signature", "", 32, "ACS"},
      {"EmptyValue", "General", "Empty", "def", 32, ""},
      {"MissingKeyGivesDefault", "General", "None", "def", 32, "def"},
      {"MissingSection", "Nope", "Signature", "", 32, ""},
      {"Truncated", "General", "Signature", "", 3, "AC"},
      {"NeverHalfACharacter", "Text", "Name", "", 4, "見"},
      {"LfLines", "Text", "Name", "", 32, "見積書"},
  };
  for (const Case& c : cases) {
    char buffer[32];
    std::memset(buffer, '#', sizeof buffer);
    std::size_t n = platform::IniGetString(c.section, c.key, c.def, buffer, c.size, file);
    EXPECT_EQ(n, c.value.size()) << c.name;
    EXPECT_EQ(std::string(buffer), c.value) << c.name;
  }
  char list[64];
  std::size_t n = platform::IniGetString(nullptr, nullptr, "", list, sizeof list, file);
  EXPECT_EQ(std::string(list, n + 1), std::string("General\0general\0Text\0", 22));
  n = platform::IniGetString("General", nullptr, "", list, sizeof list, file);
  EXPECT_EQ(std::string(list, n + 1), std::string("Signature\0Empty\0", 17));
  EXPECT_EQ(platform::IniGetInt("Text", "Num", 7, file), -42);
  EXPECT_EQ(platform::IniGetInt("Text", "Bad", 7, file), 7);
  EXPECT_EQ(platform::IniGetString("General", "Signature", "", dir / "none.ini"), "");
}

TEST_F(IniTest, WritesWholeFilesWithCrLf) {
  std::string out = dir / "b.ini";
  ASSERT_TRUE(platform::IniWriteString("S", "K", "v1", out));
  ASSERT_TRUE(platform::IniWriteString("s", "k", "v2", out));
  ASSERT_TRUE(platform::IniWriteString("T", "X", "y", out));
  EXPECT_EQ(testing_support::ReadRaw(out), "[S]\r\nK=v2\r\n[T]\r\nX=y\r\n");
  ASSERT_TRUE(platform::IniWriteString("S", "K", nullptr, out));
  ASSERT_TRUE(platform::IniWriteString("T", nullptr, nullptr, out));
  EXPECT_EQ(testing_support::ReadRaw(out), "[S]\r\n");
  EXPECT_FALSE(platform::IniWriteString("S", "K", "v", dir / "none/b.ini"));
}

}  // namespace
