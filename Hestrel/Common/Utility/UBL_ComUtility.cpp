#include "UBL_ComUtility.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/path.h"
#include "platform/text.h"

namespace hestrel {

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 0x20; }

std::string Pad(std::string text, int width, bool left) {
  if (width > 0 && text.size() < static_cast<std::size_t>(width)) {
    std::string fill(static_cast<std::size_t>(width) - text.size(), ' ');
    text = left ? text + fill : fill + text;
  }
  return text;
}

std::string Printf(const char* format, int precision, double value) {
  char buf[512];
  int n = std::snprintf(buf, sizeof buf, format, precision, value);
  if (n < 0) return {};
  if (static_cast<std::size_t>(n) < sizeof buf) return std::string(buf, static_cast<std::size_t>(n));
  std::string big(static_cast<std::size_t>(n) + 1, '\0');
  std::snprintf(big.data(), big.size(), format, precision, value);
  big.resize(static_cast<std::size_t>(n));
  return big;
}

// "1.5e+03" -> "1.5E+003": the exponent with a sign and at least three digits.
std::string DelphiExponent(std::string s) {
  std::size_t e = s.find_first_of("eE");
  if (e == std::string::npos) return s;
  std::string mantissa = s.substr(0, e), exponent = s.substr(e + 1);
  char sign = '+';
  if (!exponent.empty() && (exponent[0] == '+' || exponent[0] == '-')) {
    sign = exponent[0];
    exponent.erase(0, 1);
  }
  while (exponent.size() < 3) exponent.insert(0, "0");
  return mantissa + "E" + sign + exponent;
}

std::string WithThousands(const std::string& fixed) {
  std::size_t start = (!fixed.empty() && fixed[0] == '-') ? 1 : 0;
  std::size_t dot = fixed.find('.');
  std::size_t end = dot == std::string::npos ? fixed.size() : dot;
  std::string digits = fixed.substr(start, end - start), grouped;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
    grouped += digits[i];
  }
  return fixed.substr(0, start) + grouped + fixed.substr(end);
}

std::string Digits(std::uint64_t value, int base, int minDigits) {
  const char* symbols = "0123456789ABCDEF";
  std::string s;
  do {
    s.insert(s.begin(), symbols[value % static_cast<unsigned>(base)]);
    value /= static_cast<unsigned>(base);
  } while (value);
  while (minDigits > 0 && s.size() < static_cast<std::size_t>(minDigits)) s.insert(0, "0");
  return s;
}

}  // namespace

std::string OvTrim(std::string_view text) {
  std::size_t b = 0, e = text.size();
  while (b < e && IsBlank(text[b])) ++b;
  while (e > b && IsBlank(text[e - 1])) --e;
  return std::string(text.substr(b, e - b));
}

std::string OvAddPathDelimiter(std::string_view text) {
  std::string s(text);
  if (!s.empty() && s.back() != platform::kDelimiter) s += platform::kDelimiter;
  return s;
}

std::string OvSysErrorText(int code) {
  char buf[512] = {};
  const char* text = strerror_r(code, buf, sizeof buf);
  if (!text || !*text || std::strncmp(text, "Unknown error", 13) == 0) {
    return "GetLastErrorCode: " + std::to_string(code);
  }
  std::string s(text);
  if (s.size() > 511) s.resize(platform::CutLength(s, 511));
  return s;
}

namespace {

// One directive "%[index:][-][width][.prec]type" with its "*" values taken; precision -1 when none is given.
struct Directive {
  bool left = false;
  int width = 0;
  int precision = -1;
  char type = 0;  // lower case
};

constexpr int kNumberLimit = 100000;  // no width, precision or index needs more

// The decimal number at format[i], if any; false when it passes the limit.
bool ScanNumber(std::string_view format, std::size_t& i, int& value, bool& any) {
  value = 0;
  any = false;
  for (; i < format.size() && format[i] >= '0' && format[i] <= '9'; ++i) {
    if (value > kNumberLimit) return false;
    value = value * 10 + (format[i] - '0');
    any = true;
  }
  return true;
}

// A width or precision: digits, or "*" for the next argument, which must be an integer.
bool ScanSize(std::string_view format, std::size_t& i, TOvArgs args, std::size_t& next, int& value) {
  if (i < format.size() && format[i] == '*') {
    ++i;
    if (next >= args.size() || args[next].kind() != TOvArg::Kind::Int) return false;
    value = static_cast<int>(args[next++].AsInt());
    return true;
  }
  bool any = false;
  return ScanNumber(format, i, value, any);
}

// The directive after a "%" at format[i]; next is the argument it starts from, moved by an index and by "*".
bool ParseDirective(std::string_view format, std::size_t& i, TOvArgs args, std::size_t& next, Directive& d) {
  {  // "index:" names the argument to take; the following ones go on from it
    std::size_t j = i;
    int index = 0;
    bool any = false;
    if (ScanNumber(format, j, index, any) && any && j < format.size() && format[j] == ':') {
      next = static_cast<std::size_t>(index);
      i = j + 1;
    }
  }
  if (i < format.size() && format[i] == '-') {
    d.left = true;
    ++i;
  }
  if (!ScanSize(format, i, args, next, d.width)) return false;
  if (i < format.size() && format[i] == '.') {
    ++i;
    if (!ScanSize(format, i, args, next, d.precision)) return false;
  }
  if (i >= format.size()) return false;
  char type = format[i++];
  d.type = (type >= 'A' && type <= 'Z') ? static_cast<char>(type - 'A' + 'a') : type;
  return true;
}

// The argument rendered by the directive, before padding; false when its kind does not fit the type.
bool Render(const Directive& d, const TOvArg& arg, std::string& piece) {
  switch (d.type) {
    case 'd':
    case 'u':
    case 'x': {
      if (arg.kind() != TOvArg::Kind::Int) return false;
      std::int64_t v = arg.AsInt();
      bool fits32 = v >= INT32_MIN && v <= INT32_MAX;
      if (d.type == 'd') {
        piece = (v < 0 ? "-" : "") +
                Digits(v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v), 10, d.precision);
      } else {
        std::uint64_t u = fits32 ? static_cast<std::uint32_t>(v) : static_cast<std::uint64_t>(v);
        piece = Digits(u, d.type == 'u' ? 10 : 16, d.precision);
      }
      return true;
    }
    case 'e':
    case 'f':
    case 'g':
    case 'n':
    case 'm': {
      if (arg.kind() != TOvArg::Kind::Double) return false;
      double v = arg.AsDouble();
      if (!std::isfinite(v)) {
        piece = std::isnan(v) ? "NAN" : (v < 0 ? "-INF" : "INF");
      } else if (d.type == 'e') {
        int p = d.precision < 0 ? 15 : (d.precision == 0 ? 1 : d.precision);
        piece = DelphiExponent(Printf("%.*E", p - 1, v));
      } else if (d.type == 'g') {
        piece = DelphiExponent(Printf("%.*G", d.precision <= 0 ? 15 : d.precision, v));
      } else {
        piece = Printf("%.*f", d.precision < 0 ? 2 : d.precision, v);
        if (d.type != 'f') piece = WithThousands(piece);
      }
      return true;
    }
    case 'p':
      if (arg.kind() != TOvArg::Kind::Pointer) return false;
      piece = Digits(reinterpret_cast<std::uintptr_t>(arg.AsPointer()), 16, 16);
      return true;
    case 's': {
      if (arg.kind() != TOvArg::Kind::Text) return false;
      std::string_view t = arg.AsText();
      if (d.precision >= 0) t = t.substr(0, platform::CutLength(t, static_cast<std::size_t>(d.precision)));
      piece.assign(t);
      return true;
    }
    default:
      return false;
  }
}

}  // namespace

bool OvFormat(std::string_view format, TOvArgs args, std::string& out) {
  out.clear();
  std::size_t next = 0;  // the next argument
  for (std::size_t i = 0; i < format.size();) {
    if (format[i] != '%') {
      std::size_t step = platform::CharLength(format, i);
      out.append(format.substr(i, step));
      i += step;
      continue;
    }
    ++i;
    if (i < format.size() && format[i] == '%') {
      out += '%';
      ++i;
      continue;
    }
    Directive d;
    if (!ParseDirective(format, i, args, next, d) || next >= args.size()) return false;
    std::string piece;
    if (!Render(d, args[next++], piece)) return false;
    out += Pad(std::move(piece), d.width, d.left);
  }
  return true;
}

}  // namespace hestrel
