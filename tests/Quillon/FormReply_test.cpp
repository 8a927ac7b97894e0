#include "FormReply.h"

#include <gtest/gtest.h>

#include "DownloadRequest.h"
#include "MessageText.h"
#include "QuillonStrings.h"
#include "test_support.h"

namespace {

using testing_support::Show;

std::string Table(int id) { return controls::FormatMessageText(quillon::LoadString(id), {""}); }

TEST(FormReply, MarkersInTheirOrder) {
  const std::string fatal = "続行不能なエラーが発生しました。最初から処理をやり直して下さい。";
  struct Case {
    const char* name;
    std::string body;
    std::optional<std::string> expected;
  } cases[] = {
      {"GESE and UE0002: the first rule wins", "<p>GESE0001 UE0002</p>", fatal},
      {"CER010", "CER01001", fatal},
      {"LOUE with CER02003: the second rule wins", "LOUE CER02003", Table(3000)},
      {"CER02002", "x CER02002 y", Table(3000)},
      {"CER02003", "CER02003", Table(3001)},
      {"UE0003", "UE0003", Table(2025)},
      {"UE0016", "UE0016", Table(2025)},
      {"UE0040", "UE0040", Table(2025)},
      {"UE0009", "UE0009", Table(2026)},
      {"lower case is no marker", "gese ue0002", std::nullopt},
      {"an empty body", "", std::nullopt},
      {"a page of the file offered", "<p>ダウンロード</p>", std::nullopt},
  };
  for (const Case& c : cases) {
    std::optional<std::string> got = quillon::FormReplyMessage(c.body);
    ASSERT_EQ(got.has_value(), c.expected.has_value()) << c.name;
    if (got) {
      EXPECT_EQ(Show(*got), Show(*c.expected)) << c.name;
    }
  }
}

TEST(FormReply, NavigationErrors) {
  EXPECT_FALSE(quillon::FormNavigateErrorMessage("http://x/", 200).has_value());
  std::optional<std::string> negative = quillon::FormNavigateErrorMessage("http://x/a", -2146697211);
  ASSERT_TRUE(negative);
  EXPECT_EQ(Show(*negative), Show("登録サーバに接続できませんでした[http://x/a][800c0005]。\r\n"
                                  "システム管理者にお問い合わせください。(SE0015)"));
  std::optional<std::string> missing = quillon::FormNavigateErrorMessage("http://x/b", 404);
  ASSERT_TRUE(missing);
  EXPECT_EQ(Show(*missing), Show("登録サーバに接続できませんでした[http://x/b][404]。\r\n"
                                 "システム管理者にお問い合わせください。(SE0014)"));
  std::optional<std::string> minusOne = quillon::FormNavigateErrorMessage("u", -1);
  ASSERT_TRUE(minusOne);
  EXPECT_NE(minusOne->find("[ffffffff]"), std::string::npos);
}

TEST(DownloadRequest, BodyOfPairsWithoutATrailingSeparator) {
  struct Case {
    const char* name;
    quillon::DownloadRequestFields fields;
    std::string expected;
  } cases[] = {
      {"every field", {"C01", "S9", "M3", "DL_BTN", "2"}, "CGI_ID=C01&SES_ID=S9&MAP_ID=M3&DL_BTN=1&I01=2"},
      {"empty values stay empty", {"", "", "", "B", "1"}, "CGI_ID=&SES_ID=&MAP_ID=&B=1&I01=1"},
      {"bytes pass unescaped", {"a&b", "年", "=", "B", "1"}, "CGI_ID=a&b&SES_ID=年&MAP_ID==&B=1&I01=1"},
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> body = quillon::BuildDownloadRequestBody("&", c.fields);
    EXPECT_EQ(std::string(body.begin(), body.end()), c.expected) << c.name;
    EXPECT_NE(body.back(), 0) << "no terminating zero is sent";
  }
}

}  // namespace
