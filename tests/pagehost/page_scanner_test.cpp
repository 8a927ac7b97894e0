// The page scanner: objects and params as pages write them, entities, charsets, and the pages it refuses.
#include "page_scanner.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include "charset.h"
#include "platform/com/guid.h"
#include "platform/text.h"
#include "test_support.h"

namespace {

using namespace pagehost;
using testing_support::Show;

constexpr auto kQuillon = platform::com::MakeGuid("{9850172F-5180-4D4F-BFB6-3CB39E817481}");
constexpr auto kTamsel = platform::com::MakeGuid("{94E256C8-26C8-41C0-B698-BC6C97F35128}");

std::string Utf8(const std::string& cp932) {
  std::string out;
  EXPECT_TRUE(platform::Cp932ToUtf8(cp932, out));
  return out;
}

std::string EucJp(const std::string& cp932) {
  iconv_t cd = iconv_open("EUC-JP", "CP932");
  std::string out(cp932.size() * 3, '\0');
  char* in = const_cast<char*>(cp932.data());
  char* o = out.data();
  std::size_t inLeft = cp932.size(), outLeft = out.size();
  EXPECT_NE(iconv(cd, &in, &inLeft, &o, &outLeft), static_cast<std::size_t>(-1));
  iconv_close(cd);
  out.resize(out.size() - outLeft);
  return out;
}

using Params = std::vector<std::pair<std::string, std::string>>;

Params ParamsOf(const PageObject& o) {
  Params out;
  for (const PageParam& p : o.params) out.emplace_back(p.name, p.value);
  return out;
}

struct ObjectCase {
  const char* name;
  std::string page;  // CP932 (no charset declared: read as Shift_JIS)
  std::vector<std::string> ids;
  std::vector<platform::com::CLSID> clsids;
  Params firstParams;
};

void PrintTo(const ObjectCase& c, std::ostream* os) { *os << c.name; }

class ObjectScan : public testing::TestWithParam<ObjectCase> {};

TEST_P(ObjectScan, FindsObjectsAndTheirParams) {
  const ObjectCase& c = GetParam();
  Page page;
  std::string error;
  ASSERT_TRUE(ScanPage(c.page, page, error)) << error;
  ASSERT_EQ(page.objects.size(), c.ids.size());
  for (std::size_t i = 0; i < c.ids.size(); ++i) {
    EXPECT_EQ(page.objects[i].id, c.ids[i]);
    EXPECT_EQ(page.objects[i].clsid, c.clsids[i]);
  }
  if (!c.ids.empty()) {
    EXPECT_EQ(ParamsOf(page.objects[0]), c.firstParams);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Pages, ObjectScan,
    testing::Values(
        ObjectCase{"DoubleQuotesNoBraces",
                   "<object id=\"Quillon1\" classid=\"clsid:9850172F-5180-4D4F-BFB6-3CB39E817481\">"
                   "<param name=\"FuncID\" value=\"0\"></object>",
                   {"Quillon1"}, {kQuillon}, {{"FuncID", "0"}}},
        ObjectCase{"BracesCaseAndOtherQuotes",
                   "<OBJECT ID='Q' CLASSID=CLSID:{9850172f-5180-4d4f-bfb6-3cb39e817481} WIDTH=10>\n"
                   "<PARAM NAME=FuncID VALUE=3><Param Name = 'ImageFolder' Value = \"/a b\" /></OBJECT>",
                   {"Q"}, {kQuillon}, {{"FuncID", "3"}, {"ImageFolder", "/a b"}}},
        ObjectCase{"Entities",
                   "<object id=\"a&amp;b\" classid=\"clsid:9850172F-5180-4D4F-BFB6-3CB39E817481\">"
                   "<param name=\"V\" value=\"&amp;&lt;&gt;&quot;&apos;&#39;&#x41;&#66;x\">"
                   "<param name=\"Kept\" value=\"&foo; &amp &#; a&b\"></object>",
                   {"a&b"}, {kQuillon}, {{"V", "&<>\"''ABx"}, {"Kept", "&foo; &amp &#; a&b"}}},
        ObjectCase{"JapaneseValueAndNumericReference",
                   "<object id=\"Q\" classid=\"clsid:9850172F-5180-4D4F-BFB6-3CB39E817481\">"
                   "<param name=\"DBComment\" value=\"見積&#x5199;真\"></object>",
                   {"Q"}, {kQuillon}, {{"DBComment", "見積写真"}}},
        ObjectCase{"TwoObjectsInPageOrder",
                   "<object id=\"T\" classid=\"clsid:94E256C8-26C8-41C0-B698-BC6C97F35128\"><param name=A value=1>"
                   "</object><p><object id=\"Q\" classid=\"clsid:9850172F-5180-4D4F-BFB6-3CB39E817481\">"
                   "<param name=B value=2></object>",
                   {"T", "Q"}, {kTamsel, kQuillon}, {{"A", "1"}}},
        ObjectCase{"ParamsOutsideOrWithoutNameAreNoneOfIts",
                   "<param name=Before value=x><object id=\"Q\" classid=\"clsid:9850172F-5180-4D4F-BFB6-3CB39E817481\">"
                   "<param value=noname><param name=NoValue></object><param name=After value=y>",
                   {"Q"}, {kQuillon}, {{"NoValue", ""}}},
        ObjectCase{"OtherObjectsArePassedOverWithTheirParams",
                   "<object id=\"svg\" data=\"a.svg\"><param name=X value=1></object>"
                   "<object id=\"Q\" classid=\"clsid:9850172F-5180-4D4F-BFB6-3CB39E817481\"></object>",
                   {"Q"}, {kQuillon}, {}},
        ObjectCase{"CommentsScriptsAndTextHideNoMarkup",
                   "<!-- <object id=\"C\" classid=\"clsid:94E256C8-26C8-41C0-B698-BC6C97F35128\"> -->"
                   "<script>document.write('<object id=\"S\" classid=\"clsid:94E256C8-26C8-41C0-B698-BC6C97F35128\">')"
                   "</SCRIPT>a < b<object id=\"Q\" classid=\"clsid:9850172F-5180-4D4F-BFB6-3CB39E817481\">",
                   {"Q"}, {kQuillon}, {}},
        ObjectCase{"NoObjects", "<html><body>nothing</body></html>", {}, {}, {}}),
    [](const testing::TestParamInfo<ObjectCase>& i) { return std::string(i.param.name); });

struct CharsetCase {
  const char* name;
  std::string page;
  const char* charset;   // iconv name used
  const char* declared;  // as the page wrote it
};

void PrintTo(const CharsetCase& c, std::ostream* os) { *os << c.name; }

class CharsetScan : public testing::TestWithParam<CharsetCase> {};

TEST_P(CharsetScan, ReadsThePageInItsCharset) {
  const CharsetCase& c = GetParam();
  Page page;
  std::string error;
  ASSERT_TRUE(ScanPage(c.page, page, error)) << error;
  EXPECT_EQ(page.charset, c.charset);
  EXPECT_EQ(page.declared, c.declared);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, CharsetScan,
    testing::Values(CharsetCase{"None", "<html></html>", "CP932", ""},
                    CharsetCase{"MetaCharset", "<meta charset=\"UTF-8\">", "UTF-8", "UTF-8"},
                    CharsetCase{"ContentType",
                                "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=EUC-JP\">",
                                "EUC-JP", "EUC-JP"},
                    CharsetCase{"ShiftJisAlias", "<meta http-equiv=content-type content='text/html;charset=x-sjis'>",
                                "CP932", "x-sjis"},
                    CharsetCase{"FirstMetaWins", "<meta charset=euc-jp><meta charset=utf-8>", "EUC-JP", "euc-jp"},
                    CharsetCase{"CommentedMetaCountsNot", "<!-- <meta charset=utf-8> -->", "CP932", ""},
                    CharsetCase{"ByteOrderMark", "\xEF\xBB\xBF<meta charset=Shift_JIS>", "UTF-8", "Shift_JIS"},
                    CharsetCase{"UnknownIsShiftJis", "<meta charset=\"no-such-charset\">", "CP932",
                                "no-such-charset"}),
    [](const testing::TestParamInfo<CharsetCase>& i) { return std::string(i.param.name); });

TEST(PageCharset, JapaneseReachesTheControlAlikeFromEveryCharset) {
  const std::string body =
      "<object id=\"写真1\" classid=\"clsid:9850172F-5180-4D4F-BFB6-3CB39E817481\">"
      "<param name=\"ImageFolder\" value=\"/データ/画像\"><param name=\"DBComment\" value=\"ﾃｽﾄ　見積\"></object>";
  struct Variant {
    const char* name;
    std::string bytes;
  };
  const Variant pages[] = {
      {"shift_jis", "<meta charset=Shift_JIS>" + body},
      {"none", body},
      {"utf-8", Utf8("<meta charset=\"utf-8\">" + body)},
      {"euc-jp", EucJp("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=EUC-JP\">" + body)},
  };
  for (const Variant& v : pages) {
    SCOPED_TRACE(v.name);
    Page page;
    std::string error;
    ASSERT_TRUE(ScanPage(v.bytes, page, error)) << error;
    ASSERT_EQ(page.objects.size(), 1u);
    EXPECT_EQ(page.objects[0].id, Utf8("写真1"));
    ASSERT_EQ(page.objects[0].params.size(), 2u);
    EXPECT_EQ(Show(page.objects[0].params[0].value), Show("/データ/画像"));
    EXPECT_EQ(Show(page.objects[0].params[1].value), Show("ﾃｽﾄ　見積"));
  }
}

TEST(PageCharset, CharactersWithoutAShiftJisFormBecomeQuestionMarks) {
  Page page;
  std::string error;
  ASSERT_TRUE(ScanPage("<meta charset=utf-8><object id=Q classid=clsid:9850172F-5180-4D4F-BFB6-3CB39E817481>"
                       "<param name=N value=\"a&#x1F600;b\xF0\x9F\x98\x80\xFF\">",
                       page, error))
      << error;
  ASSERT_EQ(page.objects.size(), 1u);
  EXPECT_EQ(page.objects[0].params.at(0).value, "a?b??");
  EXPECT_EQ(page.warnings.size(), 1u);
}

struct RefusedCase {
  const char* name;
  std::string page;
  const char* error;
};

void PrintTo(const RefusedCase& c, std::ostream* os) { *os << c.name; }

class RefusedPage : public testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedPage, SaysWhy) {
  Page page;
  std::string error;
  EXPECT_FALSE(ScanPage(GetParam().page, page, error));
  EXPECT_EQ(error, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, RefusedPage,
    testing::Values(
        RefusedCase{"NoId", "<p>\n\n<object classid=\"clsid:9850172F-5180-4D4F-BFB6-3CB39E817481\">",
                    "line 3: <object> without an id"},
        RefusedCase{"NoGuid", "<object id=Q classid=\"clsid:9850172F-5180\">",
                    "line 1: class id \"9850172F-5180\" is no GUID"},
        RefusedCase{"SameIdTwice",
                    "<object id=Q classid=\"clsid:9850172F-5180-4D4F-BFB6-3CB39E817481\"></object>\n"
                    "<object id=Q classid=\"clsid:94E256C8-26C8-41C0-B698-BC6C97F35128\"></object>",
                    "line 2: a second <object> with the id \"Q\""}),
    [](const testing::TestParamInfo<RefusedCase>& i) { return std::string(i.param.name); });

TEST(Entities, DecodeReferencesAndKeepTheRest) {
  struct Row {
    const char* in;
    const char* out;
  };
  const Row rows[] = {
      {"&lt;&gt;&amp;&quot;&apos;", "<>&\"'"},
      {"&#65;&#x42;&#X43;&#68", "ABCD"},
      {"&#0;&#xD800;&#x110000;", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"&nbsp;", "\xC2\xA0"},
      {"&unknown; &amp &#x; &", "&unknown; &amp &#x; &"},
  };
  for (const Row& r : rows) EXPECT_EQ(DecodeEntities(r.in), r.out) << r.in;
}

}  // namespace
