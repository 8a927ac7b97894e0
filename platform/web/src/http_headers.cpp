#include "http_headers.h"

#include "charset.h"
#include "platform/text.h"

namespace platform::web {

std::string AsciiLower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
    s.remove_suffix(1);
  return s;
}

std::string MediaType(std::string_view headerValue) {
  return AsciiLower(Trim(headerValue.substr(0, headerValue.find(';'))));
}

std::string HeaderParameter(std::string_view headerValue, std::string_view name) {
  std::size_t i = headerValue.find(';');
  while (i != std::string_view::npos && i < headerValue.size()) {
    ++i;
    while (i < headerValue.size() && (headerValue[i] == ' ' || headerValue[i] == '\t')) ++i;
    std::size_t eq = headerValue.find('=', i);
    std::size_t semi = headerValue.find(';', i);
    if (eq == std::string_view::npos || (semi != std::string_view::npos && semi < eq)) {
      i = semi;
      continue;
    }
    bool match = AsciiLower(Trim(headerValue.substr(i, eq - i))) == AsciiLower(name);
    std::size_t v = eq + 1;
    while (v < headerValue.size() && (headerValue[v] == ' ' || headerValue[v] == '\t')) ++v;
    std::string value;
    std::size_t end;
    if (v < headerValue.size() && headerValue[v] == '"') {
      end = v + 1;
      while (end < headerValue.size() && headerValue[end] != '"') {
        if (headerValue[end] == '\\' && end + 1 < headerValue.size()) ++end;
        value += headerValue[end++];
      }
      end = headerValue.find(';', end);
    } else {
      end = headerValue.find(';', v);
      value = std::string(Trim(headerValue.substr(v, end == std::string_view::npos ? end : end - v)));
    }
    if (match) return value;
    i = end;
  }
  return {};
}

ReplyKind KindOfReply(std::string_view contentType, std::string_view contentDisposition) {
  if (MediaType(contentDisposition) == "attachment") return ReplyKind::File;
  std::string type = MediaType(contentType);
  if (type.empty() || type == "text/html" || type == "application/xhtml+xml") return ReplyKind::Html;
  if (type.compare(0, 5, "text/") == 0) return ReplyKind::Text;
  return ReplyKind::File;
}

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string PercentDecode(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    int hi, lo;
    if (s[i] == '%' && i + 2 < s.size() && (hi = HexValue(s[i + 1])) >= 0 && (lo = HexValue(s[i + 2])) >= 0) {
      out += static_cast<char>(hi * 16 + lo);
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

// The name after the last folder separator ("/" or a single-byte "\").
std::string LastComponent(const std::string& cp932) {
  std::size_t cut = 0;
  for (std::size_t i = 0; i < cp932.size(); i = NextChar(cp932, i)) {
    if (CharLength(cp932, i) == 1 && (cp932[i] == '/' || cp932[i] == '\\')) cut = i + 1;
  }
  return cp932.substr(cut);
}

}  // namespace

std::string DispositionFileName(std::string_view contentDisposition) {
  std::string extended = HeaderParameter(contentDisposition, "filename*");
  std::size_t quote1 = extended.find('\'');
  std::size_t quote2 = quote1 == std::string::npos ? quote1 : extended.find('\'', quote1 + 1);
  if (quote2 != std::string::npos) {
    std::string converter = ConverterName(extended.substr(0, quote1));
    if (!converter.empty()) {
      std::string utf8 = DecodeToUtf8(PercentDecode(extended.substr(quote2 + 1)), converter);
      return LastComponent(Utf8ToCp932Lossy(utf8));
    }
  }
  std::string plain = HeaderParameter(contentDisposition, "filename");
  std::string cp932;
  if (!plain.empty() && Utf8ToCp932(plain, cp932)) return LastComponent(cp932);
  return LastComponent(plain);
}

}  // namespace platform::web
