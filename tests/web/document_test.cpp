#include "platform/web/document.h"

#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace {

using platform::web::ParseDocument;
using testing_support::Show;

// "日本" in each charset; the tests' literals are CP932.
const std::string kEucNihon = "\xC6\xFC\xCB\xDC";
const std::string kUtf8Nihon = "\xE6\x97\xA5\xE6\x9C\xAC";

struct CharsetCase {
  const char* name;
  std::string bytes;
  const char* contentType;
  std::string innerHtml;  // CP932
};

void PrintTo(const CharsetCase& c, std::ostream* os) { *os << c.name; }

class DocumentCharset : public testing::TestWithParam<CharsetCase> {};

TEST_P(DocumentCharset, DecodesToCp932) {
  const CharsetCase& c = GetParam();
  auto doc = ParseDocument(c.bytes, c.contentType);
  EXPECT_EQ(doc->BodyInnerHtml(), c.innerHtml) << Show(doc->BodyInnerHtml());
}

const std::string kMetaEuc = "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=EUC-JP\">";

INSTANTIATE_TEST_SUITE_P(
    Cases, DocumentCharset,
    testing::Values(
        CharsetCase{"HeaderEucJp", "<body>" + kEucNihon + "</body>", "text/html; charset=EUC-JP", "日本"},
        CharsetCase{"HeaderQuotedLabel", "<body>" + kEucNihon + "</body>", "text/html; charset=\"x-euc-jp\"",
                    "日本"},
        CharsetCase{"HeaderBeatsMeta", "<head><meta charset=Shift_JIS></head><body>" + kEucNihon + "</body>",
                    "text/html; Charset=euc-jp", "日本"},
        CharsetCase{"MetaHttpEquiv", "<html><head>" + kMetaEuc + "</head><body>" + kEucNihon + "</body>",
                    "text/html", "日本"},
        CharsetCase{"MetaCharsetAttribute", "<meta charset='utf-8'><body>" + kUtf8Nihon + "</body>", "text/html",
                    "日本"},
        CharsetCase{"UnknownHeaderLabelLeavesItToMeta", kMetaEuc + "<body>" + kEucNihon + "</body>",
                    "text/html; charset=x-no-such", "日本"},
        CharsetCase{"NoDeclarationIsShiftJis", "<body>登録</body>", "text/html", "登録"},
        CharsetCase{"NoContentTypeIsShiftJis", "<body>登録</body>", "", "登録"},
        CharsetCase{"Windows31jLabel", "<body>登録</body>", "text/html; charset=Windows-31J", "登録"},
        CharsetCase{"ByteOrderMark", "\xEF\xBB\xBF<body>" + kUtf8Nihon + "</body>", "text/html", "日本"},
        // The vendor rows: NEC's circled digit in EUC-JP, IBM's small roman numeral in Shift_JIS.
        CharsetCase{"NecRowOfEucJp", "<body>\xAD\xA1</body>", "text/html; charset=EUC-JP", "①"},
        CharsetCase{"IbmRowOfShiftJis", "<body>\xFA\x40</body>", "text/html; charset=Shift_JIS", "\xFA\x40"},
        // 0x81 0x20 is no character: the lead byte alone is replaced.
        CharsetCase{"UndecodableByte", "<body>a\x81 b</body>", "text/html; charset=Shift_JIS", "a? b"},
        CharsetCase{"CharacterWithoutCp932Form", "<body>a\xF0\x9F\x98\x80" "b</body>", "text/html; charset=utf-8",
                    "a?b"}),
    [](const testing::TestParamInfo<CharsetCase>& info) { return info.param.name; });

TEST(DocumentCharset, MetaAfterTheFirst1024BytesIsNotRead) {
  std::string page = "<!--" + std::string(1100, 'x') + "-->" + kMetaEuc + "<body>" + kEucNihon + "</body>";
  EXPECT_NE(ParseDocument(page, "text/html")->BodyInnerHtml(), "日本");
  page = "<!--" + std::string(900, 'x') + "-->" + kMetaEuc + "<body>" + kEucNihon + "</body>";
  EXPECT_EQ(ParseDocument(page, "text/html")->BodyInnerHtml(), "日本");
}

struct InnerCase {
  const char* name;
  std::string html;
  std::string innerHtml;
};

void PrintTo(const InnerCase& c, std::ostream* os) { *os << c.name; }

class DocumentInnerHtml : public testing::TestWithParam<InnerCase> {};

TEST_P(DocumentInnerHtml, IsTheBodysContent) {
  const InnerCase& c = GetParam();
  auto doc = ParseDocument(c.html, "text/html; charset=Shift_JIS");
  EXPECT_EQ(doc->BodyInnerHtml(), c.innerHtml) << Show(doc->BodyInnerHtml());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DocumentInnerHtml,
    testing::Values(
        InnerCase{"ReplyPage", "<html><body>SENDOK<input type=hidden name=CGI_ID value=C1></body></html>",
                  "SENDOK<input type=\"hidden\" name=\"CGI_ID\" value=\"C1\">"},
        InnerCase{"HeadStaysOut", "<html><head><title>T</title></head><body>SENDNG</body></html>", "SENDNG"},
        // Text outside every element belongs to the body, as a browser puts it, not to a paragraph.
        InnerCase{"BareText", "SENDOK<br>x", "SENDOK<br>x"},
        InnerCase{"TextAfterHead", "<html><head><title>T</title></head>SENDOK</html>", "SENDOK"},
        InnerCase{"ParagraphsOfThePage", "<body><p>a</p>b</body>", "<p>a</p>b"},
        InnerCase{"Entities", "<body>a &amp; b &lt;c&gt; &nbsp;d</body>", "a &amp; b &lt;c&gt; &nbsp;d"},
        InnerCase{"LeadingWhitespaceKept", "<body>\nSENDOK</body>", "\nSENDOK"},
        InnerCase{"Japanese", "<body>登録<b>済</b></body>", "登録<b>済</b>"},
        InnerCase{"EmptyBody", "<html><body></body></html>", ""},
        InnerCase{"NoBytes", "", ""}),
    [](const testing::TestParamInfo<InnerCase>& info) { return info.param.name; });

TEST(DocumentItem, FindsElementsByNameOrIdInDocumentOrder) {
  auto doc = ParseDocument(
      "<html><body>SENDNG<input type=hidden name=CGI_ID value=\"A&amp;B\">"
      "<INPUT TYPE=HIDDEN NAME=ERR_MSG VALUE=\"行1<BR>行2\"><input name=BTN_ID>"
      "<div id=BTN_NM>x</div><input type=hidden name=CGI_ID value=second></body></html>",
      "text/html; charset=Shift_JIS");
  const platform::web::Element* e = doc->Item("CGI_ID", 0);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->tagName, "INPUT");
  EXPECT_EQ(e->type, "hidden");
  EXPECT_EQ(e->value, "A&B");
  ASSERT_NE(doc->Item("CGI_ID", 1), nullptr);
  EXPECT_EQ(doc->Item("CGI_ID", 1)->value, "second");
  EXPECT_EQ(doc->Item("CGI_ID", 2), nullptr);
  EXPECT_EQ(doc->Item("CGI_ID", -1), nullptr);

  e = doc->Item("ERR_MSG");
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->type, "hidden");  // as the page wrote it, in lower case
  EXPECT_EQ(e->value, "行1<BR>行2") << Show(e->value);

  e = doc->Item("BTN_ID");
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->type, "text");  // an INPUT without a type
  EXPECT_EQ(e->value, "");

  e = doc->Item("BTN_NM");  // by its id
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->tagName, "DIV");
  EXPECT_EQ(e->type, "");

  EXPECT_EQ(doc->Item("cgi_id"), nullptr);
  EXPECT_EQ(doc->Item("missing"), nullptr);
}

TEST(DocumentItem, AnElementWhoseTagIsCutIsNotComplete) {
  struct Case {
    const char* name;
    const char* html;
    const char* value;  // of CGI_ID
    bool complete;
  } cases[] = {
      {"whole", "<html><body>SENDOK<input type=\"hidden\" name=\"CGI_ID\" value=\"AB\"></body></html>", "AB", true},
      {"self-closed", "SENDOK<input type=hidden name=CGI_ID value=\"AB\"/>", "AB", true},
      {"bare, the parser implying html and body", "SENDOK<input type=hidden name=CGI_ID value=AB>", "AB", true},
      {"cut in the value, the page's end taken in",
       "<html><body>SENDOK<input type=\"hidden\" name=\"CGI_ID\" value=\"AB</body></html>", "AB</body></html>",
       false},
      {"cut after the value", "<html><body>SENDOK<input type=\"hidden\" name=\"CGI_ID\" value=\"AB\"", "AB", false},
      {"cut after the name", "SENDOK<input type=hidden name=CGI_ID", "", false},
  };
  for (const Case& c : cases) {
    auto doc = ParseDocument(c.html, "text/html; charset=Shift_JIS");
    const platform::web::Element* e = doc->Item("CGI_ID");
    ASSERT_NE(e, nullptr) << c.name;
    EXPECT_EQ(e->value, c.value) << c.name;
    EXPECT_EQ(e->complete, c.complete) << c.name;
  }
  // The elements of a whole page, those the parser adds included, are complete.
  auto doc = ParseDocument("SENDOK<input type=hidden name=CGI_ID value=AB>", "text/html");
  for (const platform::web::Element& e : doc->All()) EXPECT_TRUE(e.complete) << e.tagName;
}

TEST(DocumentItem, ValuesReachTheCallerAsCp932) {
  auto doc = ParseDocument(
      "<body><input type=hidden name=ERR_MSG value=\"" + kEucNihon + "\xAD\xA1\">"
      "<input type=hidden name=U value=\"&#x1F600;&#x65E5;\"></body>",
      "text/html; charset=EUC-JP");
  ASSERT_NE(doc->Item("ERR_MSG"), nullptr);
  EXPECT_EQ(doc->Item("ERR_MSG")->value, "日本①");
  ASSERT_NE(doc->Item("U"), nullptr);
  EXPECT_EQ(doc->Item("U")->value, "?日");
}

TEST(Document, EmptyPageHasNothing) {
  platform::web::Document blank;
  EXPECT_EQ(blank.BodyInnerHtml(), "");
  EXPECT_EQ(blank.Item("CGI_ID"), nullptr);
}

TEST(Document, PlainTextIsShownAsItIs) {
  auto doc = platform::web::ParseTextDocument("SENDOK a<b & c\n" + kEucNihon, "text/plain; charset=EUC-JP");
  EXPECT_EQ(doc->BodyInnerHtml(), "<pre>SENDOK a&lt;b &amp; c\n日本</pre>");
}

}  // namespace
