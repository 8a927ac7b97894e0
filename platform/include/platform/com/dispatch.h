// IDispatch: members reached by name and DISPID, as pages and hosts call a control.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/com/unknown.h"
#include "platform/com/variant.h"

namespace platform::com {

using DISPID = std::int32_t;
inline constexpr DISPID DISPID_UNKNOWN = -1;
inline constexpr DISPID DISPID_ABOUTBOX = -552;

// Flags of Invoke (COM's values); a caller may give several, as script hosts give METHOD | PROPERTYGET.
inline constexpr std::uint16_t DISPATCH_METHOD = 1;
inline constexpr std::uint16_t DISPATCH_PROPERTYGET = 2;
inline constexpr std::uint16_t DISPATCH_PROPERTYPUT = 4;

// What one member of a dispatch table or a type library is.
enum class DispatchKind : std::uint16_t {
  Method = DISPATCH_METHOD,
  PropertyGet = DISPATCH_PROPERTYGET,
  PropertyPut = DISPATCH_PROPERTYPUT,
};

class IDispatch : public IUnknown {
 public:
  static constexpr IID kIid = MakeGuid("{00020400-0000-0000-C000-000000000046}");
  using Interface = IDispatch;

  // The DISPID of a member, its name compared without regard to ASCII case; DISP_E_UNKNOWNNAME when there is none.
  virtual HRESULT GetIDsOfNames(std::string_view name, DISPID* id) = 0;
  // Calls a member. args come in the order of the member's parameters (COM passes them backwards; here they are
  // not), a property put's new value last; result may be null. DISP_E_MEMBERNOTFOUND for an unknown DISPID or a
  // member of another kind, DISP_E_BADPARAMCOUNT, DISP_E_TYPEMISMATCH for arguments that do not fit.
  virtual HRESULT Invoke(DISPID id, std::uint16_t flags, const std::vector<Variant>& args, Variant* result) = 0;
};

inline constexpr const IID& IID_IDispatch = IDispatch::kIid;

// GetIDsOfNames, then Invoke.
HRESULT InvokeByName(IDispatch* object, std::string_view name, std::uint16_t flags, const std::vector<Variant>& args,
                     Variant* result);

}  // namespace platform::com
