#include "ServerReply.h"

#include <gtest/gtest.h>

#include <map>


namespace {

using namespace quillon;

TEST(ReadServerReply, OnlyHiddenInputsGiveTheirValues) {
  std::map<std::string, ReplyElement> page = {
      {"CGI_ID", {"INPUT", "hidden", "c1"}},       // as the browser names tag and type
      {"ERR_MSG", {"input", "HIDDEN", "a<BR>b"}},  // either case
      {"BTN_ID", {"INPUT", "text", "shown"}},      // a visible input
      {"BTN_NM", {"DIV", "", "no input"}},
  };
  ServerReply r = ReadServerReply("SENDNG", [&](const std::string& name) -> std::optional<ReplyElement> {
    auto it = page.find(name);
    if (it == page.end()) return std::nullopt;
    return it->second;
  });
  EXPECT_EQ(r.body, "SENDNG");
  EXPECT_EQ(r.cgiId, "c1");
  EXPECT_EQ(r.errMsg, "a<BR>b");
  EXPECT_EQ(r.btnId, "");
  EXPECT_EQ(r.btnNm, "");
  r = ReadServerReply("", [&](const std::string&) { return std::optional<ReplyElement>(); });
  EXPECT_EQ(r.cgiId, "");
  EXPECT_EQ(ReadServerReply("x", nullptr).errMsg, "");
}

TEST(ReadServerReply, AReplyWithACutInputIsNotWholeAndCannotBeRead) {
  struct Case {
    const char* name;
    std::string body;
    const char* cut;  // the input whose tag was cut
    ReplyKind kind;
  } cases[] = {
      {"SENDOK, CGI_ID cut", "SENDOK", "CGI_ID", ReplyKind::Unknown},
      {"SENDNG, BTN_NM cut", "SENDNG", "BTN_NM", ReplyKind::Unknown},
      {"SENDNG, ERR_MSG cut", "SENDNG", "ERR_MSG", ReplyKind::Unknown},
      {"a marker page does not read the inputs", "CER02002", "CGI_ID", ReplyKind::BadTransition},
      {"whole", "SENDOK", nullptr, ReplyKind::Accepted},
  };
  for (const Case& c : cases) {
    ServerReply r = ReadServerReply(c.body, [&](const std::string& name) -> std::optional<ReplyElement> {
      return ReplyElement{"INPUT", "hidden", name + "-value", !c.cut || name != c.cut};
    });
    EXPECT_EQ(r.whole, c.cut == nullptr) << c.name;
    if (c.cut) {
      EXPECT_EQ(c.cut == std::string("CGI_ID") ? r.cgiId : c.cut == std::string("BTN_NM") ? r.btnNm : r.errMsg, "")
          << c.name << ": no value from a cut input";
    }
    EXPECT_EQ(ClassifyReply(r).kind, c.kind) << c.name;
  }
}

const char* KindName(ReplyKind k) {
  switch (k) {
    case ReplyKind::Accepted: return "Accepted";
    case ReplyKind::Refused: return "Refused";
    case ReplyKind::RefusedWithReturn: return "RefusedWithReturn";
    case ReplyKind::ServiceClosed: return "ServiceClosed";
    case ReplyKind::SystemError: return "SystemError";
    case ReplyKind::BadTransition: return "BadTransition";
    case ReplyKind::NotLoggedIn: return "NotLoggedIn";
    case ReplyKind::Unknown: return "Unknown";
  }
  return "?";
}

// The dialog's reply table, row by row, with the order between its markers.
TEST(ClassifyReply, Table) {
  struct Case {
    const char* name;
    std::string body;
    std::string btnId;
    ReplyKind kind;
    std::string code;
  } cases[] = {
      {"SENDOK", "SENDOK", "", ReplyKind::Accepted, ""},
      {"SENDOK beats every marker", "SENDOK GESE00000001 UE0003 CER02002", "", ReplyKind::Accepted, ""},
      {"SENDOK with a button id", "SENDOK", "V", ReplyKind::Accepted, ""},
      {"SENDOK only at the start", " SENDOK", "", ReplyKind::Unknown, ""},
      {"SENDOK inside the text", "xSENDOKx", "", ReplyKind::Unknown, ""},
      {"SENDNG without a button", "SENDNG<input type=hidden>", "", ReplyKind::Refused, ""},
      {"SENDNG with a button", "SENDNG", "V", ReplyKind::RefusedWithReturn, ""},
      {"SENDNG beats the markers", "SENDNG UE0016", "", ReplyKind::Refused, ""},
      {"UE0003", "error UE0003", "", ReplyKind::ServiceClosed, ""},
      {"UE0016", "UE0016", "", ReplyKind::ServiceClosed, ""},
      {"UE0040", "..UE0040..", "", ReplyKind::ServiceClosed, ""},
      {"UE0016 before CER02002", "CER02002 UE0016", "", ReplyKind::ServiceClosed, ""},
      {"UE before GESE", "GESE12345678 UE0040", "", ReplyKind::ServiceClosed, ""},
      {"GESE takes eight characters", "code GESE12345678 end", "", ReplyKind::SystemError, "GESE1234"},
      {"GESE near the end takes what is left", "xxGESE12", "", ReplyKind::SystemError, "GESE12"},
      {"GESE first occurrence", "GESE0001 GESE0002", "", ReplyKind::SystemError, "GESE0001"},
      {"GESE before CER02002", "CER02002 GESE9999", "", ReplyKind::SystemError, "GESE9999"},
      {"CER02002", "CER02002", "", ReplyKind::BadTransition, ""},
      {"CER02002 before CER02003", "CER02003 CER02002", "", ReplyKind::BadTransition, ""},
      {"CER02003", "CER02003", "", ReplyKind::NotLoggedIn, ""},
      {"empty", "", "", ReplyKind::Unknown, ""},
      {"the form's markers are not the dialog's", "UE0002 UE0009 LOUE CER010", "", ReplyKind::Unknown, ""},
      {"lower case", "sendok ue0003 gese", "", ReplyKind::Unknown, ""},
      // 0x83 0x55 is one character (ウ): the "U" after 0x83 is its second byte, not a marker's start.
      {"marker inside a double-byte character", "\x83" "UE0003", "", ReplyKind::Unknown, ""},
      {"marker after a double-byte character", "\x83\x45" "UE0003", "", ReplyKind::ServiceClosed, ""},
  };
  for (const Case& c : cases) {
    ServerReply reply;
    reply.body = c.body;
    reply.btnId = c.btnId;
    ReplyClass got = ClassifyReply(reply);
    EXPECT_STREQ(KindName(got.kind), KindName(c.kind)) << c.name;
    EXPECT_EQ(got.serverCode, c.code) << c.name;
  }
}

TEST(ReplyMessageText, EachBrTagIsALineBreak) {
  struct Case {
    const char* name;
    std::string errMsg, text;
  } cases[] = {
      {"two lines", "一行目<BR>二行目", "一行目\r\n二行目"},
      {"several and at the ends", "<BR>a<BR><BR>b<BR>", "\r\na\r\n\r\nb\r\n"},
      {"lower case kept", "a<br>b", "a<br>b"},
      {"none", "text", "text"},
      {"empty", "", ""},
  };
  for (const Case& c : cases) {
    ServerReply reply;
    reply.errMsg = c.errMsg;
    EXPECT_EQ(ReplyMessageText(reply), c.text) << c.name;
  }
}

TEST(FindText, StepsOverDoubleByteCharacters) {
  EXPECT_EQ(FindText("abcGESE", "GESE"), 3u);
  EXPECT_EQ(FindText("\x95\x5C" "\\", "\\"), 2u);  // 表 then a backslash
  EXPECT_EQ(FindText("\x95\x5C", "\\"), std::string_view::npos);
  EXPECT_EQ(FindText("GES", "GESE"), std::string_view::npos);
}

}  // namespace
