// The selection control's class ids, type library and registration values.
#pragma once

#include "ControlModule.h"
#include "platform/com/module.h"
#include "platform/com/type_info.h"

namespace tamsel {

inline constexpr platform::com::CLSID kClsidTamselCtrl =
    platform::com::MakeGuid("{94E256C8-26C8-41C0-B698-BC6C97F35128}");
inline constexpr platform::com::CLSID kClsidTamselPropPage =
    platform::com::MakeGuid("{3E5822F1-535F-4233-96FB-6B8C5AE16DF5}");
inline constexpr platform::com::GUID kLibidTamselLib = platform::com::MakeGuid("{8B9DF874-095F-4697-9B70-29230CA9CE3D}");
inline constexpr platform::com::IID kIidDTamsel = platform::com::MakeGuid("{640291E6-F5B5-49B0-A02D-9B9AC64F4511}");
inline constexpr platform::com::IID kIidDTamselEvents =
    platform::com::MakeGuid("{25D578D3-190E-4526-8328-6B760BD38C22}");

inline constexpr controls::ControlIdentity kTamselIdentity{
    "Tamsel", "1,1,2,0", kClsidTamselCtrl, kClsidTamselPropPage, kLibidTamselLib, kIidDTamsel, kIidDTamselEvents};

const platform::com::TypeLib& TamselTypeLib();
// The module's classes, type library and categories, as its factories and registration use them.
platform::com::ModuleInfo TamselModuleInfo();

}  // namespace tamsel
