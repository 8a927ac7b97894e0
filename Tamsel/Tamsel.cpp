// The selection control's module: its application object and its four exports.
#include "TamselLib.h"
#include "platform/com/module.h"

namespace tamsel {
namespace {

// The control module; the layer beneath has nothing to set up for it.
class CTamselApp {
 public:
  bool InitInstance() { return true; }
  int ExitInstance() { return 0; }
};

[[maybe_unused]] CTamselApp theApp;
platform::com::Module g_module(TamselModuleInfo());

}  // namespace
}  // namespace tamsel

#define TAMSEL_EXPORT extern "C" __attribute__((visibility("default")))

TAMSEL_EXPORT platform::com::HRESULT DllCanUnloadNow() { return tamsel::g_module.CanUnloadNow(); }
TAMSEL_EXPORT platform::com::HRESULT DllGetClassObject(const platform::com::CLSID& clsid,
                                                        const platform::com::IID& iid, void** out) {
  return tamsel::g_module.GetClassObject(clsid, iid, out);
}
TAMSEL_EXPORT platform::com::HRESULT DllRegisterServer() { return tamsel::g_module.RegisterServer(); }
TAMSEL_EXPORT platform::com::HRESULT DllUnregisterServer() { return tamsel::g_module.UnregisterServer(); }
