#include "platform/com/variant.h"

#include <climits>
#include <cstdint>

#include "platform/com/dispatch.h"
#include "platform/text.h"

namespace platform::com {

Variant::Variant() = default;
Variant::~Variant() = default;
Variant::Variant(const Variant&) = default;
Variant::Variant(Variant&&) noexcept = default;
Variant& Variant::operator=(const Variant&) = default;
Variant& Variant::operator=(Variant&&) noexcept = default;

Variant Variant::I4(std::int32_t value) {
  Variant v;
  v.type_ = VT_I4;
  v.number_ = value;
  return v;
}

Variant Variant::UI4(std::uint32_t value) {
  Variant v;
  v.type_ = VT_UI4;
  v.number_ = value;
  return v;
}

Variant Variant::Bool(bool value) {
  Variant v;
  v.type_ = VT_BOOL;
  v.number_ = value ? -1 : 0;
  return v;
}

Variant Variant::Bstr(std::u16string text) {
  Variant v;
  v.type_ = VT_BSTR;
  v.text_ = std::move(text);
  return v;
}

Variant Variant::Text(std::string_view cp932) {
  std::u16string text;
  if (!Cp932ToUtf16(cp932, text)) {
    // Character by character, so that one bad byte costs only itself: a lead byte without a fitting trail byte
    // becomes U+FFFD and the byte after it is read again on its own.
    text.clear();
    for (std::size_t i = 0; i < cp932.size();) {
      std::u16string one;
      std::size_t n = CharLength(cp932, i);
      if (Cp932ToUtf16(cp932.substr(i, n), one)) {
        text += one;
        i += n;
      } else {
        text += u'\uFFFD';
        ++i;
      }
    }
  }
  return Bstr(std::move(text));
}

Variant Variant::Dispatch(IDispatch* object) {
  Variant v;
  v.type_ = VT_DISPATCH;
  v.dispatch_ = ComPtr<IDispatch>(object);
  return v;
}

Variant Variant::Bytes(std::vector<std::uint8_t> bytes) {
  return Bytes(std::make_shared<const std::vector<std::uint8_t>>(std::move(bytes)));
}

Variant Variant::Bytes(std::shared_ptr<const std::vector<std::uint8_t>> bytes) {
  Variant v;
  v.type_ = VT_BYTES;
  v.bytes_ = std::move(bytes);
  return v;
}

std::int32_t Variant::AsI4() const { return type_ == VT_I4 ? static_cast<std::int32_t>(number_) : 0; }

std::uint32_t Variant::AsUI4() const { return type_ == VT_UI4 ? static_cast<std::uint32_t>(number_) : 0; }

bool Variant::AsBool() const { return type_ == VT_BOOL && number_ != 0; }

const std::u16string& Variant::AsBstr() const {
  static const std::u16string empty;
  return type_ == VT_BSTR ? text_ : empty;
}

IDispatch* Variant::AsDispatch() const { return type_ == VT_DISPATCH ? dispatch_.Get() : nullptr; }

const std::vector<std::uint8_t>& Variant::AsBytes() const {
  static const std::vector<std::uint8_t> empty;
  return type_ == VT_BYTES && bytes_ ? *bytes_ : empty;
}

std::shared_ptr<const std::vector<std::uint8_t>> Variant::SharedBytes() const {
  return type_ == VT_BYTES ? bytes_ : nullptr;
}

std::string Variant::AsText() const {
  std::string out;
  if (type_ != VT_BSTR || Utf16ToCp932(text_, out)) return out;
  // Character by character (a surrogate pair is one), so that only what has no CP932 form is lost.
  out.clear();
  for (std::size_t i = 0; i < text_.size();) {
    std::size_t n = (text_[i] >= 0xD800 && text_[i] <= 0xDBFF && i + 1 < text_.size()) ? 2 : 1;
    std::string one;
    out += Utf16ToCp932(std::u16string_view(text_).substr(i, n), one) ? one : "?";
    i += n;
  }
  return out;
}

bool Variant::GetText(std::string& cp932) const {
  cp932.clear();
  return type_ == VT_BSTR && Utf16ToCp932(text_, cp932);
}

bool operator==(const Variant& a, const Variant& b) {
  if (a.type_ != b.type_) return false;
  switch (a.type_) {
    case VT_I4:
    case VT_UI4:
    case VT_BOOL:
      return a.number_ == b.number_;
    case VT_BSTR:
      return a.text_ == b.text_;
    case VT_DISPATCH:
      return a.dispatch_ == b.dispatch_;
    case VT_BYTES:
      return a.AsBytes() == b.AsBytes();
    default:
      return true;
  }
}

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string_view Trim(std::u16string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool EqualsNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char16_t x = a[i], y = b[i];
    if (x >= u'a' && x <= u'z') x = static_cast<char16_t>(x - u'a' + u'A');
    if (y >= u'a' && y <= u'z') y = static_cast<char16_t>(y - u'a' + u'A');
    if (x != y) return false;
  }
  return true;
}

// A decimal number with an optional sign; DISP_E_OVERFLOW beyond 64 bits.
HRESULT ParseNumber(std::u16string_view text, std::int64_t& value) {
  text = Trim(text);
  bool negative = false;
  if (!text.empty() && (text.front() == u'-' || text.front() == u'+')) {
    negative = text.front() == u'-';
    text.remove_prefix(1);
  }
  if (text.empty()) return DISP_E_TYPEMISMATCH;
  std::int64_t n = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return DISP_E_TYPEMISMATCH;
    if (n > (INT64_MAX - (c - u'0')) / 10) return DISP_E_OVERFLOW;
    n = n * 10 + (c - u'0');
  }
  value = negative ? -n : n;
  return S_OK;
}

std::u16string Decimal(std::int64_t n) {
  std::string s = std::to_string(n);
  return std::u16string(s.begin(), s.end());
}

// The value of a number, boolean, empty or text variant as a number.
HRESULT NumberOf(const Variant& in, std::int64_t& n) {
  switch (in.Type()) {
    case VT_EMPTY:
      n = 0;
      return S_OK;
    case VT_I4:
      n = in.AsI4();
      return S_OK;
    case VT_UI4:
      n = in.AsUI4();
      return S_OK;
    case VT_BOOL:
      n = in.AsBool() ? -1 : 0;
      return S_OK;
    case VT_BSTR:
      return ParseNumber(in.AsBstr(), n);
    default:
      return DISP_E_TYPEMISMATCH;
  }
}

}  // namespace

HRESULT ChangeType(const Variant& in, VarType type, Variant& out) {
  if (type == VT_VARIANT || type == in.Type()) {
    out = in;
    return S_OK;
  }
  std::int64_t n = 0;
  HRESULT hr = S_OK;
  switch (type) {
    case VT_EMPTY:
      out = Variant();
      return S_OK;
    case VT_I4:
      if (Failed(hr = NumberOf(in, n))) return hr;
      if (n < INT32_MIN || n > INT32_MAX) return DISP_E_OVERFLOW;
      out = Variant::I4(static_cast<std::int32_t>(n));
      return S_OK;
    case VT_UI4:
      if (Failed(hr = NumberOf(in, n))) return hr;
      if (n < 0 || n > UINT32_MAX) return DISP_E_OVERFLOW;
      out = Variant::UI4(static_cast<std::uint32_t>(n));
      return S_OK;
    case VT_BOOL:
      if (in.Type() == VT_BSTR) {
        std::u16string_view t = Trim(in.AsBstr());
        if (EqualsNoCase(t, u"True") || EqualsNoCase(t, u"False")) {
          out = Variant::Bool(EqualsNoCase(t, u"True"));
          return S_OK;
        }
      }
      if (Failed(hr = NumberOf(in, n))) return hr;
      out = Variant::Bool(n != 0);
      return S_OK;
    case VT_BSTR:
      if (in.Type() == VT_BOOL) {
        out = Variant::Bstr(in.AsBool() ? u"True" : u"False");
        return S_OK;
      }
      if (in.Type() != VT_EMPTY && in.Type() != VT_I4 && in.Type() != VT_UI4) return DISP_E_TYPEMISMATCH;
      if (Failed(hr = NumberOf(in, n))) return hr;
      out = Variant::Bstr(in.Type() == VT_EMPTY ? std::u16string() : Decimal(n));
      return S_OK;
    default:
      return DISP_E_TYPEMISMATCH;
  }
}

std::string VarTypeName(VarType type) {
  switch (type) {
    case VT_EMPTY: return "VT_EMPTY";
    case VT_I4: return "VT_I4";
    case VT_BSTR: return "VT_BSTR";
    case VT_DISPATCH: return "VT_DISPATCH";
    case VT_BOOL: return "VT_BOOL";
    case VT_VARIANT: return "VT_VARIANT";
    case VT_UI1: return "VT_UI1";
    case VT_UI4: return "VT_UI4";
    case VT_BYTES: return "VT_ARRAY|VT_UI1";
    default: return "VT_" + std::to_string(type);
  }
}

}  // namespace platform::com
