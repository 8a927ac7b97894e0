#include "platform/com/dispatch.h"

#include "platform/com/dispatch_table.h"
#include "platform/text.h"

namespace platform::com {

HRESULT InvokeByName(IDispatch* object, std::string_view name, std::uint16_t flags, const std::vector<Variant>& args,
                     Variant* result) {
  if (!object) return E_POINTER;
  DISPID id = DISPID_UNKNOWN;
  HRESULT hr = object->GetIDsOfNames(name, &id);
  if (Failed(hr)) return hr;
  return object->Invoke(id, flags, args, result);
}

void DispatchTableBase::AddMember(DISPID id, std::string name, DispatchKind kind, std::vector<VarType> params) {
  members_.push_back({id, std::move(name), kind, std::move(params)});
}

HRESULT DispatchTableBase::GetIDsOfNames(std::string_view name, DISPID* id) const {
  if (!id) return E_POINTER;
  for (const Member& m : members_) {
    if (!name.empty() && EqualsNoCaseAscii(m.name, name)) {
      *id = m.id;
      return S_OK;
    }
  }
  *id = DISPID_UNKNOWN;
  return DISP_E_UNKNOWNNAME;
}

HRESULT DispatchTableBase::Resolve(DISPID id, std::uint16_t flags, const std::vector<Variant>& args,
                                   std::size_t& index, std::vector<Variant>& converted) const {
  constexpr std::uint16_t kKinds = DISPATCH_METHOD | DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT;
  if ((flags & kKinds) == 0) return E_INVALIDARG;
  // The DISPID belongs to the first member that carries it.
  const Member* owner = nullptr;
  for (const Member& m : members_) {
    if (m.id == id) {
      owner = &m;
      break;
    }
  }
  if (!owner) return DISP_E_MEMBERNOTFOUND;
  for (std::size_t i = 0; i < members_.size(); ++i) {
    const Member& m = members_[i];
    if (m.id != id || !EqualsNoCaseAscii(m.name, owner->name) || (flags & static_cast<std::uint16_t>(m.kind)) == 0) {
      continue;
    }
    if (args.size() != m.params.size()) return DISP_E_BADPARAMCOUNT;
    converted.resize(args.size());
    for (std::size_t a = 0; a < args.size(); ++a) {
      if (Failed(ChangeType(args[a], m.params[a], converted[a]))) return DISP_E_TYPEMISMATCH;
    }
    index = i;
    return S_OK;
  }
  return DISP_E_MEMBERNOTFOUND;
}

}  // namespace platform::com
