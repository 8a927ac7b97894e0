// How the controls read their PARAM values: numbers, the system folder, the dialog font size.
#pragma once

#include <string>
#include <string_view>

namespace controls {

// The number a PARAM text gives, read like atoi (leading blanks, a sign, the digits that follow; none give 0),
// but clamped to the 32-bit range instead of overflowing.
int ParamToInt(std::string_view text);

// The point size of every dialog's template font: 9 when both screen DPI values exceed 96, else 12.
int DialogPointSize(int dpiX, int dpiY);

// The per-user working folder of the controls, with a trailing delimiter: the profile folder followed by
// "AppData/LocalLow/zentrovia/" when the profile holds "AppData/LocalLow", else by "zentrovia/"; empty when the
// profile folder is unknown.
std::string ProfileSystemFolder();

// The host's SystemFolder PARAM where the profile rule does not apply. A drive ("X:" and its "\" separators)
// names the one root here, so "X:\Data\" becomes "/Data/"; other values are kept as given.
std::string HostSystemFolder(std::string_view param);

}  // namespace controls
