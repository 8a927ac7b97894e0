#include "UIF_DBAcsFlDatWrapper.h"

#include <cstring>
#include <stdexcept>
#include <vector>

#include "UBL_ComFileCtrl.h"
#include "UBL_ComUtility.h"
#include "UBL_OvException.h"
#include "UBL_OvLog.h"
#include "UDC_HestrelConst.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/path.h"

namespace hestrel {

namespace {

constexpr const char* kClass = "TDBAcsFlDatWrapper";

// The library's error code: the buffer's text up to its first NUL.
std::string CodeText(const char (&code)[kErrorCodeBytes]) { return std::string(code, strnlen(code, sizeof code)); }

// The library's two-step text query: the size first, then the text into a buffer of exactly that size.
template <class Call>
int TextQuery(Call call, std::string& text, std::string& ErrorCode) {
  char code[kErrorCodeBytes] = {};
  int size = 0;
  if (call(nullptr, &size, code) != 1) {
    ErrorCode = CodeText(code);
    return -1;
  }
  if (size <= 0) {
    ErrorCode.clear();
    return -1;
  }
  std::vector<char> buffer(static_cast<std::size_t>(size), '\0');
  std::memset(code, 0, sizeof code);
  if (call(buffer.data(), &size, code) != 1) {
    ErrorCode = CodeText(code);
    return -1;
  }
  text.assign(buffer.data(), buffer.size());
  return 0;
}

// A missing work folder argument, or one that is not a folder, is raised.
void CheckWorkFolder(const char* WorkPathName, const char* method) {
  if (!WorkPathName) OV_RAISE(kClass, "WorkPathName", kErrNullArgument, method, "WorkPathName");
  if (!platform::IsFolder(WorkPathName)) OV_RAISE(kClass, WorkPathName, kErrNotFolder, method, WorkPathName);
}

// A missing estimate file argument, or one that names no file, is raised.
void CheckVekFile(const char* VekFileName, const char* method) {
  if (!VekFileName) OV_RAISE(kClass, "VekFileName", kErrNullArgument, method, VekFileName);
  if (!platform::IsFile(VekFileName)) OV_RAISE(kClass, VekFileName, kErrFileNotFound, method, VekFileName);
}

// The result of a library call as 0 / -1, with its code on failure.
int Mapped(int result, const char (&code)[kErrorCodeBytes], std::string& ErrorCode) {
  if (result == 1) return 0;
  ErrorCode = CodeText(code);
  return -1;
}

// One of the estimate file's records, cleared first and filled by the library.
template <class Record, class Read>
int ReadRecord(const char* method, const char* VekFileName, Record& record, void (*clear)(Record&), Read read,
               std::string& ErrorCode) {
  try {
    OV_DEBUGF(kClass, method, 3, std::string(method) + "開始 VekFileName=%s", VekFileName);
    CheckVekFile(VekFileName, method);
    clear(record);
    char code[kErrorCodeBytes] = {};
    if (Mapped(read(VekFileName, &record, code), code, ErrorCode) != 0) return -1;
    OV_DEBUGF(kClass, method, 3, std::string(method) + "終了 Result=%d", 0);
    return 0;
  } catch (...) {
    OV_ABNORMAL_END(kClass, method, 0);
    throw;
  }
}

}  // namespace

TDBAcsFlDatWrapper::TDBAcsFlDatWrapper(const char* DllFolderPath) {
  try {
    OV_DEBUGF(kClass, "Create", 1, "Create開始 DllFolderPath=%s", DllFolderPath);
    Bind(DllFolderPath);
    OV_DEBUG(kClass, "Create", 1, "Create終了");
  } catch (...) {
    OV_ABNORMAL_END(kClass, "Create", 0);
    Destroy();
    throw;
  }
}

TDBAcsFlDatWrapper::~TDBAcsFlDatWrapper() {
  try {
    Destroy();
  } catch (...) {
    OV_ABNORMAL_END(kClass, "Destroy", 0);
  }
}

void TDBAcsFlDatWrapper::Destroy() {
  OV_DEBUG(kClass, "Destroy", 1, "Destroy開始");
  if (FFinalize) FFinalize();
  FFinalize = nullptr;
  if (FHandle) platform::FreeModule(FHandle);
  FHandle = nullptr;
  OV_DEBUG(kClass, "Destroy", 1, "Destroy終了");
}

template <class F>
void TDBAcsFlDatWrapper::BindFunction(F& entry, const char* name) {
  void* address = platform::GetFunction(FHandle, name);
  if (!address) OV_RAISE(kClass, name, kErrFunctionMissing, "Create", name);
  entry = reinterpret_cast<F>(address);
}

void TDBAcsFlDatWrapper::Bind(const char* DllFolderPath) {
  std::string path = OvAddPathDelimiter(DllFolderPath ? DllFolderPath : "") + platform::ModuleFileName(kDorvikModule);
  if (!platform::IsFile(path)) OV_RAISE(kClass, path, kErrLibraryMissing, "Create", kDorvikModule);
  // Loaded by this very path: a name without a folder is the file in the current folder.
  if (path.find(platform::kDelimiter) == std::string::npos) path = "./" + path;
  FHandle = platform::LoadModuleFrom(path, nullptr);
  if (!FHandle) {
    std::string text = platform::ModuleError();
    if (text.empty()) text = OvSysErrorText(platform::LastError());
    OvSetSourceLocation(__FILE__, __LINE__);
    throw std::runtime_error(text);
  }
  BindFunction(FInitialize, "Initialize");
  BindFunction(FFinalize, "Finalize");
  BindFunction(FGetErrorMessage, "GetErrorMessage");
  BindFunction(FReadFileSignature, "ReadFileSignature");
  BindFunction(FReadFileHeaderData, "ReadFileHeaderData");
  BindFunction(FReadFileHeaderInfo, "ReadFileHeaderInfo");
  BindFunction(FWriteFileHeaderInfo, "WriteFileHeaderInfo");
  BindFunction(FReadFileHistoryData, "ReadFileHistoryData");
  BindFunction(FReadFileHistoryInfo, "ReadFileHistoryInfo");
  BindFunction(FDeleteAllHistory, "DeleteAllHistory");
  BindFunction(FSettingAgreed, "SettingAgreed");
  BindFunction(FReleaseAgreed, "ReleaseAgreed");
  BindFunction(FOpenVekFile, "OpenVekFile");
  BindFunction(FReadFileHeaderINI, "ReadFileHeaderINI");
  BindFunction(FReadFileHistoryINI, "ReadFileHistoryINI");
  BindFunction(FReadDBInfoINI, "ReadDBInfoINI");
  BindFunction(FWriteDBInfoINI, "WriteDBInfoINI");
  BindFunction(FReadDB, "ReadDB");
  BindFunction(FWriteDB, "WriteDB");
  BindFunction(FVaccumDB, "VaccumDB");
  BindFunction(FCreateMailLinkHeaderFile, "CreateMailLinkHeaderFile");
  BindFunction(FCreateMailLinkImageFile, "CreateMailLinkImageFile");
  BindFunction(FCreateVistrelLinkFile, "CreateVistrelLinkFile");
  BindFunction(FGetImagePathName, "GetImagePathName");
  BindFunction(FGetMailLinkHeaderFileName, "GetMailLinkHeaderFileName");
  BindFunction(FGetMailLinkImageFileName, "GetMailLinkImageFileName");
  BindFunction(FGetVistrelLinkFileName, "GetVistrelLinkFileName");
  BindFunction(FDeleteAllImageData, "DeleteAllImageData");
  BindFunction(FSaveVekFile, "SaveVekFile");
  BindFunction(FSaveVekFileEx, "SaveVekFileEx");
  BindFunction(FFeedbackMailLinkImageFile, "FeedbackMailLinkImageFile");
}

int TDBAcsFlDatWrapper::Initialize(int Mode, const char* LogPath, const char* LogFileName, int LogLevel,
                                   const char* MsgFilePath, std::string& /*ErrorCode*/) {
  try {
    OV_DEBUGF(kClass, "Initialize", 2, "Initialize開始 Mode=%d, LogPath=%s, LogLevel=%d, MsgFilePath=%s", Mode,
              LogPath, LogLevel, MsgFilePath);
    int result = FInitialize(Mode, LogPath, LogFileName, LogLevel, MsgFilePath);
    OV_DEBUG(kClass, "Initialize", 2, "Initialize終了");
    return result == 1 ? 0 : -1;
  } catch (...) {
    OV_ABNORMAL_END(kClass, "Initialize", 0);
    throw;
  }
}

int TDBAcsFlDatWrapper::ReadFileHeaderData(const char* VekFileName, HeaderData& Record, std::string& ErrorCode) {
  return ReadRecord("ReadFileHeaderData", VekFileName, Record, TVekFileRecCtrl::ClearHeaderData, FReadFileHeaderData,
                    ErrorCode);
}

int TDBAcsFlDatWrapper::ReadFileHeaderInfo(const char* VekFileName, HeaderInfo& Record, std::string& ErrorCode) {
  return ReadRecord("ReadFileHeaderInfo", VekFileName, Record, TVekFileRecCtrl::ClearHeaderInfo, FReadFileHeaderInfo,
                    ErrorCode);
}

int TDBAcsFlDatWrapper::OpenVekFile(const char* VekFileName, const char* WorkPathName, std::string& ErrorCode) {
  try {
    OV_DEBUGF(kClass, "OpenVekFile", 3, "OpenVekFile開始 VekFileName=%s, WorkPathName=%s", VekFileName, WorkPathName);
    if (!VekFileName || !platform::IsFile(VekFileName)) return -1;
    if (!WorkPathName || !platform::IsFolder(WorkPathName)) {
      OV_RAISE(kClass, WorkPathName ? WorkPathName : "", kErrNotFolder, "OpenVekFile", WorkPathName);
    }
    char code[kErrorCodeBytes] = {};
    if (Mapped(FOpenVekFile(VekFileName, WorkPathName, code), code, ErrorCode) != 0) return -1;
    OV_DEBUGF(kClass, "OpenVekFile", 3, "OpenVekFile終了 Result=%d", 0);
    return 0;
  } catch (...) {
    OV_ABNORMAL_END(kClass, "OpenVekFile", 0);
    throw;
  }
}

int TDBAcsFlDatWrapper::GetImagePathName(const char* WorkPathName, std::string& PathName, std::string& ErrorCode) {
  try {
    OV_DEBUGF(kClass, "GetImagePathName", 3, "GetImagePathName開始 WorkPathName=%s, PathName=%s", WorkPathName,
              PathName);
    CheckWorkFolder(WorkPathName, "GetImagePathName");
    auto call = [&](char* buffer, int* size, char* code) { return FGetImagePathName(WorkPathName, buffer, size, code); };
    if (TextQuery(call, PathName, ErrorCode) != 0) return -1;
    OV_DEBUGF(kClass, "GetImagePathName", 3, "GetImagePathName終了 Result=%d", 0);
    return 0;
  } catch (...) {
    OV_ABNORMAL_END(kClass, "GetImagePathName", 3);
    throw;
  }
}

int TDBAcsFlDatWrapper::GetVistrelLinkFileName(const char* WorkPathName, const char* VekFileName,
                                               std::string& FileName, std::string& ErrorCode) {
  try {
    OV_DEBUGF(kClass, "GetVistrelLinkFileName", 3, "GetVistrelLinkFileName開始 WorkPathName=%s, FileName=%s",
              WorkPathName, FileName);
    if (!WorkPathName) OV_RAISE(kClass, "WorkPathName", kErrNullArgument, "GetVistrelLinkFileName", "WorkPathName");
    if (!VekFileName) OV_RAISE(kClass, "VekFileName", kErrNullArgument, "GetVistrelLinkFileName", "VekFileName");
    CheckWorkFolder(WorkPathName, "GetVistrelLinkFileName");
    auto call = [&](char* buffer, int* size, char* code) {
      return FGetVistrelLinkFileName(WorkPathName, VekFileName, buffer, size, code);
    };
    if (TextQuery(call, FileName, ErrorCode) != 0) return -1;
    OV_DEBUGF(kClass, "GetVistrelLinkFileName", 3, "GetVistrelLinkFileName終了 Result=%d", 0);
    return 0;
  } catch (...) {
    OV_ABNORMAL_END(kClass, "GetVistrelLinkFileName", 3);
    throw;
  }
}

int TDBAcsFlDatWrapper::DeleteAllImageData(const char* WorkPathName, std::string& ErrorCode) {
  try {
    OV_DEBUGF(kClass, "DeleteAllImageData", 3, "DeleteAllImageData開始 WorkPathName=%s", WorkPathName);
    CheckWorkFolder(WorkPathName, "DeleteAllImageData");
    char code[kErrorCodeBytes] = {};
    if (Mapped(FDeleteAllImageData(WorkPathName, code), code, ErrorCode) != 0) return -1;
    OV_DEBUGF(kClass, "DeleteAllImageData", 3, "DeleteAllImageData終了 Result=%d", 0);
    return 0;
  } catch (...) {
    OV_ABNORMAL_END(kClass, "DeleteAllImageData", 3);
    throw;
  }
}

int TDBAcsFlDatWrapper::SaveVekFileEx(const char* WorkPathName, const char* VekFileName, std::string& ErrorCode) {
  try {
    OV_DEBUGF(kClass, "SaveVekFileEx", 3, "SaveVekFileEx開始 WorkPathName=%s, VekFileName=%s", WorkPathName,
              VekFileName);
    if (!WorkPathName) OV_RAISE(kClass, "WorkPathName", kErrNullArgument, "SaveVekFileEx", "WorkPathName");
    if (!VekFileName) OV_RAISE(kClass, "VekFileName", kErrNullArgument, "SaveVekFileEx", "VekFileName");
    CheckWorkFolder(WorkPathName, "SaveVekFileEx");
    std::string leftover = OvAddPathDelimiter(WorkPathName) + kLeftoverCabinet;
    if (OvFileExists(leftover)) OvForceFileDelete(leftover);
    char code[kErrorCodeBytes] = {};
    if (Mapped(FSaveVekFileEx(WorkPathName, VekFileName, code), code, ErrorCode) != 0) return -1;
    OV_DEBUGF(kClass, "SaveVekFileEx", 3, "SaveVekFileEx終了 Result=%d", 0);
    return 0;
  } catch (...) {
    OV_ABNORMAL_END(kClass, "SaveVekFileEx", 0);
    throw;
  }
}

}  // namespace hestrel
