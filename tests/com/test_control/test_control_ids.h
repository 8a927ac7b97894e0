// Ids of the test control library, shared by the library and the tests that drive it.
#pragma once

#include "platform/com/dispatch.h"
#include "platform/com/guid.h"

namespace test_control {

using platform::com::DISPID;
using platform::com::MakeGuid;

inline constexpr platform::com::CLSID kClsidControl = MakeGuid("{5D0F3C11-6A2B-4E7C-9B1D-2F8E4A6C0B71}");
inline constexpr platform::com::CLSID kClsidPage = MakeGuid("{5D0F3C12-6A2B-4E7C-9B1D-2F8E4A6C0B71}");
inline constexpr platform::com::GUID kLibid = MakeGuid("{5D0F3C13-6A2B-4E7C-9B1D-2F8E4A6C0B71}");
inline constexpr platform::com::IID kDiidControl = MakeGuid("{5D0F3C14-6A2B-4E7C-9B1D-2F8E4A6C0B71}");
inline constexpr platform::com::IID kDiidEvents = MakeGuid("{5D0F3C15-6A2B-4E7C-9B1D-2F8E4A6C0B71}");
// The two component categories of a control that pages may script and initialise.
inline constexpr platform::com::GUID kCatidSafeForInitializing = MakeGuid("{7DD95802-9882-11CF-9FA9-00AA006C42C4}");
inline constexpr platform::com::GUID kCatidSafeForScripting = MakeGuid("{7DD95801-9882-11CF-9FA9-00AA006C42C4}");

inline constexpr char kProgIdControl[] = "VekComTest.TestCtrl.1";
inline constexpr char kProgIdPage[] = "VekComTest.TestPropPage.1";

// Members of the control.
inline constexpr DISPID kDispidGetStatus = 1;  // shared with ReceptDate, which never reaches its own getter
inline constexpr DISPID kDispidCaption = 40;
inline constexpr DISPID kDispidSetStatus = 50;
inline constexpr DISPID kDispidGetParam = 51;
inline constexpr DISPID kDispidThrow = 52;
// Events.
inline constexpr DISPID kDispidOnStatusChanged = 2;

}  // namespace test_control
