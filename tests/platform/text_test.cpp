#include "platform/text.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace {

TEST(Text, JapaneseLiteralIsCp932AtRunTime) {
  // "表" is 0x95 0x5C in CP932: its trail byte is "\".
  const std::string s = "表ソ";
  ASSERT_EQ(s.size(), 4u);
  EXPECT_EQ(static_cast<unsigned char>(s[0]), 0x95);
  EXPECT_EQ(static_cast<unsigned char>(s[1]), 0x5C);
  EXPECT_EQ(static_cast<unsigned char>(s[2]), 0x83);
  EXPECT_EQ(static_cast<unsigned char>(s[3]), 0x5C);
}

TEST(Text, LeadByteTable) {
  for (int c = 0; c < 256; ++c) {
    bool expected = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    EXPECT_EQ(platform::IsLeadByte(static_cast<unsigned char>(c)), expected) << c;
  }
}

TEST(Text, FindCharStepsOverDoubleByteCharacters) {
  const std::string s = "a表\\b";  // 61 95 5C 5C 62
  EXPECT_EQ(platform::FindChar(s, '\\'), 3u);
  EXPECT_EQ(platform::FindLastChar(s, '\\'), 3u);
  EXPECT_EQ(platform::FindChar("表", '\\'), std::string::npos);
}

TEST(Text, CutLengthNeverSplitsACharacter) {
  const std::string s = "ab表";
  EXPECT_EQ(platform::CutLength(s, 3), 2u);
  EXPECT_EQ(platform::CutLength(s, 4), 4u);
  EXPECT_EQ(platform::CutLength(s, 99), 4u);
  // A lone lead byte at the end counts as one byte.
  EXPECT_EQ(platform::CutLength(std::string("a\x95"), 2), 2u);
}

TEST(Text, ConversionRoundTripAndFailure) {
  std::string utf8, back;
  ASSERT_TRUE(platform::Cp932ToUtf8("見積保存ファイル展開", utf8));
  EXPECT_EQ(utf8, "\xE8\xA6\x8B\xE7\xA9\x8D\xE4\xBF\x9D\xE5\xAD\x98\xE3\x83\x95\xE3\x82\xA1\xE3\x82\xA4\xE3\x83\xAB"
                  "\xE5\xB1\x95\xE9\x96\x8B");
  ASSERT_TRUE(platform::Utf8ToCp932(utf8, back));
  EXPECT_EQ(back, "見積保存ファイル展開");
  std::string out = "x";
  EXPECT_FALSE(platform::Cp932ToUtf8(std::string("\x81\x20"), out));  // 0x81 0x20 is no character
  EXPECT_FALSE(platform::Cp932ToUtf8(std::string("a\x95"), out));     // truncated double-byte character
  EXPECT_FALSE(platform::Utf8ToCp932("\xF0\x9F\x98\x80", out));       // no CP932 form
  EXPECT_EQ(testing_support::Show("表"), "\xE8\xA1\xA8");
}

// Seven-bit bytes are the same in both: the backslash and the tilde too, as the converter maps them.
TEST(Text, SevenBitTextConvertsToItself) {
  std::string all;
  for (int c = 1; c < 0x80; ++c) all += static_cast<char>(c);
  std::string utf8, back, mixed;
  ASSERT_TRUE(platform::Cp932ToUtf8(all, utf8));
  EXPECT_EQ(utf8, all);
  ASSERT_TRUE(platform::Utf8ToCp932(all, back));
  EXPECT_EQ(back, all);
  // Mixed with a double-byte character the converter still runs, and gives the same seven-bit bytes.
  ASSERT_TRUE(platform::Cp932ToUtf8(all + "表", mixed));
  EXPECT_EQ(mixed, all + "\xE8\xA1\xA8");
}

TEST(Text, Utf16Conversion) {
  struct Case {
    const char* name;
    std::string cp932;
    std::u16string utf16;
  } cases[] = {
      {"Empty", "", u""},
      {"Ascii", "GetStatus", u"GetStatus"},
      // "～" is 0x8160 in CP932 and U+FF5E, "表" carries the trail byte 0x5C, "ｶ" is a single-byte kana.
      {"Japanese", "見積～表ｶ", u"見積\uFF5E表\uFF76"},
  };
  for (const Case& c : cases) {
    std::u16string utf16;
    std::string back;
    ASSERT_TRUE(platform::Cp932ToUtf16(c.cp932, utf16)) << c.name;
    EXPECT_EQ(utf16, c.utf16) << c.name;
    ASSERT_TRUE(platform::Utf16ToCp932(utf16, back)) << c.name;
    EXPECT_EQ(back, c.cp932) << c.name;
  }
  std::u16string u16 = u"x";
  std::string out = "x";
  EXPECT_FALSE(platform::Cp932ToUtf16(std::string("a\x95"), u16));
  EXPECT_TRUE(u16.empty());
  EXPECT_FALSE(platform::Utf16ToCp932(u"\U0001F600", out));      // no CP932 form
  EXPECT_FALSE(platform::Utf16ToCp932(std::u16string(1, u'\xD800'), out));  // a lone surrogate
  EXPECT_TRUE(out.empty());
}

}  // namespace
