#include "file_filter.h"

#include <vector>

#include "platform/text.h"

namespace platform::ui::detail {

namespace {

std::vector<std::string> SplitOn(const std::string& s, char c) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    std::size_t at = FindChar(s, c, start);
    if (at == std::string::npos) {
      parts.push_back(s.substr(start));
      return parts;
    }
    parts.push_back(s.substr(start, at - start));
    start = at + 1;
  }
}

std::string Trimmed(const std::string& s) {
  std::size_t b = s.find_first_not_of(' '), e = s.find_last_not_of(' ');
  return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

}  // namespace

std::string QtFileFilter(const std::string& filter) {
  std::vector<std::string> parts = SplitOn(filter, '|');
  std::string out;
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
    std::string description = parts[i];
    std::string patterns;
    for (const std::string& p : SplitOn(parts[i + 1], ';')) {
      std::string one = Trimmed(p);
      if (one.empty()) continue;
      if (one == "*.*") one = "*";
      if (!patterns.empty()) patterns += ' ';
      patterns += one;
    }
    if (description.empty() && patterns.empty()) continue;
    // Qt reads the patterns from the last brackets of the entry: a description's own "(*.doc)" goes.
    std::size_t open = FindLastChar(description, '(');
    if (open != std::string::npos && description.back() == ')') description = Trimmed(description.substr(0, open));
    if (!out.empty()) out += ";;";
    out += description + " (" + patterns + ")";
  }
  std::string utf8;
  if (!Cp932ToUtf8(out, utf8)) return "* (*)";
  return utf8;
}

std::string QtDefaultSuffix(const std::string& extension) {
  std::string e = extension;
  if (!e.empty() && e[0] == '.') e.erase(0, 1);
  if (e.empty() || e.find_first_of("*?|;. ") != std::string::npos) return {};
  return e;
}

}  // namespace platform::ui::detail
