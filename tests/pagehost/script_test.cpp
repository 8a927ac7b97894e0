// The script parser: every command as scripts write it, and the lines it refuses with their reason.
#include "script.h"

#include <gtest/gtest.h>

#include "platform/text.h"
#include "test_support.h"

namespace {

using namespace pagehost;
using platform::ui::BoxAnswer;
using testing_support::Show;

std::string Utf8(const std::string& cp932) {
  std::string out;
  EXPECT_TRUE(platform::Cp932ToUtf8(cp932, out));
  return out;
}

struct ParsedCase {
  const char* name;
  std::string line;  // UTF-8
  Command expected;  // line is 1
};

void PrintTo(const ParsedCase& c, std::ostream* os) { *os << c.name; }

Command Make(CommandKind kind, std::string object = {}) {
  Command c;
  c.kind = kind;
  c.line = 1;
  c.object = std::move(object);
  return c;
}

Command With(Command c, const std::function<void(Command&)>& set) {
  set(c);
  return c;
}

void ExpectSame(const Command& a, const Command& b) {
  EXPECT_EQ(a.kind, b.kind);
  EXPECT_EQ(a.line, b.line);
  EXPECT_EQ(a.object, b.object);
  EXPECT_EQ(a.control, b.control);
  EXPECT_EQ(a.number, b.number);
  EXPECT_EQ(a.ctrl, b.ctrl);
  EXPECT_EQ(Show(a.text), Show(b.text));
  EXPECT_EQ(a.hasText, b.hasText);
  EXPECT_EQ(a.name, b.name);
  EXPECT_EQ(a.paths, b.paths);
  EXPECT_EQ(a.answer, b.answer);
}

class ScriptLine : public testing::TestWithParam<ParsedCase> {};

TEST_P(ScriptLine, ParsesToItsCommand) {
  std::vector<Command> commands;
  std::string error;
  ASSERT_TRUE(ParseScript(GetParam().line, commands, error)) << error;
  ASSERT_EQ(commands.size(), 1u);
  ExpectSame(commands[0], GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, ScriptLine,
    testing::Values(
        ParsedCase{"Click", "click Quillon1 207", With(Make(CommandKind::Click, "Quillon1"), [](Command& c) { c.control = 207; })},
        ParsedCase{"ClickWithBlanksAndCr", "  click\tQ   1 \r", With(Make(CommandKind::Click, "Q"), [](Command& c) { c.control = 1; })},
        ParsedCase{"TextIsTheRestOfTheLineInShiftJis", Utf8("text Q 206 /データ/a  b "),
                   With(Make(CommandKind::Text, "Q"), [](Command& c) { c.control = 206; c.text = "/データ/a  b "; })},
        ParsedCase{"TextMayBeEmpty", "text Q 206", With(Make(CommandKind::Text, "Q"), [](Command& c) { c.control = 206; })},
        ParsedCase{"Check", "check Q 300 1", With(Make(CommandKind::Check, "Q"), [](Command& c) { c.control = 300; c.number = 1; })},
        ParsedCase{"Select", "select Q 431 3", With(Make(CommandKind::Select, "Q"), [](Command& c) { c.control = 431; c.number = 3; })},
        ParsedCase{"Key", "key Q 37", With(Make(CommandKind::Key, "Q"), [](Command& c) { c.number = 37; })},
        ParsedCase{"KeyWithCtrl", "key Q 67 CTRL", With(Make(CommandKind::Key, "Q"), [](Command& c) { c.number = 67; c.ctrl = true; })},
        ParsedCase{"DropPathsByTab", Utf8("drop Q /a b.jpg\t/画像/c.jpg\t\t"),
                   With(Make(CommandKind::Drop, "Q"), [](Command& c) { c.paths = {"/a b.jpg", "/画像/c.jpg"}; })},
        ParsedCase{"AnswerAnyCase", "answer cancel", With(Make(CommandKind::Answer), [](Command& c) { c.answer = BoxAnswer::Cancel; })},
        ParsedCase{"AnswerYes", "answer Yes", With(Make(CommandKind::Answer), [](Command& c) { c.answer = BoxAnswer::Yes; })},
        ParsedCase{"FilePath", Utf8("file /tmp/見積 1.vek"),
                   With(Make(CommandKind::File), [](Command& c) { c.text = "/tmp/見積 1.vek"; c.hasText = true; })},
        ParsedCase{"FileCancel", "file Cancel", Make(CommandKind::File)},
        ParsedCase{"Wait", "wait Q OnStatusChanged", With(Make(CommandKind::Wait, "Q"), [](Command& c) { c.name = "OnStatusChanged"; })},
        ParsedCase{"WaitWithValue", Utf8("wait Q OnCallRegist a\tb 写真"),
                   With(Make(CommandKind::Wait, "Q"), [](Command& c) {
                     c.name = "OnCallRegist";
                     c.text = "a\tb \xE5\x86\x99\xE7\x9C\x9F";  // kept in UTF-8
                     c.hasText = true;
                   })},
        ParsedCase{"Invoke", "invoke Q GetStatus", With(Make(CommandKind::Invoke, "Q"), [](Command& c) { c.name = "GetStatus"; })},
        ParsedCase{"Shot", "shot Q form", With(Make(CommandKind::Shot, "Q"), [](Command& c) { c.name = "form"; })},
        ParsedCase{"Pause", "pause 250", With(Make(CommandKind::Pause), [](Command& c) { c.number = 250; })},
        ParsedCase{"Quit", "quit", Make(CommandKind::Quit)}),
    [](const testing::TestParamInfo<ParsedCase>& i) { return std::string(i.param.name); });

TEST(Script, CommentsAndBlankLinesCountForNothingButTheirLine) {
  std::vector<Command> commands;
  std::string error;
  ASSERT_TRUE(ParseScript("# the form\n\n   # indented\r\nclick Q 1\n\t\ninvoke Q GetStatus", commands, error)) << error;
  ASSERT_EQ(commands.size(), 2u);
  EXPECT_EQ(commands[0].line, 4);
  EXPECT_EQ(commands[1].line, 6);
}

struct RefusedCase {
  const char* name;
  std::string script;
  const char* error;
};

void PrintTo(const RefusedCase& c, std::ostream* os) { *os << c.name; }

class RefusedScript : public testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedScript, SaysWhichLineAndWhy) {
  std::vector<Command> commands;
  std::string error;
  EXPECT_FALSE(ParseScript(GetParam().script, commands, error));
  EXPECT_EQ(error, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, RefusedScript,
    testing::Values(
        RefusedCase{"Unknown", "quit\nClick Q 1", "line 2: unknown command \"Click\""},
        RefusedCase{"NoObject", "click", "line 1: no OBJECT (click OBJECT CONTROL)"},
        RefusedCase{"ControlNoNumber", "click Q ok", "line 1: CONTROL \"ok\" is no number from 0 to 2147483647 (click OBJECT CONTROL)"},
        RefusedCase{"NegativeControl", "click Q -1", "line 1: CONTROL \"-1\" is no number from 0 to 2147483647 (click OBJECT CONTROL)"},
        RefusedCase{"TooMuch", "click Q 1 2", "line 1: \"2\" is too much (click OBJECT CONTROL)"},
        RefusedCase{"CheckTwo", "check Q 5 2", "line 1: the state \"2\" is no number from 0 to 1 (check OBJECT CONTROL 0|1)"},
        RefusedCase{"KeyTooLarge", "key Q 256", "line 1: VK \"256\" is no number from 0 to 255 (key OBJECT VK [ctrl])"},
        RefusedCase{"KeyNotCtrl", "key Q 67 shift", "line 1: \"shift\" is not ctrl (key OBJECT VK [ctrl])"},
        RefusedCase{"DropNothing", "drop Q \t", "line 1: no PATH (drop OBJECT PATH...)"},
        RefusedCase{"AnswerUnknown", "answer Maybe", "line 1: \"Maybe\" is no answer (answer OK|Cancel|Yes|No)"},
        RefusedCase{"FileNothing", "file", "line 1: no PATH (file PATH|cancel)"},
        RefusedCase{"WaitNoEvent", "wait Q", "line 1: no EVENT (wait OBJECT EVENT [VALUE])"},
        RefusedCase{"TextNotShiftJis", "text Q 1 \xF0\x9F\x98\x80",
                    "line 1: VALUE has a character with no Shift_JIS form (text OBJECT CONTROL VALUE)"},
        RefusedCase{"PauseHuge", "pause 99999999999", "line 1: MS \"99999999999\" is no number from 0 to 2147483647 (pause MS)"},
        RefusedCase{"QuitWithMore", "quit now", "line 1: \"now\" is too much (quit)"}),
    [](const testing::TestParamInfo<RefusedCase>& i) { return std::string(i.param.name); });

}  // namespace
