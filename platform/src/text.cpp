#include "platform/text.h"

#include <iconv.h>

#include <cerrno>

namespace platform {

std::size_t CutLength(std::string_view s, std::size_t maxBytes) {
  std::size_t i = 0;
  while (i < s.size()) {
    std::size_t next = NextChar(s, i);
    if (next > maxBytes) break;
    i = next;
  }
  return i;
}

std::size_t FindChar(std::string_view s, char c, std::size_t from) {
  for (std::size_t i = from; i < s.size(); i = NextChar(s, i)) {
    if (s[i] == c && CharLength(s, i) == 1) return i;
  }
  return std::string_view::npos;
}

std::size_t FindLastChar(std::string_view s, char c) {
  std::size_t found = std::string_view::npos;
  for (std::size_t i = 0; i < s.size(); i = NextChar(s, i)) {
    if (s[i] == c && CharLength(s, i) == 1) found = i;
  }
  return found;
}

namespace {

// One conversion descriptor per direction and thread, opened once, when the first text that needs it comes:
// opening one costs more than most conversions of a path.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

bool IsAscii(std::string_view s) {
  for (char c : s) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// asciiSame: ASCII is the same bytes in both encodings (CP932 and UTF-8 map 0x5C and 0x7E to themselves).
bool Convert(const Converter& converter, std::string_view in, std::string& out, bool asciiSame = true) {
  out.clear();
  if (in.empty()) return true;
  if (asciiSame && IsAscii(in)) {
    out.assign(in);
    return true;
  }
  if (!converter.ok()) return false;
  iconv_t cd = converter.get();
  iconv(cd, nullptr, nullptr, nullptr, nullptr);  // from the initial state, whatever an earlier call left
  std::string result(in.size() * 4 + 16, '\0');
  char* src = const_cast<char*>(in.data());
  std::size_t srcLeft = in.size();
  char* dst = result.data();
  std::size_t dstLeft = result.size();
  bool ok = true;
  while (srcLeft > 0) {
    if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) == static_cast<std::size_t>(-1)) {
      if (errno == E2BIG) {
        std::size_t used = result.size() - dstLeft;
        result.resize(result.size() * 2);
        dst = result.data() + used;
        dstLeft = result.size() - used;
        continue;
      }
      ok = false;  // EILSEQ or EINVAL: a sequence that does not convert
      break;
    }
  }
  if (ok && iconv(cd, nullptr, nullptr, &dst, &dstLeft) == static_cast<std::size_t>(-1)) ok = false;
  if (!ok) return false;
  result.resize(result.size() - dstLeft);
  out = std::move(result);
  return true;
}

}  // namespace

// ASCII is the same in both (before the converter is made: most paths need none).
bool Cp932ToUtf8(std::string_view cp932, std::string& utf8) {
  if (IsAscii(cp932)) {
    utf8.assign(cp932);
    return true;
  }
  thread_local const Converter converter("UTF-8", "CP932");
  return Convert(converter, cp932, utf8);
}

bool Utf8ToCp932(std::string_view utf8, std::string& cp932) {
  if (IsAscii(utf8)) {
    cp932.assign(utf8);
    return true;
  }
  thread_local const Converter converter("CP932", "UTF-8");
  return Convert(converter, utf8, cp932);
}

bool Cp932ToUtf16(std::string_view cp932, std::u16string& utf16) {
  utf16.clear();
  std::string bytes;
  thread_local const Converter converter("UTF-16LE", "CP932");
  if (!Convert(converter, cp932, bytes, false)) return false;
  utf16.resize(bytes.size() / 2);
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    utf16[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                     (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  }
  return true;
}

bool Utf16ToCp932(std::u16string_view utf16, std::string& cp932) {
  std::string bytes(utf16.size() * 2, '\0');
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    bytes[2 * i] = static_cast<char>(utf16[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<char>(utf16[i] >> 8);
  }
  thread_local const Converter converter("CP932", "UTF-16LE");
  return Convert(converter, bytes, cp932, false);
}

bool EqualsNoCaseAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); i = NextChar(a, i)) {
    // A trail byte in the ASCII letter range ("バ" is 83 6F) is compared as it is.
    if (CharLength(a, i) == 2) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      continue;
    }
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

}  // namespace platform
