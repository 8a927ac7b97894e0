#include "TamselLib.h"

#include "COleControl.h"
#include "CTamselCtrl.h"
#include "CTamselPropPage.h"
#include "ControlRegistration.h"
#include "TamselStrings.h"

namespace tamsel {

namespace com = platform::com;

const com::TypeLib& TamselTypeLib() {
  static const com::TypeLib lib = [] {
    com::TypeLib t{kLibidTamselLib, 1, 0, "TamselLib", {}, {}};
    t.interfaces.push_back({kIidDTamsel, "_DTamsel", controls::SkeletonTypeMembers()});
    t.interfaces.push_back({kIidDTamselEvents, "_DTamselEvents", controls::SkeletonEventMembers()});
    t.classes.push_back({kClsidTamselCtrl, "Tamsel", kIidDTamsel, kIidDTamselEvents});
    return t;
  }();
  return lib;
}

com::ModuleInfo TamselModuleInfo() {
  com::ModuleInfo info;
  // CTamselCtrlFactory: one control object per creation (not multi-instance).
  info.classes.push_back({kClsidTamselCtrl, "Tamsel.TamselCtrl.1", LoadString(kIdsTypeName), kTamselMiscStatus,
                          com::ThreadingModel::Apartment, 1, true, controls::SafeControlCategories(),
                          &com::CreateObject<CTamselCtrl>});
  // CTamselPropPageFactory.
  info.classes.push_back({kClsidTamselPropPage, "Tamsel.TamselPropPage.1", LoadString(kIdsPropPageTypeName), 0,
                          com::ThreadingModel::None, 0, false, {}, &com::CreateObject<CTamselPropPage>});
  info.typeLib = &TamselTypeLib();
  info.categories = controls::SafeControlCategoryDescriptions();
  return info;
}

}  // namespace tamsel
