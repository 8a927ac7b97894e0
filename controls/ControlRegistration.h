// The component categories both controls register: safe for initialisation from persistent data and for
// scripting.
#pragma once

#include <vector>

#include "platform/com/class_table.h"

namespace controls {

inline constexpr platform::com::GUID kCatidSafeForInitializing =
    platform::com::MakeGuid("{7DD95802-9882-11CF-9FA9-00AA006C42C4}");
inline constexpr platform::com::GUID kCatidSafeForScripting =
    platform::com::MakeGuid("{7DD95801-9882-11CF-9FA9-00AA006C42C4}");

// The two categories, in the order they are created.
std::vector<platform::com::GUID> SafeControlCategories();
std::vector<platform::com::ComponentCategory> SafeControlCategoryDescriptions();

}  // namespace controls
