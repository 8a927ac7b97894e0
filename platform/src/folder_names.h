// Case-insensitive lookup of a name in a folder (system paths, UTF-8), with the folder's names kept between
// lookups while the folder stays unchanged.
#pragma once

#include <string>

namespace platform::detail {

// name with its ASCII letters upper-cased (the other bytes as they are).
std::string UpperName(const std::string& name);

// The entry of folder whose name equals name without regard to ASCII case; the smallest such name when
// case variants stand side by side, so the choice does not depend on the order of the folder. Empty when
// none (or when the folder cannot be read). *read tells whether the folder could be read.
std::string MatchInFolder(const std::string& folder, const std::string& name, bool* read = nullptr);

// Tells the kept names of folder that this process has just made the entry name in it.
void NoteCreated(const std::string& folder, const std::string& name);

}  // namespace platform::detail
