// The 37 exported functions. Each writes its frame in the log (title, "[Param]", start and end lines) and hands
// its work to one worker object made for the call; no exception leaves an export.
#include "Dorvik.h"

#include <cstring>
#include <string>

#include "ZkDBAccess.h"
#include "ZkErrorCode.h"
#include "ZkLog.h"
#include "ZkLogFrame.h"
#include "ZkMessage.h"
#include "ZkSettings.h"
#include "ZkUtilities.h"
#include "ZkVekFileAccess.h"
#include "ZkVekFileOperation.h"
#include "ZkVersionOperation.h"
#include "ZkWorkFolderAccess.h"
#include "ZkWorkFolderOperation.h"

namespace {

// Runs the body of an export; an exception (out of memory) becomes a failure with E01000003.
template <class Body>
int Guarded(char* pErrorCode, Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    try {
      ZK_LOG(0, "メモリの確保に失敗しました");
    } catch (...) {
    }
    ZkSetErrorCode(pErrorCode, zkerror::kNoMemory);
    return 0;
  }
}

template <class Body>
void GuardedVoid(Body&& body) noexcept {
  try {
    body();
  } catch (...) {
  }
}

// The value an in/out count points to, for the "[Param]" line.
int ValueOf(const int* p) { return p ? *p : 0; }

const void* Address(const void* p) { return p; }

// The expansion, then the version check whatever the expansion gave; the expansion's failure is the result,
// else the check's, and the code left is the last one written.
int RunOpening(const char* pVekFileName, const char* pWorkPathName, bool whole, char* pErrorCode) {
  int result = 0;
  {
    CZkVekFileOperation operation(pVekFileName);
    result = whole ? operation.OpenVekFileOld(pWorkPathName, pErrorCode)
                   : operation.OpenVekFile(pWorkPathName, pErrorCode);
  }
  CZkVersionOperation version(pWorkPathName, ZkGetSettings().composedLogFilePath.c_str());
  int checked = version.CheckVersion(pErrorCode);
  return result != 1 ? result : checked;
}

// SaveVekFile and SaveVekFileOld, whose frames differ only in the title (written as at where, the export): the
// streamed save or the whole-file one.
int RunSave(const ZkSourcePlace& where, const char* title, bool whole, const char* pWorkPathName,
            const char* pVekFileName, int nSaveMode, const void* pNewFileHeader, const void* pNewFileHistory,
            char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    CZkLogFrame frame(where, title, std::string(),
                      "[Param],\"pWorkPathName->%s, pVekFileName->%s, nSaveMode->%d, pNewFileHeader->Address:%p, "
                      "pNewFileHistory->Address:%p, pErrorCode->Address:%p\"",
                      ZkText(pWorkPathName), ZkText(pVekFileName), nSaveMode, Address(pNewFileHeader),
                      Address(pNewFileHistory), Address(pErrorCode));
    CZkWorkFolderOperation operation(pWorkPathName);
    return frame.End(whole ? operation.SaveVekFileOld(pVekFileName, pNewFileHeader, nSaveMode, pNewFileHistory,
                                                      pErrorCode)
                           : operation.SaveVekFile(pVekFileName, pNewFileHeader, nSaveMode, pNewFileHistory,
                                                   pErrorCode),
                     where);
  });
}

}  // namespace

extern "C" {

// ---- Frame, settings and messages ----

DORVIK_API int Initialize(int nMode, const char* pLogFilePath, const char* pLogFileName, int nLogWriteLevel,
                          const char* pMsgFileName) {
  return Guarded(nullptr, [&] {
    ZkSettings& s = ZkGetSettings();
    s.logLevel = nLogWriteLevel;
    s.composedLogFilePath.clear();
    std::string folder = pLogFilePath ? CZkUtilities::GetFolderName(pLogFilePath) : std::string();
    std::string name = pLogFileName ? CZkUtilities::GetFileName(pLogFileName, 1) : std::string();
    if (folder.empty()) {
      s.composedLogFilePath = name;
    } else if (CZkUtilities::IsExistFile(folder)) {
      s.composedLogFilePath = CZkUtilities::JoinPath(folder, name);
    }
    CZkLog::Setup(s.composedLogFilePath);
    CZkLogFrame frame =
        ZK_FRAME("初期処理", "nMode->%d, pLogFilePath->%s, pLogFileName->%s, nLogWriteLevel->%d, pMsgFileName->%s",
                 nMode, ZkText(pLogFilePath), ZkText(pLogFileName), nLogWriteLevel, ZkText(pMsgFileName));
    s.messageFileName = pMsgFileName ? CZkUtilities::NormalizePath(pMsgFileName) : std::string();
    return frame.End(1);
  });
}

DORVIK_API void Finalize(void) {
  GuardedVoid([&] { CZkLogFrame(ZkSourcePlace::current(), "終了処理").End(0); });
}

DORVIK_API void SetCompressRetry(int nMaxRetry, int nInterval) {
  GuardedVoid([&] {
    CZkLogFrame frame = ZK_FRAME("CAB圧縮リトライ設定", "nMaxRetry->%d, nInterval->%d", nMaxRetry, nInterval);
    ZkSettings& s = ZkGetSettings();
    s.compressRetryCount = nMaxRetry < 0 ? 0 : nMaxRetry;
    s.compressRetryInterval = nInterval < 0 ? 0 : nInterval;
    frame.End(0);
  });
}

DORVIK_API int GetErrorMessage(const char* pErrorCode, char* pErrorMessage, int nByteSize) {
  return Guarded(nullptr, [&] {
    CZkLogFrame frame = ZK_FRAME("エラーメッセージ取得", "pErrorCode->%s, pErrorMessage->Address:%p, nByteSize->%d",
                                 ZkText(pErrorCode), Address(pErrorMessage), nByteSize);
    CZkMessage message(ZkGetSettings().messageFileName.c_str());
    int result = message.GetMessage(pErrorCode, pErrorMessage, nByteSize);
    return frame.End(result);
  });
}

DORVIK_API int GetErrorDetail(const char* pErrorCode, char* pErrorDetail, int nByteSize) {
  return Guarded(nullptr, [&] {
    CZkLogFrame frame = ZK_FRAME("エラー詳細取得", "pErrorCode->%s, pErrorDetail->Address:%p, nByteSize->%d",
                                 ZkText(pErrorCode), Address(pErrorDetail), nByteSize);
    // Compared up to the caller's terminator; copied only when the whole name and its NUL fit.
    const std::string& backup = ZkGetSettings().lastBackupFileName;
    if (pErrorCode && std::strncmp(pErrorCode, zkerror::kBackupNameTaken, zkerror::kCodeBufferSize) == 0 &&
        !backup.empty() && pErrorDetail && nByteSize > 0 && backup.size() < static_cast<std::size_t>(nByteSize)) {
      std::memcpy(pErrorDetail, backup.c_str(), backup.size() + 1);
    }
    return frame.End(1);
  });
}

// ---- The estimate file's header parts ----

DORVIK_API int ReadFileSignature(const char* pVekFileName, char* pSignature, char* pVersion, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    CZkLogFrame frame = ZK_FRAME(
        "識別子読み込み", "pVekFileName->%s, pSignature->Address:%p, pVersion->Address:%p, pErrorCode->Address:%p",
        ZkText(pVekFileName), Address(pSignature), Address(pVersion), Address(pErrorCode));
    return frame.End(CZkVekFileAccess(pVekFileName).ReadFileSignature(pSignature, pVersion, pErrorCode));
  });
}

DORVIK_API int ReadFileHeaderData(const char* pVekFileName, void* pDest, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    CZkLogFrame frame =
        ZK_FRAME("ファイルヘッダ読み込み", "pVekFileName->%s, pDest->Address:%p, pErrorCode->Address:%p",
                 ZkText(pVekFileName), Address(pDest), Address(pErrorCode));
    return frame.End(CZkVekFileAccess(pVekFileName).ReadFileHeaderData(pDest, pErrorCode));
  });
}

DORVIK_API int ReadFileHeaderInfo(const char* pVekFileName, void* pDest, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    CZkLogFrame frame =
        ZK_FRAME("ファイルヘッダ情報読み込み", "pVekFileName->%s, pDest->Address:%p, pErrorCode->Address:%p",
                 ZkText(pVekFileName), Address(pDest), Address(pErrorCode));
    return frame.End(CZkVekFileAccess(pVekFileName).ReadFileHeaderInfo(pDest, pErrorCode));
  });
}

DORVIK_API int WriteFileHeaderInfo(const char* pVekFileName, const void* pSource, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    CZkLogFrame frame =
        ZK_FRAME("ファイルヘッダ情報書き込み", "pVekFileName->%s, pSource->Address:%p, pErrorCode->Address:%p",
                 ZkText(pVekFileName), Address(pSource), Address(pErrorCode));
    return frame.End(CZkVekFileAccess(pVekFileName).WriteFileHeaderInfo(pSource, pErrorCode));
  });
}

DORVIK_API int ReadFileHistoryData(const char* pVekFileName, void* pDest, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    CZkLogFrame frame = ZK_FRAME("履歴ヘッダ読み込み", "pVekFileName->%s, pDest->Address:%p, pErrorCode->Address:%p",
                                 ZkText(pVekFileName), Address(pDest), Address(pErrorCode));
    return frame.End(CZkVekFileAccess(pVekFileName).ReadFileHistoryData(pDest, pErrorCode));
  });
}

DORVIK_API int ReadFileHistoryInfo(const char* pVekFileName, void* pDest, int* pCount, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    CZkLogFrame frame =
        ZK_FRAME("履歴情報読み込み", "pVekFileName->%s, pDest->Address:%p, *pCount->%d, pErrorCode->Address:%p",
                 ZkText(pVekFileName), Address(pDest), ValueOf(pCount), Address(pErrorCode));
    return frame.End(CZkVekFileAccess(pVekFileName).ReadFileHistoryInfo(pDest, pCount, pErrorCode));
  });
}

// ---- History and agreed lock ----

DORVIK_API int DeleteAllHistory(const char* pVekFileName, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    CZkLogFrame frame = ZK_FRAME("履歴情報一括削除", "pVekFileName->%s, pErrorCode->Address:%p", ZkText(pVekFileName),
                                 Address(pErrorCode));
    return frame.End(CZkVekFileOperation(pVekFileName).DeleteAllHistory(pErrorCode));
  });
}

DORVIK_API int DeleteAllHistoryOld(const char* pVekFileName, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    CZkLogFrame frame = ZK_FRAME("履歴情報一括削除（旧方式）", "pVekFileName->%s, pErrorCode->Address:%p",
                                 ZkText(pVekFileName), Address(pErrorCode));
    return frame.End(CZkVekFileOperation(pVekFileName).DeleteAllHistoryOld(pErrorCode));
  });
}

DORVIK_API int SettingAgreed(const char* pVekFileName, const char* pPassword, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    CZkLogFrame frame = ZK_FRAME("協定済み設定", "pVekFileName->%s, pPassword->%s, pErrorCode->Address:%p",
                                 ZkText(pVekFileName), ZkText(pPassword), Address(pErrorCode));
    return frame.End(CZkVekFileOperation(pVekFileName).SettingAgreed(pPassword, pErrorCode));
  });
}

DORVIK_API int ReleaseAgreed(const char* pVekFileName, const char* pPassword, int nReleaseMode, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    CZkLogFrame frame =
        ZK_FRAME("協定済み解除", "pVekFileName->%s, pPassword->%s, nReleaseMode->%d, pErrorCode->Address:%p",
                 ZkText(pVekFileName), ZkText(pPassword), nReleaseMode, Address(pErrorCode));
    return frame.End(CZkVekFileOperation(pVekFileName).ReleaseAgreed(pPassword, nReleaseMode, pErrorCode));
  });
}

// ---- Opening into a work folder ----
// The version check runs after the expansion whatever its result; the expansion's failure is the result,
// else the check's, and the code left is the last one written.

DORVIK_API int OpenVekFile(const char* pVekFileName, const char* pWorkPathName, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    CZkLogFrame frame = ZK_FRAME("見積保存ファイル展開", "pVekFileName->%s, pWorkPathName->%s, pErrorCode->Address:%p",
                                 ZkText(pVekFileName), ZkText(pWorkPathName), Address(pErrorCode));
    return frame.End(RunOpening(pVekFileName, pWorkPathName, false, pErrorCode));
  });
}

DORVIK_API int OpenVekFileOld(const char* pVekFileName, const char* pWorkPathName, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    CZkLogFrame frame =
        ZK_FRAME("見積保存ファイル展開（旧方式）", "pVekFileName->%s, pWorkPathName->%s, pErrorCode->Address:%p",
                 ZkText(pVekFileName), ZkText(pWorkPathName), Address(pErrorCode));
    return frame.End(RunOpening(pVekFileName, pWorkPathName, true, pErrorCode));
  });
}

// ---- Work-folder INI files ----
// A missing HeaderDt.ini (E04000002) or HistryDt.ini (E04000005) counts as success with a zeroed code.

DORVIK_API int ReadFileHeaderINI(const char* pWorkPathName, void* pHeaderData, void* pHeaderInfo, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    CZkLogFrame frame =
        ZK_FRAME("ファイルヘッダ部INIファイル読み込み",
                 "pWorkPathName->%s, pHeaderData->Address:%p, pHeaderInfo->Address:%p, pErrorCode->Address:%p",
                 ZkText(pWorkPathName), Address(pHeaderData), Address(pHeaderInfo), Address(pErrorCode));
    CZkWorkFolderAccess access(pWorkPathName);
    int result = access.ReadFileHeaderINI(pHeaderData, pHeaderInfo, pErrorCode);
    if (result != 1 && pErrorCode && std::strncmp(pErrorCode, zkerror::kHeaderIniMissing, 10) == 0) {
      ZkClearErrorCode(pErrorCode);
      result = 1;
    }
    return frame.End(result);
  });
}

DORVIK_API int ReadFileHistoryINI(const char* pWorkPathName, void* pHistoryData, void* pHistoryInfo, int* pCount,
                                  char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    CZkLogFrame frame = ZK_FRAME(
        "履歴部INIファイル読み込み",
        "pWorkPathName->%s, pHistoryData->Address:%p, pHistoryInfo->Address:%p, *pCount->%d, pErrorCode->Address:%p",
        ZkText(pWorkPathName), Address(pHistoryData), Address(pHistoryInfo), ValueOf(pCount), Address(pErrorCode));
    CZkWorkFolderAccess access(pWorkPathName);
    int result = access.ReadFileHistoryINI(pHistoryData, pHistoryInfo, pCount, pErrorCode);
    if (result != 1 && pErrorCode && std::strncmp(pErrorCode, zkerror::kHistoryIniMissing, 10) == 0) {
      ZkClearErrorCode(pErrorCode);
      result = 1;
    }
    return frame.End(result);
  });
}

DORVIK_API int ReadDBInfoINI(const char* pWorkPathName, void* pDest, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    CZkLogFrame frame =
        ZK_FRAME("見積管理ファイルINI読み込み", "pWorkPathName->%s, pDest->Address:%p, pErrorCode->Address:%p",
                 ZkText(pWorkPathName), Address(pDest), Address(pErrorCode));
    return frame.End(CZkWorkFolderAccess(pWorkPathName).ReadDBInfoINI(pDest, pErrorCode));
  });
}

DORVIK_API int WriteDBInfoINI(const char* pWorkPathName, const void* pSource, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    CZkLogFrame frame =
        ZK_FRAME("見積管理ファイルINI書き換え", "pWorkPathName->%s, pSource->Address:%p, pErrorCode->Address:%p",
                 ZkText(pWorkPathName), Address(pSource), Address(pErrorCode));
    return frame.End(CZkWorkFolderAccess(pWorkPathName).WriteDBInfoINI(pSource, pErrorCode));
  });
}

// ---- Databases (the end line only on success) ----

DORVIK_API int ReadDB(const char* pDBFileName, int nTableId, void* pDest, int* pCount, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    CZkLogFrame frame =
        ZK_FRAME_WITH_SUFFIX("ＤＢ関連データ読み込み", "(TABLE-ID : " + std::to_string(nTableId) + ")",
                             "pDBFileName->%s, nTableId->%d, pDest->Address:%p, *pCount->%d, pErrorCode->Address:%p",
                             ZkText(pDBFileName), nTableId, Address(pDest), ValueOf(pCount), Address(pErrorCode));
    int result = ZkReadDB(pDBFileName, nTableId, pDest, pCount, pErrorCode);
    return result == 1 ? frame.End(result) : result;  // the end line only on success
  });
}

DORVIK_API int WriteDB(const char* pDBFileName, int nTableId, const void* pSource, int nCount, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    CZkLogFrame frame =
        ZK_FRAME_WITH_SUFFIX("ＤＢ関連データ書き込み", "(TABLE-ID : " + std::to_string(nTableId) + ")",
                             "pDBFileName->%s, nTableId->%d, pSource->Address:%p, nCount->%d, pErrorCode->Address:%p",
                             ZkText(pDBFileName), nTableId, Address(pSource), nCount, Address(pErrorCode));
    int result = ZkWriteDB(pDBFileName, nTableId, pSource, nCount, pErrorCode);
    return result == 1 ? frame.End(result) : result;  // the end line only on success
  });
}

DORVIK_API int VaccumDB(const char* pDBFileName, int nDBId, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    CZkLogFrame frame = ZK_FRAME_WITH_SUFFIX("ＤＢファイルバキューム", "(DB-ID : " + std::to_string(nDBId) + ")",
                                             "pDBFileName->%s, nDBId->%d, pErrorCode->Address:%p", ZkText(pDBFileName),
                                             nDBId, Address(pErrorCode));
    int result = ZkVaccumDB(pDBFileName, nDBId, pErrorCode);
    return result == 1 ? frame.End(result) : result;  // the end line only on success
  });
}

// ---- Hand-over files and image data ----

DORVIK_API int CreateMailLinkHeaderFile(const char* pWorkPathName, const void* pSource, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    CZkLogFrame frame = ZK_FRAME("ヴェクメール連携用（ヘッダ）INIファイル作成",
                                 "pWorkPathName->%s, pSource->Address:%p, pErrorCode->Address:%p",
                                 ZkText(pWorkPathName), Address(pSource), Address(pErrorCode));
    return frame.End(CZkWorkFolderOperation(pWorkPathName).CreateMailLinkHeaderFile(pSource, pErrorCode));
  });
}

DORVIK_API int CreateMailLinkImageFile(const char* pWorkPathName, const void* pSource, int nCount, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    CZkLogFrame frame = ZK_FRAME("ヴェクメール連携用（画像）INIファイル作成",
                                 "pWorkPathName->%s, pSource->Address:%p, nCount->%d, pErrorCode->Address:%p",
                                 ZkText(pWorkPathName), Address(pSource), nCount, Address(pErrorCode));
    return frame.End(CZkWorkFolderOperation(pWorkPathName).CreateMailLinkImageFile(pSource, nCount, pErrorCode));
  });
}

DORVIK_API int CreateVistrelLinkFile(const char* pWorkPathName, const char* pVekFileName, const void* pSource,
                                     char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    CZkLogFrame frame = ZK_FRAME("ヴィストレル連携用XMLファイル作成",
                                 "pWorkPathName->%s, pVekFileName->%s, pSource->Address:%p, pErrorCode->Address:%p",
                                 ZkText(pWorkPathName), ZkText(pVekFileName), Address(pSource), Address(pErrorCode));
    return frame.End(CZkWorkFolderOperation(pWorkPathName).CreateVistrelLinkFile(pVekFileName, pSource, pErrorCode));
  });
}

DORVIK_API int GetImagePathName(const char* pWorkPathName, char* pPathName, int* pByteSize, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    CZkLogFrame frame = ZK_FRAME("画像格納フォルダパス取得",
                                 "pWorkPathName->%s, pPathName->Address:%p, *pByteSize->%d, pErrorCode->Address:%p",
                                 ZkText(pWorkPathName), Address(pPathName), ValueOf(pByteSize), Address(pErrorCode));
    return frame.End(CZkWorkFolderOperation(pWorkPathName).GetImagePathName(pPathName, pByteSize, pErrorCode));
  });
}

DORVIK_API int GetMailLinkHeaderFileName(const char* pWorkPathName, char* pFileName, int* pByteSize,
                                         char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    CZkLogFrame frame = ZK_FRAME("ヴェクメール連携用（ヘッダ）INIファイルパス取得",
                                 "pWorkPathName->%s, pFileName->Address:%p, *pByteSize->%d, pErrorCode->Address:%p",
                                 ZkText(pWorkPathName), Address(pFileName), ValueOf(pByteSize), Address(pErrorCode));
    return frame.End(CZkWorkFolderOperation(pWorkPathName).GetMailLinkHeaderFileName(pFileName, pByteSize, pErrorCode));
  });
}

DORVIK_API int GetMailLinkImageFileName(const char* pWorkPathName, char* pFileName, int* pByteSize,
                                        char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    CZkLogFrame frame = ZK_FRAME("ヴェクメール連携用（画像）INIファイルパス取得",
                                 "pWorkPathName->%s, pFileName->Address:%p, *pByteSize->%d, pErrorCode->Address:%p",
                                 ZkText(pWorkPathName), Address(pFileName), ValueOf(pByteSize), Address(pErrorCode));
    return frame.End(CZkWorkFolderOperation(pWorkPathName).GetMailLinkImageFileName(pFileName, pByteSize, pErrorCode));
  });
}

DORVIK_API int GetVistrelLinkFileName(const char* pWorkPathName, const char* pVekFileName, char* pFileName,
                                      int* pByteSize, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    CZkLogFrame frame = ZK_FRAME(
        "ヴィストレル連携用XMLファイルパス取得",
        "pWorkPathName->%s, pVekFileName->%s, pFileName->Address:%p, *pByteSize->%d, pErrorCode->Address:%p",
        ZkText(pWorkPathName), ZkText(pVekFileName), Address(pFileName), ValueOf(pByteSize), Address(pErrorCode));
    return frame.End(
        CZkWorkFolderOperation(pWorkPathName).GetVistrelLinkFileName(pVekFileName, pFileName, pByteSize, pErrorCode));
  });
}

DORVIK_API int FeedbackMailLinkImageFile(const char* pWorkPathName, const char* pDBFileName, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    CZkLogFrame frame = ZK_FRAME("ヴェクメール連携用（画像）INIファイルのフィードバック",
                                 "pWorkPathName->%s, pDBFileName->%s, pErrorCode->Address:%p", ZkText(pWorkPathName),
                                 ZkText(pDBFileName), Address(pErrorCode));
    return frame.End(CZkWorkFolderOperation(pWorkPathName).FeedbackMailLinkImageFile(pDBFileName, pErrorCode));
  });
}

DORVIK_API int DeleteAllImageData(const char* pWorkPathName, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    CZkLogFrame frame = ZK_FRAME("画像データ一括削除", "pWorkPathName->%s, pErrorCode->Address:%p",
                                 ZkText(pWorkPathName), Address(pErrorCode));
    return frame.End(CZkWorkFolderOperation(pWorkPathName).DeleteAllImageData(pErrorCode));
  });
}

// ---- Saving a work folder ----

DORVIK_API int SaveVekFile(const char* pWorkPathName, const char* pVekFileName, int nSaveMode,
                           const void* pNewFileHeader, const void* pNewFileHistory, char* pErrorCode) {
  return RunSave(ZkSourcePlace::current(), "見積保存ファイル保存", false, pWorkPathName, pVekFileName, nSaveMode,
                 pNewFileHeader, pNewFileHistory, pErrorCode);
}

DORVIK_API int SaveVekFileOld(const char* pWorkPathName, const char* pVekFileName, int nSaveMode,
                              const void* pNewFileHeader, const void* pNewFileHistory, char* pErrorCode) {
  return RunSave(ZkSourcePlace::current(), "見積保存ファイル保存（旧方式）", true, pWorkPathName, pVekFileName,
                 nSaveMode, pNewFileHeader, pNewFileHistory, pErrorCode);
}

DORVIK_API int SaveVekFileEx(const char* pWorkPathName, const char* pVekFileName, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    CZkLogFrame frame =
        ZK_FRAME("見積保存ファイル保存（履歴更新無し）", "pWorkPathName->%s, pVekFileName->%s, pErrorCode->Address:%p",
                 ZkText(pWorkPathName), ZkText(pVekFileName), Address(pErrorCode));
    return frame.End(CZkWorkFolderOperation(pWorkPathName).SaveVekFile(pVekFileName, nullptr, 0, nullptr, pErrorCode));
  });
}

DORVIK_API int SaveVekFileExOld(const char* pWorkPathName, const char* pVekFileName, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    CZkLogFrame frame = ZK_FRAME("見積保存ファイル保存（履歴更新無し）（旧方式）",
                                 "pWorkPathName->%s, pVekFileName->%s, pErrorCode->Address:%p", ZkText(pWorkPathName),
                                 ZkText(pVekFileName), Address(pErrorCode));
    return frame.End(
        CZkWorkFolderOperation(pWorkPathName).SaveVekFileOld(pVekFileName, nullptr, 0, nullptr, pErrorCode));
  });
}

}  // extern "C"
