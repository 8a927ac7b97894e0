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
    // GetStatus stands in the event interface too, as the control's library has always declared it.
    t.interfaces.push_back({kIidDQuillonEvents,
                            "_DQuillonEvents",
                            {
                                {1, "GetStatus", DispatchKind::Method, {}, com::VT_UI4},
                                {controls::kDispidOnStatusChanged,
                                 "OnStatusChanged",
                                 DispatchKind::Method,
                                 {{"Status", com::VT_UI4}, {"CGIID", com::VT_BSTR}}},
                                {controls::kDispidOnCallRegist,
                                 "OnCallRegist",
                                 DispatchKind::Method,
                                 {{"Delimiter", com::VT_BSTR}, {"Regist", com::VT_BSTR}}},
                                {CQuillonCtrl::kDispidOnClickedReturnBtn,
                                 "OnClickedReturnBtn",
                                 DispatchKind::Method,
                                 {{"CGIID", com::VT_BSTR}, {"BTNID", com::VT_BSTR}}},
                                {CQuillonCtrl::kDispidOnScrollResizeInfo, "OnScrollResizeInfo", DispatchKind::Method},
                            }});
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
