// The four exports of a control's library, over its module object: DllCanUnloadNow, DllGetClassObject,
// DllRegisterServer and DllUnregisterServer, in this order.
#pragma once

#include "platform/com/module.h"

#define CONTROLS_EXPORT extern "C" __attribute__((visibility("default")))

#define CONTROLS_MODULE_EXPORTS(module)                                                                      \
  CONTROLS_EXPORT platform::com::HRESULT DllCanUnloadNow() { return (module).CanUnloadNow(); }               \
  CONTROLS_EXPORT platform::com::HRESULT DllGetClassObject(const platform::com::CLSID& clsid,                \
                                                           const platform::com::IID& iid, void** out) {      \
    return (module).GetClassObject(clsid, iid, out);                                                         \
  }                                                                                                          \
  CONTROLS_EXPORT platform::com::HRESULT DllRegisterServer() { return (module).RegisterServer(); }           \
  CONTROLS_EXPORT platform::com::HRESULT DllUnregisterServer() { return (module).UnregisterServer(); }
