// IUnknown: the root of every interface of the COM layer. Interfaces are abstract classes; each names its
// interface id (kIid) and itself as Interface, so that the object helper (object.h) can answer QueryInterface.
// Objects are released through Release only; calls between a host and a control are plain virtual calls.
#pragma once

#include <cstdint>

#include "platform/com/guid.h"
#include "platform/com/hresult.h"

namespace platform::com {

class IUnknown {
 public:
  static constexpr IID kIid = MakeGuid("{00000000-0000-0000-C000-000000000046}");
  using Interface = IUnknown;

  // *out = the object's interface iid (counted: the caller releases it), or nullptr with E_NOINTERFACE;
  // E_POINTER for a null out. Asked for IUnknown, every interface of one object gives the same pointer.
  virtual HRESULT QueryInterface(const IID& iid, void** out) = 0;
  // The new reference count (for tests and tracing only).
  virtual std::uint32_t AddRef() = 0;
  virtual std::uint32_t Release() = 0;

 protected:
  virtual ~IUnknown() = default;
};

inline constexpr const IID& IID_IUnknown = IUnknown::kIid;

}  // namespace platform::com
