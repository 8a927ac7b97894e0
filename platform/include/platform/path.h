// Paths: the delimiter and the CP932 <-> system (UTF-8) form of a path.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// The one path delimiter. "/" is never a CP932 trail byte.
inline constexpr char kDelimiter = '/';

// Separator inside names stored in formats of their own (cabinet names, registry keys).
inline constexpr char kStoredSeparator = '\\';

// The UTF-8 form of a CP932 path for a system call; false when the path is empty or does not convert.
bool ToSystemPath(std::string_view cp932, std::string& system);

// The CP932 form of a name the system lists; false when it does not convert.
bool FromSystemPath(std::string_view system, std::string& cp932);

// "/" at the start.
inline bool IsAbsolute(std::string_view p) { return !p.empty() && p[0] == kDelimiter; }

// Turns every single-byte stored separator ("\") into the delimiter and back, stepping over double-byte characters.
std::string StoredToPath(std::string_view stored);
std::string PathToStored(std::string_view path);

}  // namespace platform
