#include "QuillonLib.h"

#include "COleControl.h"
#include "CQuillonCtrl.h"
#include "CQuillonPropPage.h"
#include "ControlRegistration.h"
#include "QuillonStrings.h"

namespace quillon {

namespace com = platform::com;

const com::TypeLib& QuillonTypeLib() {
  static const com::TypeLib lib = [] {
    com::TypeLib t{kLibidQuillonLib, 1, 0, "QuillonLib", {}, {}};
    t.interfaces.push_back({kIidDQuillon, "_DQuillon", controls::SkeletonTypeMembers()});
    using com::DispatchKind;
    std::vector<com::TypeMember> events = controls::SkeletonEventMembers();
    events.push_back({CQuillonCtrl::kDispidOnClickedReturnBtn,
                      "OnClickedReturnBtn",
                      DispatchKind::Method,
                      {{"CGIID", com::VT_BSTR}, {"BTNID", com::VT_BSTR}}});
    events.push_back({CQuillonCtrl::kDispidOnScrollResizeInfo, "OnScrollResizeInfo", DispatchKind::Method});
    t.interfaces.push_back({kIidDQuillonEvents, "_DQuillonEvents", std::move(events)});
    t.classes.push_back({kClsidQuillonCtrl, "Quillon", kIidDQuillon, kIidDQuillonEvents});
    return t;
  }();
  return lib;
}

com::ModuleInfo QuillonModuleInfo() {
  com::ModuleInfo info;
  // CQuillonCtrlFactory: one control object per creation (not multi-instance).
  info.classes.push_back({kClsidQuillonCtrl, "Quillon.QuillonCtrl.1", LoadString(kIdsTypeName), kQuillonMiscStatus,
                          com::ThreadingModel::Apartment, 1, true, controls::SafeControlCategories(),
                          &com::CreateObject<CQuillonCtrl>});
  // CQuillonPropPageFactory.
  info.classes.push_back({kClsidQuillonPropPage, "Quillon.QuillonPropPage.1", LoadString(kIdsPropPageTypeName), 0,
                          com::ThreadingModel::None, 0, false, {}, &com::CreateObject<CQuillonPropPage>});
  info.typeLib = &QuillonTypeLib();
  info.categories = controls::SafeControlCategoryDescriptions();
  return info;
}

}  // namespace quillon
