// What makes a control's module its own: its name, version and ids. The skeleton's about box, property page,
// type library, class table and description are made from them, so that both controls register alike.
#pragma once

#include <cstdint>
#include <vector>

#include "COleControl.h"
#include "MessageText.h"
#include "platform/com/class_table.h"
#include "platform/com/type_info.h"
#include "platform/ui/dialog_template.h"

namespace controls {

// The skeleton's resources, the same ids in both controls.
inline constexpr int kIddAboutBox = 1;
inline constexpr int kIddPropPage = 200;
inline constexpr int kIdsTypeName = 1;
inline constexpr int kIdsPropPageTypeName = 2;

// Activate when visible, set client site first, inside-out, can't link inside, recompose on resize.
inline constexpr std::uint32_t kControlMiscStatus = 0x20191;

struct ControlIdentity {
  const char* name;     // "Foo": coclass "Foo", type library "FooLib", "_DFoo", ProgID "Foo.FooCtrl.1", ...
  const char* version;  // as the about box shows it, "1,1,2,0"
  platform::com::CLSID control;
  platform::com::CLSID propPage;
  platform::com::GUID libid;
  platform::com::IID dispatch;
  platform::com::IID events;
};

// Dialog 1: "<name> のバージョン情報" with the name, the version and OK.
platform::ui::DialogTemplate AboutBoxTemplate(const ControlIdentity& identity);
// Dialog 200: the property page, captioned "全般", without controls.
const platform::ui::DialogTemplate& PropPageTemplate();

// Version 1.0, the skeleton's dispinterface, the skeleton's events followed by ownEvents, and the control's class.
platform::com::TypeLib ControlTypeLib(const ControlIdentity& identity,
                                      std::vector<platform::com::TypeMember> ownEvents = {});

// The control's factory (not multi-instance) and its property page's, with their type names from strings 1 and 2,
// the type library and the two safe categories.
platform::com::ModuleInfo ControlModuleInfo(const ControlIdentity& identity, const platform::com::TypeLib& lib,
                                            const std::vector<StringEntry>& strings,
                                            platform::com::CreateFunction createControl,
                                            platform::com::CreateFunction createPropPage);

ControlDescription DescribeControl(const ControlIdentity& identity, const platform::com::TypeLib& lib,
                                   const std::vector<StringEntry>& strings,
                                   const platform::ui::DialogTemplate& aboutBox);

}  // namespace controls
