// The photo control's string table.
#pragma once

#include <vector>

#include "MessageText.h"

namespace quillon {

inline constexpr int kIdsTypeName = 1;
inline constexpr int kIdsPropPageTypeName = 2;
inline constexpr int kIdsPropPageCaption = 200;
inline constexpr int kIdsBoxTitle = 57344;
// The system folder is held by another live form of the user (the folder).
inline constexpr int kMessageFormOpenElsewhere = 1018;

const std::vector<controls::StringEntry>& StringTable();
// The text of id, or the empty text.
const char* LoadString(int id);

}  // namespace quillon
