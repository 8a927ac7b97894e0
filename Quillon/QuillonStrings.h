// The photo control's string table.
#pragma once

#include <vector>

#include "MessageText.h"

namespace quillon {

// The system folder is held by another live form of the user (the folder).
inline constexpr int kMessageFormOpenElsewhere = 1018;

const std::vector<controls::StringEntry>& StringTable();
// The text of id, or the empty text.
inline const char* LoadString(int id) { return controls::LoadTableString(StringTable(), id); }

}  // namespace quillon
