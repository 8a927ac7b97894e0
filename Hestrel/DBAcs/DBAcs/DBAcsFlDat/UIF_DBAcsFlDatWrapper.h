// Hestrel's one road to the estimate-file library: one object per exported call loads "Dorvik.dll" from the
// caller's folder, binds its functions, turns their 1/0 results into 0/-1 with the error code as text, and on
// destruction finalises and unloads the library. Failures of the binding and of the argument checks are raised
// (TOvException, or a plain exception when the library cannot be loaded) after they were logged.
#pragma once

#include <string>

#include "URC_DBAcsFlDat.h"
#include "URC_GlobalData.h"
#include "platform/module.h"

namespace hestrel {

class TDBAcsFlDatWrapper {
 public:
  explicit TDBAcsFlDatWrapper(const char* DllFolderPath);
  ~TDBAcsFlDatWrapper();
  TDBAcsFlDatWrapper(const TDBAcsFlDatWrapper&) = delete;
  TDBAcsFlDatWrapper& operator=(const TDBAcsFlDatWrapper&) = delete;

  // 0 when the library reports success, else -1; ErrorCode is left as it was.
  int Initialize(int Mode, const char* LogPath, const char* LogFileName, int LogLevel, const char* MsgFilePath,
                 std::string& ErrorCode);
  int ReadFileHeaderData(const char* VekFileName, HeaderData& Record, std::string& ErrorCode);
  int ReadFileHeaderInfo(const char* VekFileName, HeaderInfo& Record, std::string& ErrorCode);
  // -1 at once, without an exception, when the estimate file is missing.
  int OpenVekFile(const char* VekFileName, const char* WorkPathName, std::string& ErrorCode);
  // The text results keep the library's terminating NUL as their last character.
  int GetImagePathName(const char* WorkPathName, std::string& PathName, std::string& ErrorCode);
  int GetVistrelLinkFileName(const char* WorkPathName, const char* VekFileName, std::string& FileName,
                             std::string& ErrorCode);
  int DeleteAllImageData(const char* WorkPathName, std::string& ErrorCode);
  // Removes a leftover "EstimateData.cab" from the work folder first.
  int SaveVekFileEx(const char* WorkPathName, const char* VekFileName, std::string& ErrorCode);

 private:
  void Bind(const char* DllFolderPath);
  template <class F>
  void BindFunction(F& entry, const char* name);
  // Finalises and unloads what was bound and loaded.
  void Destroy();

  platform::ModuleHandle FHandle = nullptr;
  TInitialize FInitialize = nullptr;
  TFinalize FFinalize = nullptr;
  TGetErrorMessage FGetErrorMessage = nullptr;
  TReadFileSignature FReadFileSignature = nullptr;
  TReadFileHeaderData FReadFileHeaderData = nullptr;
  TReadFileHeaderInfo FReadFileHeaderInfo = nullptr;
  TWriteFileHeaderInfo FWriteFileHeaderInfo = nullptr;
  TReadFileHistoryData FReadFileHistoryData = nullptr;
  TReadFileHistoryInfo FReadFileHistoryInfo = nullptr;
  TDeleteAllHistory FDeleteAllHistory = nullptr;
  TSettingAgreed FSettingAgreed = nullptr;
  TReleaseAgreed FReleaseAgreed = nullptr;
  TOpenVekFile FOpenVekFile = nullptr;
  TReadFileHeaderINI FReadFileHeaderINI = nullptr;
  TReadFileHistoryINI FReadFileHistoryINI = nullptr;
  TReadDBInfoINI FReadDBInfoINI = nullptr;
  TWriteDBInfoINI FWriteDBInfoINI = nullptr;
  TReadDB FReadDB = nullptr;
  TWriteDB FWriteDB = nullptr;
  TVaccumDB FVaccumDB = nullptr;
  TCreateMailLinkHeaderFile FCreateMailLinkHeaderFile = nullptr;
  TCreateMailLinkImageFile FCreateMailLinkImageFile = nullptr;
  TCreateVistrelLinkFile FCreateVistrelLinkFile = nullptr;
  TGetImagePathName FGetImagePathName = nullptr;
  TGetMailLinkHeaderFileName FGetMailLinkHeaderFileName = nullptr;
  TGetMailLinkImageFileName FGetMailLinkImageFileName = nullptr;
  TGetVistrelLinkFileName FGetVistrelLinkFileName = nullptr;
  TDeleteAllImageData FDeleteAllImageData = nullptr;
  TSaveVekFile FSaveVekFile = nullptr;
  TSaveVekFileEx FSaveVekFileEx = nullptr;
  TFeedbackMailLinkImageFile FFeedbackMailLinkImageFile = nullptr;
};

}  // namespace hestrel
