// The photo control's class ids, type library and registration values.
#pragma once

#include "ControlModule.h"
#include "platform/com/module.h"
#include "platform/com/type_info.h"

namespace quillon {

inline constexpr platform::com::CLSID kClsidQuillonCtrl =
    platform::com::MakeGuid("{9850172F-5180-4D4F-BFB6-3CB39E817481}");
inline constexpr platform::com::CLSID kClsidQuillonPropPage =
    platform::com::MakeGuid("{3736C22C-D4BC-4019-A495-B03BDF146A67}");
inline constexpr platform::com::GUID kLibidQuillonLib =
    platform::com::MakeGuid("{93A18EF3-747F-4A49-B713-6BB1C1C1D4A4}");
inline constexpr platform::com::IID kIidDQuillon = platform::com::MakeGuid("{111DFB95-6443-4B8D-9C13-81A8331DE6B0}");
inline constexpr platform::com::IID kIidDQuillonEvents =
    platform::com::MakeGuid("{B2613C74-0672-43A5-996F-6AD5E652F5BC}");

inline constexpr controls::ControlIdentity kQuillonIdentity{
    "Quillon", "1,1,4,0", kClsidQuillonCtrl, kClsidQuillonPropPage, kLibidQuillonLib, kIidDQuillon, kIidDQuillonEvents};

const platform::com::TypeLib& QuillonTypeLib();
// The module's classes, type library and categories, as its factories and registration use them.
platform::com::ModuleInfo QuillonModuleInfo();

}  // namespace quillon
