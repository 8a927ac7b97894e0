#include "platform/com/guid.h"

#include <gtest/gtest.h>

#include "platform/com/hresult.h"

namespace {

using platform::com::FormatGuid;
using platform::com::GUID;
using platform::com::MakeGuid;
using platform::com::ParseGuid;

constexpr GUID kQuillon = MakeGuid("{9850172F-5180-4D4F-BFB6-3CB39E817481}");

TEST(Guid, ParsesWithAndWithoutBracesInEitherCase) {
  EXPECT_EQ(kQuillon.Data1, 0x9850172Fu);
  EXPECT_EQ(kQuillon.Data2, 0x5180u);
  EXPECT_EQ(kQuillon.Data3, 0x4D4Fu);
  EXPECT_EQ(kQuillon.Data4[0], 0xBF);
  EXPECT_EQ(kQuillon.Data4[7], 0x81);
  struct Case {
    const char* name;
    const char* text;
    bool ok;
  } cases[] = {
      {"Braces", "{9850172F-5180-4D4F-BFB6-3CB39E817481}", true},
      {"AsPagesWriteIt", "9850172F-5180-4D4F-BFB6-3CB39E817481", true},
      {"LowerCase", "{9850172f-5180-4d4f-bfb6-3cb39e817481}", true},
      {"OneBrace", "{9850172F-5180-4D4F-BFB6-3CB39E817481", false},
      {"OtherBrace", "9850172F-5180-4D4F-BFB6-3CB39E817481}", false},
      {"Blank", " 9850172F-5180-4D4F-BFB6-3CB39E817481", false},
      {"ClsidPrefix", "clsid:9850172F-5180-4D4F-BFB6-3CB39E817481", false},
      {"DashMoved", "9850172F5-180-4D4F-BFB6-3CB39E817481", false},
      {"NotHex", "9850172G-5180-4D4F-BFB6-3CB39E817481", false},
      {"Short", "9850172F-5180-4D4F-BFB6-3CB39E81748", false},
      {"Empty", "", false},
  };
  for (const Case& c : cases) {
    std::optional<GUID> g = ParseGuid(c.text);
    EXPECT_EQ(g.has_value(), c.ok) << c.name;
    if (c.ok && g) {
      EXPECT_EQ(*g, kQuillon) << c.name;
    }
  }
}

TEST(Guid, FormatsUpperCaseWithBracesAndCompares) {
  EXPECT_EQ(FormatGuid(kQuillon), "{9850172F-5180-4D4F-BFB6-3CB39E817481}");
  EXPECT_EQ(FormatGuid(platform::com::GUID_NULL), "{00000000-0000-0000-0000-000000000000}");
  constexpr GUID a = MakeGuid("{7DD95801-9882-11CF-9FA9-00AA006C42C4}");
  constexpr GUID b = MakeGuid("{7DD95802-9882-11CF-9FA9-00AA006C42C4}");
  constexpr GUID c = MakeGuid("{7DD95801-9882-11CF-9FA9-00AA006C42C5}");
  EXPECT_EQ(*ParseGuid(FormatGuid(a)), a);
  EXPECT_NE(a, b);
  EXPECT_NE(a, c);
  EXPECT_LT(a, b);
  EXPECT_LT(a, c);
}

TEST(HResult, CodesAreThoseOfCom) {
  using namespace platform::com;
  EXPECT_EQ(static_cast<std::uint32_t>(SELFREG_E_TYPELIB), 0x80040200u);
  EXPECT_EQ(static_cast<std::uint32_t>(SELFREG_E_CLASS), 0x80040201u);
  EXPECT_EQ(static_cast<std::uint32_t>(DISP_E_MEMBERNOTFOUND), 0x80020003u);
  EXPECT_EQ(static_cast<std::uint32_t>(CLASS_E_CLASSNOTAVAILABLE), 0x80040111u);
  EXPECT_TRUE(Succeeded(S_FALSE));
  EXPECT_TRUE(Failed(E_NOINTERFACE));
  EXPECT_EQ(FormatHResult(REGDB_E_CLASSNOTREG), "0x80040154 (REGDB_E_CLASSNOTREG)");
  EXPECT_EQ(FormatHResult(static_cast<HRESULT>(0x80001234)), "0x80001234");
}

}  // namespace
