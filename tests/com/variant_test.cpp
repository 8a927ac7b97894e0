#include "platform/com/variant.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/com/dispatch.h"
#include "platform/com/object.h"
#include "test_support.h"

namespace {

using namespace platform::com;

TEST(Variant, JapaneseTextCrossesAsUtf16AndBack) {
  // "～" is 0x8160 in CP932 and U+FF5E; "表" ends in the byte 0x5C.
  Variant v = Variant::Text("見積～表");
  ASSERT_EQ(v.Type(), VT_BSTR);
  EXPECT_EQ(v.AsBstr(), u"見積\uFF5E表");
  EXPECT_EQ(v.AsText(), "見積～表");
  std::string strict;
  EXPECT_TRUE(v.GetText(strict));
  EXPECT_EQ(strict, "見積～表");

  // What has no CP932 form becomes "?" (AsText) or is refused (GetText); a bad CP932 byte becomes U+FFFD.
  Variant emoji = Variant::Bstr(u"a\U0001F600b");
  EXPECT_EQ(emoji.AsText(), "a?b");
  EXPECT_FALSE(emoji.GetText(strict));
  EXPECT_EQ(strict, "");
  EXPECT_EQ(Variant::Text(std::string("a\x81\x20" "b")).AsBstr(), u"a\uFFFD b");
  EXPECT_EQ(Variant::Text(std::string("見\x95")).AsBstr(), u"見\uFFFD");  // cut in the middle of a character
  EXPECT_EQ(Variant::Text("").AsBstr(), u"");
  EXPECT_FALSE(Variant::I4(1).GetText(strict));
}

TEST(Variant, CopiesShareAByteArrayAndEmptyReadsAsNone) {
  auto bytes = std::make_shared<const std::vector<std::uint8_t>>(std::vector<std::uint8_t>{7, 8});
  const Variant a = Variant::Bytes(bytes);
  const Variant b = a;  // NOLINT: the copy is the point
  EXPECT_EQ(b.SharedBytes().get(), bytes.get());
  EXPECT_EQ(b, Variant::Bytes({7, 8}));
  EXPECT_EQ(Variant::I4(1).SharedBytes(), nullptr);
  const Variant none = Variant::Bytes(std::shared_ptr<const std::vector<std::uint8_t>>());
  EXPECT_EQ(none.Type(), VT_BYTES);
  EXPECT_TRUE(none.AsBytes().empty());
  EXPECT_EQ(none, Variant::Bytes(std::vector<std::uint8_t>{}));
}

TEST(Variant, HoldsEachTypeAndComparesByValue) {
  EXPECT_EQ(Variant().Type(), VT_EMPTY);
  EXPECT_EQ(Variant::I4(-5).AsI4(), -5);
  EXPECT_EQ(Variant::UI4(0xFFFFFFFFu).AsUI4(), 0xFFFFFFFFu);
  EXPECT_TRUE(Variant::Bool(true).AsBool());
  EXPECT_EQ(Variant::Bytes({1, 0, 255}).Type(), VT_ARRAY | VT_UI1);
  EXPECT_EQ(Variant::Bytes({1, 0, 255}).AsBytes(), (std::vector<std::uint8_t>{1, 0, 255}));
  EXPECT_EQ(Variant::I4(1).AsUI4(), 0u) << "another type reads as nothing";
  EXPECT_EQ(Variant::I4(1), Variant::I4(1));
  EXPECT_NE(Variant::I4(1), Variant::UI4(1));
  EXPECT_NE(Variant::Text("a"), Variant::Text("b"));
}

class Counted final : public ComObject<Counted, IDispatch> {
 public:
  HRESULT GetIDsOfNames(std::string_view, DISPID*) override { return DISP_E_UNKNOWNNAME; }
  HRESULT Invoke(DISPID, std::uint16_t, const std::vector<Variant>&, Variant*) override { return S_OK; }
};

TEST(Variant, HoldsAReferenceToADispatch) {
  ComPtr<Counted> object = MakeObject<Counted>();
  {
    Variant v = Variant::Dispatch(object.Get());
    Variant copy = v;
    EXPECT_EQ(copy.AsDispatch(), object.Get());
    EXPECT_EQ(object->AddRef(), 4u);
    object->Release();
  }
  EXPECT_EQ(object->AddRef(), 2u) << "both variants gave their references back";
  object->Release();
}

TEST(Variant, ChangesTypeAsCallsNeed) {
  struct Case {
    const char* name;
    Variant in;
    VarType type;
    HRESULT hr;
    Variant out;
  } cases[] = {
      {"I4ToUI4", Variant::I4(7), VT_UI4, S_OK, Variant::UI4(7)},
      {"NegativeI4ToUI4", Variant::I4(-1), VT_UI4, DISP_E_OVERFLOW, {}},
      {"LargeUI4ToI4", Variant::UI4(0x80000000u), VT_I4, DISP_E_OVERFLOW, {}},
      {"TextToI4", Variant::Text(" -42 "), VT_I4, S_OK, Variant::I4(-42)},
      {"TextToUI4", Variant::Text("4294967295"), VT_UI4, S_OK, Variant::UI4(0xFFFFFFFFu)},
      {"TextTooLarge", Variant::Text("4294967296"), VT_UI4, DISP_E_OVERFLOW, {}},
      {"HugeText", Variant::Text("99999999999999999999999"), VT_I4, DISP_E_OVERFLOW, {}},
      {"TextNotANumber", Variant::Text("12abc"), VT_I4, DISP_E_TYPEMISMATCH, {}},
      {"EmptyTextToI4", Variant::Text(""), VT_I4, DISP_E_TYPEMISMATCH, {}},
      {"I4ToText", Variant::I4(-3), VT_BSTR, S_OK, Variant::Text("-3")},
      {"UI4ToText", Variant::UI4(4000000000u), VT_BSTR, S_OK, Variant::Text("4000000000")},
      {"BoolToI4", Variant::Bool(true), VT_I4, S_OK, Variant::I4(-1)},
      {"I4ToBool", Variant::I4(2), VT_BOOL, S_OK, Variant::Bool(true)},
      {"TextToBool", Variant::Text("false"), VT_BOOL, S_OK, Variant::Bool(false)},
      {"BoolToText", Variant::Bool(true), VT_BSTR, S_OK, Variant::Text("True")},
      {"EmptyToText", Variant(), VT_BSTR, S_OK, Variant::Text("")},
      {"EmptyToI4", Variant(), VT_I4, S_OK, Variant::I4(0)},
      {"AnythingToEmpty", Variant::Text("x"), VT_EMPTY, S_OK, Variant()},
      {"AnyForVariant", Variant::Bytes({1}), VT_VARIANT, S_OK, Variant::Bytes({1})},
      {"BytesToText", Variant::Bytes({1}), VT_BSTR, DISP_E_TYPEMISMATCH, {}},
      {"TextToBytes", Variant::Text("1"), VT_BYTES, DISP_E_TYPEMISMATCH, {}},
  };
  for (const Case& c : cases) {
    Variant out = Variant::I4(12345);
    EXPECT_EQ(ChangeType(c.in, c.type, out), c.hr) << c.name;
    if (c.hr == S_OK) {
      EXPECT_EQ(out, c.out) << c.name;
    }
  }
}

}  // namespace
