#include "TamselLib.h"

#include "CTamselCtrl.h"
#include "CTamselPropPage.h"
#include "TamselStrings.h"

namespace tamsel {

namespace com = platform::com;

const com::TypeLib& TamselTypeLib() {
  static const com::TypeLib lib = controls::ControlTypeLib(kTamselIdentity);
  return lib;
}

com::ModuleInfo TamselModuleInfo() {
  // CTamselCtrlFactory and CTamselPropPageFactory.
  return controls::ControlModuleInfo(kTamselIdentity, TamselTypeLib(), StringTable(),
                                     &com::CreateObject<CTamselCtrl>, &com::CreateObject<CTamselPropPage>);
}

}  // namespace tamsel
