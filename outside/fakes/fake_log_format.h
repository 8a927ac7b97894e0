// What the fakes and fake_outside.h agree on: the default code and the escapes of the control and log files
// (\\, \t, \n, \r).
#pragma once

#include <string>

namespace fake_outside {

// The code a failing fake function writes unless "Module.Function.Code" says otherwise.
inline constexpr char kFakeCode[] = "E29999999";

inline std::string Escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
  return out;
}

inline std::string Unescape(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    char c = text[++i];
    out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
  }
  return out;
}

}  // namespace fake_outside
