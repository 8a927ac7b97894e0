// The selection control's string table.
#pragma once

#include <vector>

#include "MessageText.h"

namespace tamsel {


const std::vector<controls::StringEntry>& StringTable();
// The text of id, or the empty text.
inline const char* LoadString(int id) { return controls::LoadTableString(StringTable(), id); }

}  // namespace tamsel
