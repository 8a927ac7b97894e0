// Placeholder: the INI layer is being written.
#include "platform/ini.h"

namespace platform {

IniDocument IniDocument::Parse(std::string_view) { return {}; }
std::string IniDocument::Serialize() const { return {}; }
const IniSection* IniDocument::FindSection(std::string_view) const { return nullptr; }
const IniEntry* IniDocument::FindEntry(std::string_view, std::string_view) const { return nullptr; }
bool IniReadFile(const std::string&, IniDocument&) { return false; }

}  // namespace platform
