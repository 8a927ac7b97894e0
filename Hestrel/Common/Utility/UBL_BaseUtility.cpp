#include "UBL_BaseUtility.h"

#include "UBL_ComUtility.h"
#include "UDC_HestrelConst.h"
#include "platform/env.h"

namespace hestrel {

int OvVersionCode(int platformId, int major, int minor) {
  if (platformId == kPlatformWin9x) {
    if (major != 4) return 0;
    return minor == 0 ? 1 : minor == 10 ? 3 : minor == 90 ? 5 : 0;
  }
  if (platformId != kPlatformNT) return 0;
  if (major == 4) return 2;
  if (major == 5) return minor == 0 ? 4 : minor == 1 ? 6 : 0;
  if (major == 6) return minor >= 0 && minor <= 3 ? 7 + minor : 0;
  return major >= 10 ? 11 : 0;
}

int OvSettleVersionCode(int code, bool failed, int major, int minor) {
  if (code <= 8 || failed) return code;
  if (major == 6) return minor == 2 ? 9 : minor == 3 ? 10 : 11;
  return major >= 10 ? 11 : code;
}

int OvGetWindowsVersion() {
  int major = 0, minor = 0, build = 0;
  platform::CurrentEnvironment().OsVersion(major, minor, build);
  int code = OvVersionCode(kPlatformNT, major, minor);
  // The true version: the environment reports it directly.
  return OvSettleVersionCode(code, false, major, minor);
}

std::string OvDocumentsFolder() {
  return OvAddPathDelimiter(platform::CurrentEnvironment().GetSpecialFolder(platform::SpecialFolder::CommonDocuments));
}

namespace {
std::string ProductFolder() {
  return OvDocumentsFolder() + OvAddPathDelimiter(kVendorFolder) + OvAddPathDelimiter(kProductFolder);
}
}  // namespace

std::string OvLogFolder(int versionCode) {
  if (!OvIsAfterVista(versionCode)) return kOldLogFolder;
  return ProductFolder() + OvAddPathDelimiter(kBinFolder) + OvAddPathDelimiter(kLogFolder);
}

std::string OvOptionFile(int versionCode) {
  if (!OvIsAfterVista(versionCode)) return kOldOptionFile;
  return ProductFolder() + OvAddPathDelimiter(kDataFolder) + kOptionFile;
}

bool OvReadApplicationPath(std::string& out) {
  std::string value;
  if (!platform::CurrentEnvironment().ReadRegistry(kSettingsKey, kApplicationPathValue, value)) return false;
  if (value.size() >= kRegistryValueBytes) return false;
  out = value.substr(0, value.find('\0'));
  return true;
}

}  // namespace hestrel
