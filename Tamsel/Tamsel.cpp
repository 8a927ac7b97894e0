// The selection control's module: its application object and its four exports.
#include "ModuleExports.h"
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

CONTROLS_MODULE_EXPORTS(tamsel::g_module)
