#include "QuillonLib.h"

#include "CQuillonCtrl.h"
#include "CQuillonPropPage.h"
#include "QuillonStrings.h"

namespace quillon {

namespace com = platform::com;

const com::TypeLib& QuillonTypeLib() {
  static const com::TypeLib lib = controls::ControlTypeLib(
      kQuillonIdentity, {{CQuillonCtrl::kDispidOnClickedReturnBtn,
                          "OnClickedReturnBtn",
                          com::DispatchKind::Method,
                          {{"CGIID", com::VT_BSTR}, {"BTNID", com::VT_BSTR}}},
                         {CQuillonCtrl::kDispidOnScrollResizeInfo, "OnScrollResizeInfo", com::DispatchKind::Method}});
  return lib;
}

com::ModuleInfo QuillonModuleInfo() {
  // CQuillonCtrlFactory and CQuillonPropPageFactory.
  return controls::ControlModuleInfo(kQuillonIdentity, QuillonTypeLib(), StringTable(),
                                     &com::CreateObject<CQuillonCtrl>, &com::CreateObject<CQuillonPropPage>);
}

}  // namespace quillon
