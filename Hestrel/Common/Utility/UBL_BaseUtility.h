// The version code of the host system, which chooses the folders of the log and the settings, and the
// installation folder read from the registry stand-in.
#pragma once

#include <string>

namespace hestrel {

inline constexpr int kPlatformWin9x = 1;
inline constexpr int kPlatformNT = 2;

// The version code (0-11) of a platform and version; 0 for versions without a code.
int OvVersionCode(int platformId, int major, int minor);
// A code above 8 settled again with the true version; failed: the true version could not be read.
int OvSettleVersionCode(int code, bool failed, int major, int minor);
// The code of the running system.
int OvGetWindowsVersion();
// Codes above 6 keep their logs and settings in the shared documents folder.
inline bool OvIsAfterVista(int code) { return code > 6; }

// The documents folder shared by all users, with a trailing delimiter (empty when unknown).
std::string OvDocumentsFolder();
// The log folder and the settings file for a version code.
std::string OvLogFolder(int versionCode);
std::string OvOptionFile(int versionCode);

// The registry's ApplicationPath (up to its first NUL); false when the key or the value cannot be read or
// the value does not fit the 256-byte buffer it is read into.
bool OvReadApplicationPath(std::string& out);

}  // namespace hestrel
