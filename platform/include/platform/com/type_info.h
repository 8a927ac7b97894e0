// Type information as data: a module's type library (its dispinterfaces with their members, DISPIDs and types,
// and its classes with their interfaces), which registration records and objects hand to hosts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/dispatch.h"

namespace platform::com {

struct TypeParam {
  std::string name;
  VarType type;
};

// A method, or one half of a property (its get gives result, its put takes one parameter).
struct TypeMember {
  DISPID memid;
  std::string name;
  DispatchKind kind;
  std::vector<TypeParam> params = {};
  VarType result = VT_EMPTY;  // VT_EMPTY: none
};

struct DispInterface {
  IID iid;
  std::string name;
  std::vector<TypeMember> members;

  // The first member with the memid (and, for the first overload, of the kind); nullptr when none.
  const TypeMember* FindMember(DISPID memid) const;
  const TypeMember* FindMember(DISPID memid, DispatchKind kind) const;
  // The first member of the name, without regard to ASCII case.
  const TypeMember* FindMember(std::string_view name) const;
};

// A class of the library: its default dispinterface and its default event (source) dispinterface.
struct CoClass {
  CLSID clsid;
  std::string name;
  IID defaultInterface;
  IID eventInterface;
};

struct TypeLib {
  GUID libid;
  std::uint16_t majorVersion;
  std::uint16_t minorVersion;
  std::string name;
  std::vector<DispInterface> interfaces;
  std::vector<CoClass> classes;

  // "1.0": major and minor in hexadecimal, as the registry keys versions.
  std::string VersionText() const;
  const DispInterface* FindInterface(const IID& iid) const;
  const CoClass* FindClass(const CLSID& clsid) const;
};

// What a host asks an object for to learn its class's interfaces (the names of its events, for one).
class IProvideClassInfo : public IUnknown {
 public:
  static constexpr IID kIid = MakeGuid("{B196B283-BAB4-101A-B69C-00AA00341D07}");
  using Interface = IProvideClassInfo;

  // The library of the object's class and the class in it; both live as long as the object's module is loaded.
  virtual HRESULT GetClassInfo(const TypeLib** lib, const CoClass** coclass) = 0;
};

inline constexpr const IID& IID_IProvideClassInfo = IProvideClassInfo::kIid;

}  // namespace platform::com
