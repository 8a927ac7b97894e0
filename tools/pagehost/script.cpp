#include "script.h"

#include <climits>

#include "platform/text.h"

namespace pagehost {

namespace ui = platform::ui;

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The words of a line, one at a time; Rest() gives what follows the last word taken.
class Words {
 public:
  explicit Words(std::string_view line) : line_(line) {}
  bool Next(std::string_view& word) {
    while (pos_ < line_.size() && IsBlank(line_[pos_])) ++pos_;
    if (pos_ >= line_.size()) return false;
    std::size_t start = pos_;
    while (pos_ < line_.size() && !IsBlank(line_[pos_])) ++pos_;
    word = line_.substr(start, pos_ - start);
    return true;
  }
  std::string_view Rest() {
    while (pos_ < line_.size() && IsBlank(line_[pos_])) ++pos_;
    return line_.substr(pos_);
  }
  bool AtEnd() { return Rest().empty(); }

 private:
  std::string_view line_;
  std::size_t pos_ = 0;
};

bool NoCase(std::string_view a, std::string_view b) { return platform::EqualsNoCaseAscii(a, b); }

// A whole number from 0 to max in decimal.
bool ParseNumber(std::string_view s, int max, int& out) {
  if (s.empty() || s.size() > 10) return false;
  long long v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  if (v > max) return false;
  out = static_cast<int>(v);
  return true;
}

struct Syntax {
  CommandKind kind;
  const char* word;
  const char* usage;
};

constexpr Syntax kSyntax[] = {
    {CommandKind::Click, "click", "click OBJECT CONTROL"},
    {CommandKind::Text, "text", "text OBJECT CONTROL VALUE"},
    {CommandKind::Check, "check", "check OBJECT CONTROL 0|1"},
    {CommandKind::Select, "select", "select OBJECT CONTROL INDEX"},
    {CommandKind::Key, "key", "key OBJECT VK [ctrl]"},
    {CommandKind::Drop, "drop", "drop OBJECT PATH..."},
    {CommandKind::Answer, "answer", "answer OK|Cancel|Yes|No"},
    {CommandKind::File, "file", "file PATH|cancel"},
    {CommandKind::Wait, "wait", "wait OBJECT EVENT [VALUE]"},
    {CommandKind::Invoke, "invoke", "invoke OBJECT NAME"},
    {CommandKind::Shot, "shot", "shot OBJECT NAME"},
    {CommandKind::Pause, "pause", "pause MS"},
    {CommandKind::Quit, "quit", "quit"},
};

class LineParser {
 public:
  LineParser(int number, const Syntax& syntax, Words& words, Command& command, std::string& error)
      : number_(number), syntax_(syntax), words_(words), command_(command), error_(error) {}

  bool Fail(const std::string& why) {
    error_ = "line " + std::to_string(number_) + ": " + why + " (" + syntax_.usage + ")";
    return false;
  }
  bool Word(std::string_view& w, const char* what) {
    if (!words_.Next(w)) return Fail(std::string("no ") + what);
    return true;
  }
  bool Object() {
    std::string_view w;
    if (!Word(w, "OBJECT")) return false;
    command_.object = std::string(w);
    return true;
  }
  bool Number(int& out, int max, const char* what) {
    std::string_view w;
    if (!Word(w, what)) return false;
    if (!ParseNumber(w, max, out)) return Fail(std::string(what) + " \"" + std::string(w) + "\" is no number from 0 to " + std::to_string(max));
    return true;
  }
  bool End() {
    if (!words_.AtEnd()) return Fail("\"" + std::string(words_.Rest()) + "\" is too much");
    return true;
  }
  // The rest of the line as CP932.
  bool Cp932(std::string_view utf8, std::string& out, const char* what) {
    if (!platform::Utf8ToCp932(utf8, out)) return Fail(std::string(what) + " has a character with no Shift_JIS form");
    return true;
  }

  bool Parse() {
    Command& c = command_;
    std::string_view w;
    switch (syntax_.kind) {
      case CommandKind::Click:
        return Object() && Number(c.control, INT_MAX, "CONTROL") && End();
      case CommandKind::Text:
        return Object() && Number(c.control, INT_MAX, "CONTROL") && Cp932(words_.Rest(), c.text, "VALUE");
      case CommandKind::Check:
        return Object() && Number(c.control, INT_MAX, "CONTROL") && Number(c.number, 1, "the state") && End();
      case CommandKind::Select:
        return Object() && Number(c.control, INT_MAX, "CONTROL") && Number(c.number, INT_MAX, "INDEX") && End();
      case CommandKind::Key:
        if (!Object() || !Number(c.number, 255, "VK")) return false;
        if (words_.Next(w)) {
          if (!NoCase(w, "ctrl")) return Fail("\"" + std::string(w) + "\" is not ctrl");
          c.ctrl = true;
        }
        return End();
      case CommandKind::Drop: {
        if (!Object()) return false;
        std::string_view rest = words_.Rest();
        while (!rest.empty()) {
          std::size_t tab = rest.find('\t');
          std::string_view one = rest.substr(0, tab);
          rest = tab == std::string_view::npos ? std::string_view() : rest.substr(tab + 1);
          if (one.empty()) continue;
          std::string path;
          if (!Cp932(one, path, "PATH")) return false;
          c.paths.push_back(std::move(path));
        }
        if (c.paths.empty()) return Fail("no PATH");
        return true;
      }
      case CommandKind::Answer: {
        if (!Word(w, "answer")) return false;
        static const std::pair<const char*, ui::BoxAnswer> kAnswers[] = {
            {"OK", ui::BoxAnswer::Ok}, {"Cancel", ui::BoxAnswer::Cancel}, {"Yes", ui::BoxAnswer::Yes},
            {"No", ui::BoxAnswer::No}};
        bool known = false;
        for (const auto& [word, answer] : kAnswers) {
          if (NoCase(w, word)) {
            c.answer = answer;
            known = true;
          }
        }
        if (!known) return Fail("\"" + std::string(w) + "\" is no answer");
        return End();
      }
      case CommandKind::File: {
        std::string_view rest = words_.Rest();
        if (rest.empty()) return Fail("no PATH");
        if (NoCase(rest, "cancel")) return true;
        c.hasText = true;
        return Cp932(rest, c.text, "PATH");
      }
      case CommandKind::Wait:
        if (!Object() || !Word(w, "EVENT")) return false;
        c.name = std::string(w);
        c.text = std::string(words_.Rest());
        c.hasText = !c.text.empty();
        return true;
      case CommandKind::Invoke:
      case CommandKind::Shot:
        if (!Object() || !Word(w, "NAME")) return false;
        c.name = std::string(w);
        return End();
      case CommandKind::Pause:
        return Number(c.number, INT_MAX, "MS") && End();
      case CommandKind::Quit:
        return End();
    }
    return false;
  }

 private:
  int number_;
  const Syntax& syntax_;
  Words& words_;
  Command& command_;
  std::string& error_;
};

}  // namespace

const char* CommandWord(CommandKind kind) {
  for (const Syntax& s : kSyntax) {
    if (s.kind == kind) return s.word;
  }
  return "?";
}

bool ParseScript(std::string_view text, std::vector<Command>& commands, std::string& error) {
  commands.clear();
  int number = 0;
  while (!text.empty()) {
    std::size_t nl = text.find('\n');
    std::string_view line = text.substr(0, nl);
    text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
    ++number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    Words words(line);
    std::string_view word;
    if (!words.Next(word) || word.front() == '#') continue;
    const Syntax* syntax = nullptr;
    for (const Syntax& s : kSyntax) {
      if (word == s.word) syntax = &s;
    }
    if (!syntax) {
      error = "line " + std::to_string(number) + ": unknown command \"" + std::string(word) + "\"";
      return false;
    }
    Command command;
    command.kind = syntax->kind;
    command.line = number;
    LineParser parser(number, *syntax, words, command, error);
    if (!parser.Parse()) return false;
    commands.push_back(std::move(command));
  }
  return true;
}

}  // namespace pagehost
