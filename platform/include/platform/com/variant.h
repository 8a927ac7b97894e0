// Variant: the values that cross the dispatch interface (arguments, results, events).
// Text (VT_BSTR) is UTF-16 here, as at COM's interface; the controls hold CP932 and convert at this boundary
// through the text layer (Text, AsText).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/com_ptr.h"

namespace platform::com {

class IDispatch;

using VarType = std::uint16_t;
inline constexpr VarType VT_EMPTY = 0;
inline constexpr VarType VT_I4 = 3;
inline constexpr VarType VT_BSTR = 8;
inline constexpr VarType VT_DISPATCH = 9;
inline constexpr VarType VT_BOOL = 11;
// Not a value's type: a parameter that takes any value as it comes.
inline constexpr VarType VT_VARIANT = 12;
inline constexpr VarType VT_UI1 = 17;
inline constexpr VarType VT_UI4 = 19;
inline constexpr VarType VT_ARRAY = 0x2000;
// A byte array (VT_ARRAY | VT_UI1): the post data of the browser.
inline constexpr VarType VT_BYTES = VT_ARRAY | VT_UI1;

class Variant {
 public:
  Variant();  // VT_EMPTY
  ~Variant();
  Variant(const Variant&);
  Variant(Variant&&) noexcept;
  Variant& operator=(const Variant&);
  Variant& operator=(Variant&&) noexcept;

  static Variant I4(std::int32_t value);
  static Variant UI4(std::uint32_t value);
  static Variant Bool(bool value);
  static Variant Bstr(std::u16string text);
  // A BSTR of CP932 text; bytes that are no CP932 character become U+FFFD.
  static Variant Text(std::string_view cp932);
  static Variant Dispatch(IDispatch* object);  // takes a reference of its own
  static Variant Bytes(std::vector<std::uint8_t> bytes);
  // A byte array over bytes that are shared, not copied (null reads as empty). Copies of a variant share its
  // byte array too: no member changes it.
  static Variant Bytes(std::shared_ptr<const std::vector<std::uint8_t>> bytes);

  VarType Type() const { return type_; }
  // The value as the type it has; 0, false or empty for a variant of another type (see ChangeType).
  std::int32_t AsI4() const;
  std::uint32_t AsUI4() const;
  bool AsBool() const;
  const std::u16string& AsBstr() const;
  IDispatch* AsDispatch() const;
  const std::vector<std::uint8_t>& AsBytes() const;
  // The byte array itself, for a holder that keeps it beyond the variant (null for another type).
  std::shared_ptr<const std::vector<std::uint8_t>> SharedBytes() const;
  // A BSTR as CP932; characters without a CP932 form become "?".
  std::string AsText() const;
  // A BSTR as CP932; false (out empty) when a character has no CP932 form or it is no BSTR.
  bool GetText(std::string& cp932) const;

  friend bool operator==(const Variant& a, const Variant& b);

 private:
  VarType type_ = VT_EMPTY;
  std::int64_t number_ = 0;  // VT_I4, VT_UI4, VT_BOOL
  std::u16string text_;
  ComPtr<IDispatch> dispatch_;
  std::shared_ptr<const std::vector<std::uint8_t>> bytes_;
};

// VariantChangeType for these types: into VT_EMPTY always; VT_EMPTY into 0, false or ""; numbers and
// booleans into each other (true is -1, any number but 0 is true); numbers into decimal text, booleans into
// "True" or "False"; text into a number (decimal with a sign, blanks around it) or a boolean ("True", "False"
// without regard to case, or a number); a type into itself; VT_VARIANT keeps the value. DISP_E_OVERFLOW
// for a number out of the target's range, DISP_E_TYPEMISMATCH for anything else.
HRESULT ChangeType(const Variant& in, VarType type, Variant& out);

// "VT_I4", "VT_BSTR", ... for messages.
std::string VarTypeName(VarType type);

}  // namespace platform::com
