#include "json_line.h"

#include <cstdio>

#include "charset.h"

namespace pagehost {

namespace com = platform::com;
namespace ui = platform::ui;

namespace {

const char* IconWord(ui::BoxIcon icon) {
  switch (icon) {
    case ui::BoxIcon::Stop:
      return "stop";
    case ui::BoxIcon::Exclamation:
      return "exclamation";
    case ui::BoxIcon::Question:
      return "question";
    case ui::BoxIcon::Information:
      return "information";
    case ui::BoxIcon::None:
      break;
  }
  return "none";
}

const char* ButtonsWord(ui::BoxButtons buttons) {
  switch (buttons) {
    case ui::BoxButtons::Ok:
      return "ok";
    case ui::BoxButtons::OkCancel:
      return "okcancel";
    case ui::BoxButtons::YesNo:
      return "yesno";
  }
  return "ok";
}

std::string Cp932String(std::string_view cp932) { return JsonString(Cp932ToUtf8Lossy(cp932)); }

// The object a line speaks of; null when the host could not tell (ids are never empty).
std::string ObjectJson(const std::string& object) { return object.empty() ? "null" : JsonString(object); }

}  // namespace

std::string JsonString(std::string_view s) {
  std::string out = "\"";
  for (std::size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c >= 0x80) {
      std::size_t n = Utf8SequenceLength(s, i);
      if (n == 0) {
        out += "\xEF\xBF\xBD";
        ++i;
      } else {
        out.append(s.substr(i, n));
        i += n;
      }
      continue;
    }
    ++i;
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20 || c == 0x7F) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  out += '"';
  return out;
}

bool ValueText(const com::Variant& value, std::string& utf8) {
  switch (value.Type()) {
    case com::VT_I4:
      utf8 = std::to_string(value.AsI4());
      return true;
    case com::VT_UI4:
      utf8 = std::to_string(value.AsUI4());
      return true;
    case com::VT_BOOL:
      utf8 = value.AsBool() ? "true" : "false";
      return true;
    case com::VT_BSTR:
      utf8 = Cp932ToUtf8Lossy(value.AsText());
      return true;
    default:
      return false;
  }
}

std::string JsonValue(const com::Variant& value) {
  std::string text;
  if (!ValueText(value, text)) return "null";
  return value.Type() == com::VT_BSTR ? JsonString(text) : text;
}

std::string EventLine(const std::string& object, const std::string& event, const std::vector<com::Variant>& args) {
  std::string line = "{\"object\":" + ObjectJson(object) + ",\"event\":" + JsonString(event) + ",\"args\":[";
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (i) line += ',';
    line += JsonValue(args[i]);
  }
  return line + "]}";
}

std::string BoxLine(const std::string& object, const ui::MessageBoxRequest& box, ui::BoxAnswer answer) {
  return "{\"object\":" + ObjectJson(object) + ",\"box\":{\"text\":" + Cp932String(box.text) +
         ",\"title\":" + Cp932String(box.title) + ",\"icon\":" + JsonString(IconWord(box.icon)) +
         ",\"buttons\":" + JsonString(ButtonsWord(box.buttons)) + ",\"answer\":" + JsonString(AnswerWord(answer)) +
         "}}";
}

std::string DialogLine(const std::string& object, const char* kind, const std::string* path) {
  return "{\"object\":" + ObjectJson(object) + ",\"dialog\":" + JsonString(kind) +
         ",\"answer\":" + (path ? Cp932String(*path) : std::string("null")) + "}";
}

std::string ResultLine(const com::Variant& result) { return "{\"result\":" + JsonValue(result) + "}"; }

std::string ErrorLine(std::string_view utf8) { return "{\"error\":" + JsonString(utf8) + "}"; }

const char* AnswerWord(ui::BoxAnswer answer) {
  switch (answer) {
    case ui::BoxAnswer::Ok:
      return "OK";
    case ui::BoxAnswer::Cancel:
      return "Cancel";
    case ui::BoxAnswer::Yes:
      return "Yes";
    case ui::BoxAnswer::No:
      return "No";
  }
  return "OK";
}

}  // namespace pagehost
