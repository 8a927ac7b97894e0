// The photo control's module: its application object and its four exports.
#include "QuillonLib.h"
#include "platform/com/module.h"

namespace quillon {
namespace {

// The control module. Its initialisation has nothing to set up here: containment of the browser control
// needs no switch in this layer.
class CQuillonApp {
 public:
  bool InitInstance() { return true; }
  int ExitInstance() { return 0; }
};

[[maybe_unused]] CQuillonApp theApp;
platform::com::Module g_module(QuillonModuleInfo());

}  // namespace
}  // namespace quillon

#define QUILLON_EXPORT extern "C" __attribute__((visibility("default")))

QUILLON_EXPORT platform::com::HRESULT DllCanUnloadNow() { return quillon::g_module.CanUnloadNow(); }
QUILLON_EXPORT platform::com::HRESULT DllGetClassObject(const platform::com::CLSID& clsid,
                                                         const platform::com::IID& iid, void** out) {
  return quillon::g_module.GetClassObject(clsid, iid, out);
}
QUILLON_EXPORT platform::com::HRESULT DllRegisterServer() { return quillon::g_module.RegisterServer(); }
QUILLON_EXPORT platform::com::HRESULT DllUnregisterServer() { return quillon::g_module.UnregisterServer(); }
