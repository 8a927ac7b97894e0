// The photo control's module: its application object and its four exports.
#include "ControlMessage.h"
#include "ImageMessages.h"
#include "ModuleExports.h"
#include "QuillonLib.h"
#include "QuillonStrings.h"
#include "platform/com/module.h"

namespace quillon {
namespace {

// The control module. Containment of the browser control needs no switch in this layer; what it sets up is
// where the image code's messages go: the control's message box (all of them system errors).
class CQuillonApp {
 public:
  CQuillonApp() { InitInstance(); }
  ~CQuillonApp() { ExitInstance(); }
  bool InitInstance() {
    SetImageMessageSink([](int id, const std::string& argument) {
      controls::ShowTableMessage(StringTable(), id, platform::ui::BoxIcon::Stop, {argument});
    });
    return true;
  }
  int ExitInstance() {
    SetImageMessageSink({});
    return 0;
  }
};

CQuillonApp theApp;
platform::com::Module g_module(QuillonModuleInfo());

}  // namespace
}  // namespace quillon

CONTROLS_MODULE_EXPORTS(quillon::g_module)
