#include "charset.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

#include "platform/text.h"

namespace pagehost {

namespace {

constexpr const char* kReplacement = "\xEF\xBF\xBD";  // U+FFFD

std::string LowerTrimmed(std::string_view label) {
  std::size_t b = 0, e = label.size();
  while (b < e && (label[b] == ' ' || label[b] == '\t' || label[b] == '\r' || label[b] == '\n')) ++b;
  while (e > b && (label[e - 1] == ' ' || label[e - 1] == '\t' || label[e - 1] == '\r' || label[e - 1] == '\n')) --e;
  std::string out(label.substr(b, e - b));
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

bool IconvKnows(const std::string& name) {
  iconv_t cd = iconv_open("UTF-8", name.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  iconv_close(cd);
  return true;
}

}  // namespace

std::string IconvCharset(std::string_view label) {
  static const char* const kShiftJis[] = {"shift_jis", "shift-jis", "sjis",   "x-sjis", "ms_kanji",
                                          "csshiftjis", "windows-31j", "cp932", "ms932"};
  static const char* const kEucJp[] = {"euc-jp", "x-euc-jp", "cseucpkdfmtjapanese"};
  static const char* const kUtf8[] = {"utf-8", "utf8", "unicode-1-1-utf-8"};
  std::string l = LowerTrimmed(label);
  if (l.empty()) return {};
  for (const char* s : kShiftJis) {
    if (l == s) return "CP932";
  }
  for (const char* s : kEucJp) {
    if (l == s) return "EUC-JP";
  }
  for (const char* s : kUtf8) {
    if (l == s) return "UTF-8";
  }
  // iconv names carry no blanks or quotes; anything else is no label.
  for (char c : l) {
    bool ok = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.' || c == ':';
    if (!ok) return {};
  }
  return IconvKnows(l) ? l : std::string();
}

bool DecodeToUtf8(std::string_view bytes, const std::string& charset, std::string& utf8) {
  utf8.clear();
  iconv_t cd = iconv_open("UTF-8", charset.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::vector<char> buffer(4096);
  char* in = const_cast<char*>(bytes.data());
  std::size_t inLeft = bytes.size();
  while (inLeft > 0) {
    char* out = buffer.data();
    std::size_t outLeft = buffer.size();
    std::size_t rc = iconv(cd, &in, &inLeft, &out, &outLeft);
    int err = errno;
    utf8.append(buffer.data(), buffer.size() - outLeft);
    if (rc != static_cast<std::size_t>(-1)) break;
    if (err == E2BIG) continue;
    // A byte that is no character here (EILSEQ), or a character cut off at the end (EINVAL).
    utf8 += kReplacement;
    ++in;
    --inLeft;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  iconv_close(cd);
  return true;
}

std::size_t Utf8SequenceLength(std::string_view s, std::size_t i) {
  auto at = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char c = at(i);
  std::size_t n;
  unsigned long cp;
  if (c < 0x80) return 1;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
    cp = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    cp = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    cp = c & 0x07;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    if ((at(i + k) & 0xC0) != 0x80) return 0;
    cp = cp << 6 | (at(i + k) & 0x3F);
  }
  // Overlong forms, surrogates and values past U+10FFFF are no characters.
  if ((n == 3 && cp < 0x800) || (n == 4 && cp < 0x10000) || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    return 0;
  }
  return n;
}

std::string EncodeUtf8(unsigned long cp) {
  std::string out;
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return kReplacement;
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
  return out;
}

std::string Utf8ToCp932Lossy(std::string_view utf8, bool* replaced) {
  if (replaced) *replaced = false;
  std::string out;
  if (platform::Utf8ToCp932(utf8, out)) return out;
  out.clear();
  for (std::size_t i = 0; i < utf8.size();) {
    std::size_t n = Utf8SequenceLength(utf8, i);
    std::string one;
    if (n > 0 && platform::Utf8ToCp932(utf8.substr(i, n), one)) {
      out += one;
    } else {
      out += '?';
      if (replaced) *replaced = true;
    }
    i += n > 0 ? n : 1;
  }
  return out;
}

std::string Cp932ToUtf8Lossy(std::string_view cp932) {
  std::string out;
  if (platform::Cp932ToUtf8(cp932, out)) return out;
  out.clear();
  for (std::size_t i = 0; i < cp932.size();) {
    std::size_t n = platform::CharLength(cp932, i);
    std::string one;
    out += platform::Cp932ToUtf8(cp932.substr(i, n), one) ? one : std::string(kReplacement);
    i += n;
  }
  return out;
}

}  // namespace pagehost
