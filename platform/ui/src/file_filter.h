// The file dialogs' filters: the system's "description|pattern|" list as Qt's "description (patterns);;".
#pragma once

#include <string>

namespace platform::ui::detail {

// CP932 in, UTF-8 out. A description that names its patterns in brackets keeps them once; "*.*" means every
// file, so it becomes "*"; patterns joined by ";" are joined by spaces.
std::string QtFileFilter(const std::string& filter);
// The default extension Qt can add: a plain extension ("doc", ".doc"); empty for one with wildcards or lists.
std::string QtDefaultSuffix(const std::string& extension);

}  // namespace platform::ui::detail
