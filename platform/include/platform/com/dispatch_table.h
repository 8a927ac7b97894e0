// A control's dispatch table: its members by DISPID, name and kind, each with a handler, and a ready IDispatch
// over it.
//
//   class CFooCtrl : public ComObject<CFooCtrl, DispatchImpl<CFooCtrl>, ...> {
//    public:
//     static const DispatchTable<CFooCtrl>& DispatchMap();   // DispatchImpl calls it
//    private:
//     HRESULT GetStatus(DispatchCall& call) { call.result = Variant::UI4(status_); return S_OK; }
//   };
//   const DispatchTable<CFooCtrl>& CFooCtrl::DispatchMap() {
//     static const DispatchTable<CFooCtrl> table = DispatchTable<CFooCtrl>()
//         .Add(1, "GetStatus", DispatchKind::Method, &CFooCtrl::GetStatus)
//         .AddProperty(1, "ReceptDate", VT_BSTR, &CFooCtrl::GetText, &CFooCtrl::SetText);
//     return table;
//   }
//
// Rules:
// - A name is looked up without regard to ASCII case; the first entry of that name gives the DISPID.
// - A DISPID belongs to the first entry that carries it; later entries of another name with the same DISPID are
//   never reached by it (so "ReceptDate" above resolves to DISPID 1, and DISPID 1 to GetStatus).
// - Of the entries of that member, the first whose kind the call's flags include is called; none gives
//   DISP_E_MEMBERNOTFOUND, as does an unknown DISPID. Flags with none of the three kinds give E_INVALIDARG.
// - The arguments must be as many as the entry's parameters (DISP_E_BADPARAMCOUNT) and each is changed into its
//   parameter's type (ChangeType; VT_VARIANT takes any) before the handler sees it (DISP_E_TYPEMISMATCH).
// - A handler's exception does not leave Invoke: std::bad_alloc gives E_OUTOFMEMORY, any other DISP_E_EXCEPTION.
#pragma once

#include <new>
#include <string>
#include <utility>
#include <vector>

#include "platform/com/dispatch.h"

namespace platform::com {

// What a handler is given: the arguments in their parameters' types, and the result to set.
struct DispatchCall {
  const std::vector<Variant>& args;
  Variant& result;
};

// The part of a table that does not depend on the class of its handlers.
class DispatchTableBase {
 public:
  struct Member {
    DISPID id;
    std::string name;
    DispatchKind kind;
    std::vector<VarType> params;
  };

  HRESULT GetIDsOfNames(std::string_view name, DISPID* id) const;
  const std::vector<Member>& Members() const { return members_; }

 protected:
  void AddMember(DISPID id, std::string name, DispatchKind kind, std::vector<VarType> params);
  // The entry a call reaches, with its arguments changed into the entry's parameter types.
  HRESULT Resolve(DISPID id, std::uint16_t flags, const std::vector<Variant>& args, std::size_t& index,
                  std::vector<Variant>& converted) const;

 private:
  std::vector<Member> members_;
};

template <class T>
class DispatchTable : public DispatchTableBase {
 public:
  using Handler = HRESULT (T::*)(DispatchCall& call);

  DispatchTable& Add(DISPID id, std::string name, DispatchKind kind, Handler handler,
                     std::vector<VarType> params = {}) {
    AddMember(id, std::move(name), kind, std::move(params));
    handlers_.push_back(handler);
    return *this;
  }

  // A property of one type: a get entry and a put entry with one parameter.
  DispatchTable& AddProperty(DISPID id, const std::string& name, VarType type, Handler get, Handler put) {
    Add(id, name, DispatchKind::PropertyGet, get);
    return Add(id, name, DispatchKind::PropertyPut, put, {type});
  }

  HRESULT Invoke(T& object, DISPID id, std::uint16_t flags, const std::vector<Variant>& args, Variant* result) const {
    try {
      std::size_t index = 0;
      std::vector<Variant> converted;
      HRESULT hr = Resolve(id, flags, args, index, converted);
      if (Failed(hr)) return hr;
      Variant value;
      DispatchCall call{converted, value};
      hr = (object.*handlers_[index])(call);
      if (result) *result = std::move(value);
      return hr;
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (...) {
      return DISP_E_EXCEPTION;
    }
  }

 private:
  std::vector<Handler> handlers_;
};

// IDispatch over T::DispatchMap().
template <class T>
class DispatchImpl : public IDispatch {
 public:
  HRESULT GetIDsOfNames(std::string_view name, DISPID* id) override { return T::DispatchMap().GetIDsOfNames(name, id); }
  HRESULT Invoke(DISPID id, std::uint16_t flags, const std::vector<Variant>& args, Variant* result) override {
    return T::DispatchMap().Invoke(static_cast<T&>(*this), id, flags, args, result);
  }
};

}  // namespace platform::com
