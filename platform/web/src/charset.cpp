#include "charset.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>

#include "http_headers.h"
#include "platform/text.h"

namespace platform::web {

namespace {

bool Known(const char* name) {
  iconv_t cd = iconv_open("UTF-8", name);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  iconv_close(cd);
  return true;
}

bool StartsWithNoCase(std::string_view s, std::size_t at, std::string_view prefix) {
  return s.size() >= at + prefix.size() && EqualsNoCaseAscii(s.substr(at, prefix.size()), prefix);
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

// One attribute of a tag from position i (which it moves on); false at the tag's end.
bool NextAttribute(std::string_view s, std::size_t& i, std::string& name, std::string& value) {
  while (i < s.size() && (IsSpace(s[i]) || s[i] == '/')) ++i;
  if (i >= s.size() || s[i] == '>') return false;
  std::size_t start = i;
  while (i < s.size() && !IsSpace(s[i]) && s[i] != '=' && s[i] != '>' && s[i] != '/') ++i;
  name = AsciiLower(s.substr(start, i - start));
  value.clear();
  while (i < s.size() && IsSpace(s[i])) ++i;
  if (i >= s.size() || s[i] != '=') return true;
  ++i;
  while (i < s.size() && IsSpace(s[i])) ++i;
  if (i < s.size() && (s[i] == '"' || s[i] == '\'')) {
    char quote = s[i++];
    start = i;
    while (i < s.size() && s[i] != quote) ++i;
    value = std::string(s.substr(start, i - start));
    if (i < s.size()) ++i;
  } else {
    start = i;
    while (i < s.size() && !IsSpace(s[i]) && s[i] != '>') ++i;
    value = std::string(s.substr(start, i - start));
  }
  return true;
}

// The charset named in a meta tag's content ("text/html; charset=EUC-JP").
std::string CharsetInContent(std::string_view content) {
  for (std::size_t i = 0; i + 7 <= content.size(); ++i) {
    if (!StartsWithNoCase(content, i, "charset")) continue;
    std::size_t j = i + 7;
    while (j < content.size() && IsSpace(content[j])) ++j;
    if (j >= content.size() || content[j] != '=') continue;
    ++j;
    while (j < content.size() && IsSpace(content[j])) ++j;
    if (j < content.size() && (content[j] == '"' || content[j] == '\'')) ++j;
    std::size_t start = j;
    while (j < content.size() && !IsSpace(content[j]) && content[j] != ';' && content[j] != '"' &&
           content[j] != '\'')
      ++j;
    return std::string(content.substr(start, j - start));
  }
  return {};
}

}  // namespace

std::string ConverterName(std::string_view label) {
  std::string l = AsciiLower(Trim(label));
  if (l.empty()) return {};
  // The Japanese charsets as Windows reads them: the vendor rows of Shift_JIS and of EUC-JP included.
  if (l == "shift_jis" || l == "shift-jis" || l == "sjis" || l == "x-sjis" || l == "ms_kanji" ||
      l == "csshiftjis" || l == "windows-31j" || l == "cp932" || l == "ms932")
    return "CP932";
  if (l == "euc-jp" || l == "x-euc-jp" || l == "eucjp" || l == "cseucpkdfmtjapanese") return "EUC-JP-MS";
  // As browsers do, Latin-1 and ASCII labels mean Windows-1252.
  if (l == "iso-8859-1" || l == "latin1" || l == "us-ascii" || l == "ascii") return "WINDOWS-1252";
  for (char c : l) {
    if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.' || c == ':'))
      return {};
  }
  std::string upper = l;
  for (char& c : upper) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  return Known(upper.c_str()) ? upper : std::string();
}

std::string MetaCharset(std::string_view bytes) {
  std::string_view s = bytes.substr(0, 1024);
  std::size_t i = 0;
  while (i < s.size()) {
    if (s.compare(i, 4, "<!--") == 0) {
      std::size_t end = s.find("-->", i + 4);
      if (end == std::string_view::npos) break;
      i = end + 3;
      continue;
    }
    if (StartsWithNoCase(s, i, "<meta") && i + 5 < s.size() && (IsSpace(s[i + 5]) || s[i + 5] == '/')) {
      i += 5;
      std::string name, value, charset, httpEquiv, content;
      while (NextAttribute(s, i, name, value)) {
        if (name == "charset" && charset.empty()) charset = value;
        if (name == "http-equiv") httpEquiv = AsciiLower(value);
        if (name == "content") content = value;
      }
      if (!charset.empty()) return charset;
      if (httpEquiv == "content-type") {
        std::string fromContent = CharsetInContent(content);
        if (!fromContent.empty()) return fromContent;
      }
      continue;
    }
    ++i;
  }
  return {};
}

std::string ChooseConverter(std::string_view bytes, std::string_view headerCharset, bool allowMeta,
                            std::size_t& bomLength) {
  bomLength = 0;
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    bomLength = 3;
    return "UTF-8";
  }
  if (bytes.substr(0, 2) == "\xFE\xFF" || bytes.substr(0, 2) == "\xFF\xFE") {
    bomLength = 2;
    return bytes[0] == '\xFE' ? "UTF-16BE" : "UTF-16LE";
  }
  std::string name = ConverterName(headerCharset);
  if (name.empty() && allowMeta) name = ConverterName(MetaCharset(bytes));
  return name.empty() ? "CP932" : name;
}

std::string DecodeToUtf8(std::string_view bytes, const std::string& converterName) {
  static constexpr char kReplacement[] = "\xEF\xBF\xBD";
  std::string out;
  if (bytes.empty()) return out;
  iconv_t cd = iconv_open("UTF-8", converterName.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) cd = iconv_open("UTF-8", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) return out;
  out.resize(bytes.size() * 3 + 16);
  char* src = const_cast<char*>(bytes.data());
  std::size_t srcLeft = bytes.size();
  char* dst = out.data();
  std::size_t dstLeft = out.size();
  auto grow = [&](std::size_t need) {
    if (dstLeft >= need) return;
    std::size_t used = out.size() - dstLeft;
    out.resize(out.size() * 2 + need);
    dst = out.data() + used;
    dstLeft = out.size() - used;
  };
  while (srcLeft > 0) {
    if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) {
      grow(out.size());
      continue;
    }
    // A byte that starts no character (EILSEQ), or a character cut off at the end (EINVAL).
    grow(sizeof kReplacement);
    std::memcpy(dst, kReplacement, 3);
    dst += 3;
    dstLeft -= 3;
    ++src;
    --srcLeft;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  grow(16);
  iconv(cd, nullptr, nullptr, &dst, &dstLeft);
  iconv_close(cd);
  out.resize(out.size() - dstLeft);
  return out;
}

namespace {

// Converts utf8 (whole characters) to CP932, halving the text around the characters that do not convert.
void AppendLossy(std::string_view utf8, std::string& out) {
  if (utf8.empty()) return;
  std::string part;
  if (Utf8ToCp932(utf8, part)) {
    out += part;
    return;
  }
  std::size_t mid = utf8.size() / 2;
  while (mid > 0 && (static_cast<unsigned char>(utf8[mid]) & 0xC0) == 0x80) --mid;
  if (mid == 0) {
    mid = 1;
    while (mid < utf8.size() && (static_cast<unsigned char>(utf8[mid]) & 0xC0) == 0x80) ++mid;
    if (mid == utf8.size()) {
      out += '?';  // one character (or a broken sequence) without a CP932 form
      return;
    }
  }
  AppendLossy(utf8.substr(0, mid), out);
  AppendLossy(utf8.substr(mid), out);
}

}  // namespace

std::string Utf8ToCp932Lossy(std::string_view utf8) {
  std::string out;
  AppendLossy(utf8, out);
  return out;
}

}  // namespace platform::web
