// Values written through IniQuoteValue read back as they were; IniValueToInt reads as GetPrivateProfileInt.
#include <gtest/gtest.h>

#include <string>

#include "platform/ini.h"

namespace {

TEST(IniQuote, ValuesReadBackUnchanged) {
  struct Case {
    const char* name;
    std::string value;
    std::string written;
  } cases[] = {
      {"Plain", "abc", "abc"},
      {"Empty", "", ""},
      {"LeadingBlank", " a", "\" a\""},
      {"TrailingTab", "a\t", "\"a\t\""},
      {"Quoted", "\"a\"", "\"\"a\"\""},
      {"OneQuote", "'a", "\"'a\""},
      {"InnerBlanks", "a b", "a b"},
      {"DoubleByteLast", "表", "表"},
      {"FullWidthBlank", "　山田　", "　山田　"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::IniQuoteValue(c.value), c.written) << c.name;
    platform::IniDocument doc;
    doc.Set("S", "K", platform::IniQuoteValue(c.value));
    platform::IniDocument back = platform::IniDocument::Parse(doc.Serialize());
    const platform::IniEntry* e = back.FindEntry("S", "K");
    ASSERT_NE(e, nullptr) << c.name;
    EXPECT_EQ(e->value, c.value) << c.name;
  }
}

TEST(IniQuote, ValueToInt) {
  struct Case {
    const char* value;
    int expected;
  } cases[] = {{"", 7}, {"12", 12}, {"-1", -1}, {"+3", 3}, {"1abc", 1}, {"abc", 0}, {"4294967297", 1}};
  for (const Case& c : cases) EXPECT_EQ(platform::IniValueToInt(c.value, 7), c.expected) << c.value;
}

}  // namespace
