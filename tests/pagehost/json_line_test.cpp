// The lines vekpage prints: JSON strings escaped, values by type, and each kind of line in its fixed form.
#include "json_line.h"

#include <gtest/gtest.h>

namespace {

using namespace pagehost;
namespace com = platform::com;
namespace ui = platform::ui;

TEST(JsonString, EscapesWhatJsonMustAndKeepsUtf8) {
  struct Row {
    const char* name;
    std::string in;
    const char* out;
  };
  const Row rows[] = {
      {"plain", "abc", "\"abc\""},
      {"quote and backslash", "a\"b\\c", "\"a\\\"b\\\\c\""},
      {"named controls", "\b\f\n\r\t", "\"\\b\\f\\n\\r\\t\""},
      {"other controls", std::string("\x01\x1f\x7f", 3) + std::string(1, '\0'), "\"\\u0001\\u001f\\u007f\\u0000\""},
      {"slash stays", "/a/b", "\"/a/b\""},
      {"utf-8 stays", "\xE5\x86\x99\xF0\x9F\x98\x80", "\"\xE5\x86\x99\xF0\x9F\x98\x80\""},
      {"stray bytes become U+FFFD", "a\x82\xA0z\xC0\xAF", "\"a\xEF\xBF\xBD\xEF\xBF\xBDz\xEF\xBF\xBD\xEF\xBF\xBD\""},
      {"cut sequence", "a\xE5\x86", "\"a\xEF\xBF\xBD\xEF\xBF\xBD\""},
  };
  for (const Row& r : rows) EXPECT_EQ(JsonString(r.in), r.out) << r.name;
}

TEST(JsonLines, EachKindInItsForm) {
  EXPECT_EQ(EventLine("Quillon1", "OnStatusChanged", {com::Variant::UI4(1), com::Variant::Text("")}),
            "{\"object\":\"Quillon1\",\"event\":\"OnStatusChanged\",\"args\":[1,\"\"]}");
  EXPECT_EQ(EventLine("T", "OnCallRegist", {com::Variant::Text("\t"), com::Variant::Text("写真\t1")}),
            "{\"object\":\"T\",\"event\":\"OnCallRegist\",\"args\":[\"\\t\",\"\xE5\x86\x99\xE7\x9C\x9F\\t1\"]}");
  EXPECT_EQ(EventLine("Q", "E", {com::Variant::I4(-5), com::Variant::Bool(true), com::Variant()}),
            "{\"object\":\"Q\",\"event\":\"E\",\"args\":[-5,true,null]}");
  EXPECT_EQ(EventLine("Q", "OnScrollResizeInfo", {}), "{\"object\":\"Q\",\"event\":\"OnScrollResizeInfo\",\"args\":[]}");

  ui::MessageBoxRequest box{"保存しますか？\n\"a\"", "ヴィストレル", ui::BoxIcon::Question, ui::BoxButtons::OkCancel, 1};
  EXPECT_EQ(BoxLine("Q", box, ui::BoxAnswer::Cancel),
            "{\"object\":\"Q\",\"box\":{\"text\":\"\xE4\xBF\x9D\xE5\xAD\x98\xE3\x81\x97\xE3\x81\xBE\xE3\x81\x99"
            "\xE3\x81\x8B\xEF\xBC\x9F\\n\\\"a\\\"\",\"title\":\"\xE3\x83\xB4\xE3\x82\xA3\xE3\x82\xB9\xE3\x83\x88"
            "\xE3\x83\xAC\xE3\x83\xAB\",\"icon\":\"question\",\"buttons\":\"okcancel\",\"answer\":\"Cancel\"}}");
  ui::MessageBoxRequest stop{"x", "t", ui::BoxIcon::Stop, ui::BoxButtons::Ok, 0};
  EXPECT_EQ(BoxLine("", stop, ui::BoxAnswer::Ok),
            "{\"object\":null,\"box\":{\"text\":\"x\",\"title\":\"t\",\"icon\":\"stop\",\"buttons\":\"ok\","
            "\"answer\":\"OK\"}}");
  ui::MessageBoxRequest yesNo{"x", "t", ui::BoxIcon::Exclamation, ui::BoxButtons::YesNo, 0};
  EXPECT_NE(BoxLine("Q", yesNo, ui::BoxAnswer::No).find("\"icon\":\"exclamation\",\"buttons\":\"yesno\",\"answer\":\"No\""),
            std::string::npos);

  const std::string path = "/tmp/見積.vek";
  EXPECT_EQ(DialogLine("Q", "open", &path),
            "{\"object\":\"Q\",\"dialog\":\"open\",\"answer\":\"/tmp/\xE8\xA6\x8B\xE7\xA9\x8D.vek\"}");
  EXPECT_EQ(DialogLine("Q", "download", nullptr), "{\"object\":\"Q\",\"dialog\":\"download\",\"answer\":null}");
  EXPECT_EQ(ResultLine(com::Variant::UI4(1)), "{\"result\":1}");
  EXPECT_EQ(ResultLine(com::Variant::Text("")), "{\"result\":\"\"}");
  EXPECT_EQ(ResultLine(com::Variant()), "{\"result\":null}");
  EXPECT_EQ(ErrorLine("line 2: \"x\""), "{\"error\":\"line 2: \\\"x\\\"\"}");
}

TEST(ValueText, IsWhatWaitComparesWith) {
  std::string text;
  ASSERT_TRUE(ValueText(com::Variant::UI4(4000000000u), text));
  EXPECT_EQ(text, "4000000000");
  ASSERT_TRUE(ValueText(com::Variant::I4(-1), text));
  EXPECT_EQ(text, "-1");
  ASSERT_TRUE(ValueText(com::Variant::Bool(false), text));
  EXPECT_EQ(text, "false");
  ASSERT_TRUE(ValueText(com::Variant::Text("写真"), text));
  EXPECT_EQ(text, "\xE5\x86\x99\xE7\x9C\x9F");
  EXPECT_FALSE(ValueText(com::Variant(), text));
}

}  // namespace
