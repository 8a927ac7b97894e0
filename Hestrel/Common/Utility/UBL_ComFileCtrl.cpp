#include "UBL_ComFileCtrl.h"

#include "UBL_OvLog.h"
#include "UDC_HestrelConst.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/path.h"

namespace hestrel {

namespace {
// A failed delete that left no error code still reads as a failure.
int FailureCode() {
  int code = platform::LastError();
  return code ? code : -2;
}
}  // namespace

int OvDirectoryDelete(const char* folder) {
  try {
    OV_DEBUGF(kCommonFunctions, "OvDirectoryDelete", 3, "OvDirectoryDelete開始 pDeleteDirectory=%s", folder);
    if (!folder) return -1;
    std::string path = folder;
    if (!path.empty() && path.back() == platform::kDelimiter) path.pop_back();
    if (!platform::IsFolder(path)) return 0;
    platform::SetLastError(0);
    if (!platform::DeleteTree(path)) return FailureCode();
    if (platform::IsFolder(path)) return -2;
    OV_DEBUGF(kCommonFunctions, "OvDirectoryDelete", 3, "OvDirectoryDelete終了 Result=%d", 0);
    return 0;
  } catch (...) {
    OV_ABNORMAL_END(kCommonFunctions, "OvDirectoryDelete", 0);
    throw;
  }
}

bool OvFileExists(const std::string& file) {
  OV_DEBUGF(kCommonFunctions, "OvFileExists", 5, "OvFileExists開始 Filename=%s", file);
  bool exists = platform::IsFile(file);
  OV_DEBUGF(kCommonFunctions, "OvFileExists", 5, "OvFileExists終了 Result=%s", exists ? "True" : "False");
  return exists;
}

int OvForceFileDelete(const std::string& file) {
  try {
    OV_DEBUGF(kCommonFunctions, "OvForceFileDelete", 3, "OvForceFileDelete開始 sDelFileName=%s", file);
    if (file.empty()) return -2;
    if (!platform::IsFile(file)) return -3;
    platform::SetLastError(0);
    if (!platform::DeleteTree(file)) return FailureCode();
    OV_DEBUGF(kCommonFunctions, "OvForceFileDelete", 3, "OvForceFileDelete終了 Result=%d", 0);
    return 0;
  } catch (...) {
    OV_ABNORMAL_END(kCommonFunctions, "OvForceFileDelete", 0);
    throw;
  }
}

}  // namespace hestrel
