// IClassFactory: makes the objects of one class, as DllGetClassObject hands it out.
#pragma once

#include "platform/com/unknown.h"

namespace platform::com {

class IClassFactory : public IUnknown {
 public:
  static constexpr IID kIid = MakeGuid("{00000001-0000-0000-C000-000000000046}");
  using Interface = IClassFactory;

  // A new object, asked for iid; outer must be null (CLASS_E_NOAGGREGATION: no aggregation here).
  virtual HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** out) = 0;
  // Keeps the module loaded (DllCanUnloadNow answers S_FALSE) while locked.
  virtual HRESULT LockServer(bool lock) = 0;
};

inline constexpr const IID& IID_IClassFactory = IClassFactory::kIid;

}  // namespace platform::com
