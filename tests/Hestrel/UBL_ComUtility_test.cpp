#include "UBL_ComUtility.h"

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <vector>

#include "test_support.h"

using hestrel::OvFormat;
using hestrel::TOvArg;

namespace {

struct FormatCase {
  const char* name;
  const char* format;
  std::vector<TOvArg> args;
  bool ok;
  const char* expected;
};

TEST(OvFormat, DirectivesAndMismatches) {
  static const int kValue = 7;
  // A pointer: sixteen upper-case hex digits.
  char pointer[32];
  std::snprintf(pointer, sizeof pointer, "%016" PRIXPTR, reinterpret_cast<std::uintptr_t>(&kValue));
  const FormatCase cases[] = {
      {"plain text", "abc", {}, true, "abc"},
      {"percent", "100%%", {}, true, "100%"},
      {"decimal", "n=%d", {TOvArg(-42)}, true, "n=-42"},
      {"decimal precision pads digits", "%.4d", {TOvArg(-42)}, true, "-0042"},
      {"width right-aligned", "[%5d]", {TOvArg(42)}, true, "[   42]"},
      {"width left-aligned", "[%-5s]", {TOvArg("ab")}, true, "[ab   ]"},
      {"width from argument", "[%*d]", {TOvArg(4), TOvArg(7)}, true, "[   7]"},
      {"unsigned of a negative", "%u", {TOvArg(-1)}, true, "4294967295"},
      {"hex upper case", "%x", {TOvArg(255)}, true, "FF"},
      {"hex precision", "%.4x", {TOvArg(255)}, true, "00FF"},
      {"text precision cuts", "%.2s", {TOvArg("abcdef")}, true, "ab"},
      {"text precision keeps a whole double-byte character", "%.3s", {TOvArg("a見積")}, true, "a見"},
      {"null text is empty", "[%s]", {TOvArg(static_cast<const char*>(nullptr))}, true, "[]"},
      {"index", "%1:s %0:s %s", {TOvArg("a"), TOvArg("b")}, true, "b a b"},
      {"fixed default two decimals", "%f", {TOvArg(1.5)}, true, "1.50"},
      {"fixed precision", "%.1f", {TOvArg(2.75)}, true, "2.8"},
      {"number with thousands", "%n", {TOvArg(1234567.5)}, true, "1,234,567.50"},
      {"scientific", "%.3e", {TOvArg(1234.5)}, true, "1.23E+003"},
      {"general", "%g", {TOvArg(0.5)}, true, "0.5"},
      {"pointer", "%p", {TOvArg(static_cast<const void*>(&kValue))}, true, pointer},
      {"null pointer", "%p", {TOvArg(static_cast<const void*>(nullptr))}, true, "0000000000000000"},
      {"width and precision from arguments", "[%*.*f]", {TOvArg(6), TOvArg(2), TOvArg(1.5)}, true, "[  1.50]"},
      {"precision without digits is zero", "[%.s]", {TOvArg("ab")}, true, "[]"},
      {"index then width from the next argument", "%1:*d|", {TOvArg("x"), TOvArg(3), TOvArg(5)}, true, "  5|"},
      {"width from an argument that is no integer", "%*d", {TOvArg("3"), TOvArg(5)}, false, nullptr},
      {"width beyond any need", "%1234567d", {TOvArg(1)}, false, nullptr},
      {"index beyond any need", "%1234567:d", {TOvArg(1)}, false, nullptr},
      {"double-byte text passes", "見積%s", {TOvArg("保存")}, true, "見積保存"},
      {"text for a number", "%d", {TOvArg("5")}, false, nullptr},
      {"number for a text", "%s", {TOvArg(5)}, false, nullptr},
      {"integer for a float", "%f", {TOvArg(5)}, false, nullptr},
      {"missing argument", "%d %d", {TOvArg(1)}, false, nullptr},
      {"unknown type", "%q", {TOvArg(1)}, false, nullptr},
      {"directive cut off", "abc %", {}, false, nullptr},
      {"index beyond the arguments", "%3:d", {TOvArg(1)}, false, nullptr},
  };
  for (const FormatCase& c : cases) {
    std::string out;
    bool ok = OvFormat(c.format, hestrel::TOvArgs(c.args.data(), c.args.size()), out);
    EXPECT_EQ(ok, c.ok) << c.name;
    if (c.ok) {
      EXPECT_EQ(out, c.expected) << c.name << ": " << testing_support::Show(out);
    }
  }
}

TEST(OvTrim, BlanksAndControlCharactersAtBothEnds) {
  EXPECT_EQ(hestrel::OvTrim(std::string(" \t\r\nab c\0\x01 ", 12)), "ab c");
  EXPECT_EQ(hestrel::OvTrim("   "), "");
  EXPECT_EQ(hestrel::OvTrim("　見積　"), "　見積　");  // a full-width blank is text
}

TEST(OvAddPathDelimiter, AppendsOnlyWhenMissing) {
  EXPECT_EQ(hestrel::OvAddPathDelimiter("/app"), "/app/");
  EXPECT_EQ(hestrel::OvAddPathDelimiter("/app/"), "/app/");
  EXPECT_EQ(hestrel::OvAddPathDelimiter(""), "");
  EXPECT_EQ(hestrel::OvAddPathDelimiter("表"), "表/");  // its trail byte is 0x5C, not a delimiter
}

TEST(OvSysErrorText, SystemTextOrTheCode) {
  EXPECT_EQ(hestrel::OvSysErrorText(2), "No such file or directory");
  EXPECT_EQ(hestrel::OvSysErrorText(987654), "GetLastErrorCode: 987654");
}

}  // namespace
