// The 37 exported functions. Each writes its title, "[Param]", start and end lines and hands its work to one
// worker object made for the call; no exception leaves an export.
#include "Dorvik.h"

#include <cstring>
#include <string>

#include "ZkDBAccess.h"
#include "ZkErrorCode.h"
#include "ZkLog.h"
#include "ZkMessage.h"
#include "ZkSettings.h"
#include "ZkUtilities.h"
#include "ZkVekFileAccess.h"
#include "ZkVersionOperation.h"
#include "ZkWorkFolderOperation.h"
#include "ZkVekFileOperation.h"
#include "ZkWorkFolderAccess.h"

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

}  // namespace

extern "C" {

// ---- Frame, settings and messages ----

DORVIK_API int Initialize(int nMode, const char* pLogFilePath, const char* pLogFileName, int nLogWriteLevel,
                          const char* pMsgFileName) {
  return Guarded(nullptr, [&] {
    static constexpr char kTitle[] = "初期処理";
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
    ZK_LOG_TITLE(kTitle);
    ZK_LOG_PARAM("nMode->%d, pLogFilePath->%s, pLogFileName->%s, nLogWriteLevel->%d, pMsgFileName->%s", nMode,
                 ZkText(pLogFilePath), ZkText(pLogFileName), nLogWriteLevel, ZkText(pMsgFileName));
    ZK_LOG_START(kTitle);
    s.messageFileName = pMsgFileName ? CZkUtilities::NormalizePath(pMsgFileName) : std::string();
    ZK_LOG_END(kTitle);
    return 1;
  });
}

DORVIK_API void Finalize(void) {
  GuardedVoid([&] {
    static constexpr char kTitle[] = "終了処理";
    ZK_LOG_TITLE(kTitle);
    ZK_LOG_START(kTitle);
    ZK_LOG_END(kTitle);
  });
}

DORVIK_API void SetCompressRetry(int nMaxRetry, int nInterval) {
  GuardedVoid([&] {
    static constexpr char kTitle[] = "CAB圧縮リトライ設定";
    ZK_LOG_TITLE(kTitle);
    ZK_LOG_PARAM("nMaxRetry->%d, nInterval->%d", nMaxRetry, nInterval);
    ZK_LOG_START(kTitle);
    ZkSettings& s = ZkGetSettings();
    s.compressRetryCount = nMaxRetry < 0 ? 0 : nMaxRetry;
    s.compressRetryInterval = nInterval < 0 ? 0 : nInterval;
    ZK_LOG_END(kTitle);
  });
}

DORVIK_API int GetErrorMessage(const char* pErrorCode, char* pErrorMessage, int nByteSize) {
  return Guarded(nullptr, [&] {
    static constexpr char kTitle[] = "エラーメッセージ取得";
    ZK_LOG_TITLE(kTitle);
    ZK_LOG_PARAM("pErrorCode->%s, pErrorMessage->Address:%p, nByteSize->%d", ZkText(pErrorCode),
                 Address(pErrorMessage), nByteSize);
    ZK_LOG_START(kTitle);
    CZkMessage message(ZkGetSettings().messageFileName.c_str());
    int result = message.GetMessage(pErrorCode, pErrorMessage, nByteSize);
    ZK_LOG_END(kTitle);
    return result;
  });
}

DORVIK_API int GetErrorDetail(const char* pErrorCode, char* pErrorDetail, int nByteSize) {
  return Guarded(nullptr, [&] {
    static constexpr char kTitle[] = "エラー詳細取得";
    ZK_LOG_TITLE(kTitle);
    ZK_LOG_PARAM("pErrorCode->%s, pErrorDetail->Address:%p, nByteSize->%d", ZkText(pErrorCode),
                 Address(pErrorDetail), nByteSize);
    ZK_LOG_START(kTitle);
    // Compared up to the caller's terminator; copied only when the whole name and its NUL fit.
    const std::string& backup = ZkGetSettings().lastBackupFileName;
    if (pErrorCode && std::strncmp(pErrorCode, zkerror::kBackupNameTaken, zkerror::kCodeBufferSize) == 0 &&
        !backup.empty() && pErrorDetail && nByteSize > 0 && backup.size() < static_cast<std::size_t>(nByteSize)) {
      std::memcpy(pErrorDetail, backup.c_str(), backup.size() + 1);
    }
    ZK_LOG_END(kTitle);
    return 1;
  });
}

// ---- The estimate file's header parts ----

DORVIK_API int ReadFileSignature(const char* pVekFileName, char* pSignature, char* pVersion, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    static constexpr char kTitle[] = "識別子読み込み";
    ZK_LOG_TITLE(kTitle);
    ZK_LOG_PARAM("pVekFileName->%s, pSignature->Address:%p, pVersion->Address:%p, pErrorCode->Address:%p",
                 ZkText(pVekFileName), Address(pSignature), Address(pVersion), Address(pErrorCode));
    ZK_LOG_START(kTitle);
    CZkVekFileAccess access(pVekFileName);
    int result = access.ReadFileSignature(pSignature, pVersion, pErrorCode);
    ZK_LOG_END(kTitle);
    return result;
  });
}

DORVIK_API int ReadFileHeaderData(const char* pVekFileName, void* pDest, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    static constexpr char kTitle[] = "ファイルヘッダ読み込み";
    ZK_LOG_TITLE(kTitle);
    ZK_LOG_PARAM("pVekFileName->%s, pDest->Address:%p, pErrorCode->Address:%p", ZkText(pVekFileName),
                 Address(pDest), Address(pErrorCode));
    ZK_LOG_START(kTitle);
    CZkVekFileAccess access(pVekFileName);
    int result = access.ReadFileHeaderData(pDest, pErrorCode);
    ZK_LOG_END(kTitle);
    return result;
  });
}

DORVIK_API int ReadFileHeaderInfo(const char* pVekFileName, void* pDest, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    static constexpr char kTitle[] = "ファイルヘッダ情報読み込み";
    ZK_LOG_TITLE(kTitle);
    ZK_LOG_PARAM("pVekFileName->%s, pDest->Address:%p, pErrorCode->Address:%p", ZkText(pVekFileName),
                 Address(pDest), Address(pErrorCode));
    ZK_LOG_START(kTitle);
    CZkVekFileAccess access(pVekFileName);
    int result = access.ReadFileHeaderInfo(pDest, pErrorCode);
    ZK_LOG_END(kTitle);
    return result;
  });
}

DORVIK_API int WriteFileHeaderInfo(const char* pVekFileName, const void* pSource, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    static constexpr char kTitle[] = "ファイルヘッダ情報書き込み";
    ZK_LOG_TITLE(kTitle);
    ZK_LOG_PARAM("pVekFileName->%s, pSource->Address:%p, pErrorCode->Address:%p", ZkText(pVekFileName),
                 Address(pSource), Address(pErrorCode));
    ZK_LOG_START(kTitle);
    CZkVekFileAccess access(pVekFileName);
    int result = access.WriteFileHeaderInfo(pSource, pErrorCode);
    ZK_LOG_END(kTitle);
    return result;
  });
}

DORVIK_API int ReadFileHistoryData(const char* pVekFileName, void* pDest, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    static constexpr char kTitle[] = "履歴ヘッダ読み込み";
    ZK_LOG_TITLE(kTitle);
    ZK_LOG_PARAM("pVekFileName->%s, pDest->Address:%p, pErrorCode->Address:%p", ZkText(pVekFileName),
                 Address(pDest), Address(pErrorCode));
    ZK_LOG_START(kTitle);
    CZkVekFileAccess access(pVekFileName);
    int result = access.ReadFileHistoryData(pDest, pErrorCode);
    ZK_LOG_END(kTitle);
    return result;
  });
}

DORVIK_API int ReadFileHistoryInfo(const char* pVekFileName, void* pDest, int* pCount, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    static constexpr char kTitle[] = "履歴情報読み込み";
    ZK_LOG_TITLE(kTitle);
    ZK_LOG_PARAM("pVekFileName->%s, pDest->Address:%p, *pCount->%d, pErrorCode->Address:%p", ZkText(pVekFileName),
                 Address(pDest), ValueOf(pCount), Address(pErrorCode));
    ZK_LOG_START(kTitle);
    CZkVekFileAccess access(pVekFileName);
    int result = access.ReadFileHistoryInfo(pDest, pCount, pErrorCode);
    ZK_LOG_END(kTitle);
    return result;
  });
}

// ---- History and agreed lock ----

DORVIK_API int DeleteAllHistory(const char* pVekFileName, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    static constexpr char kTitle[] = "履歴情報一括削除";
    ZK_LOG_TITLE(kTitle);
    ZK_LOG_PARAM("pVekFileName->%s, pErrorCode->Address:%p", ZkText(pVekFileName), Address(pErrorCode));
    ZK_LOG_START(kTitle);
    CZkVekFileOperation operation(pVekFileName);
    int result = operation.DeleteAllHistory(pErrorCode);
    ZK_LOG_END(kTitle);
    return result;
  });
}

DORVIK_API int DeleteAllHistoryOld(const char* pVekFileName, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    static constexpr char kTitle[] = "履歴情報一括削除（旧方式）";
    ZK_LOG_TITLE(kTitle);
    ZK_LOG_PARAM("pVekFileName->%s, pErrorCode->Address:%p", ZkText(pVekFileName), Address(pErrorCode));
    ZK_LOG_START(kTitle);
    CZkVekFileOperation operation(pVekFileName);
    int result = operation.DeleteAllHistoryOld(pErrorCode);
    ZK_LOG_END(kTitle);
    return result;
  });
}

DORVIK_API int SettingAgreed(const char* pVekFileName, const char* pPassword, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    static constexpr char kTitle[] = "協定済み設定";
    ZK_LOG_TITLE(kTitle);
    ZK_LOG_PARAM("pVekFileName->%s, pPassword->%s, pErrorCode->Address:%p", ZkText(pVekFileName), ZkText(pPassword),
                 Address(pErrorCode));
    ZK_LOG_START(kTitle);
    CZkVekFileOperation operation(pVekFileName);
    int result = operation.SettingAgreed(pPassword, pErrorCode);
    ZK_LOG_END(kTitle);
    return result;
  });
}

DORVIK_API int ReleaseAgreed(const char* pVekFileName, const char* pPassword, int nReleaseMode, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    static constexpr char kTitle[] = "協定済み解除";
    ZK_LOG_TITLE(kTitle);
    ZK_LOG_PARAM("pVekFileName->%s, pPassword->%s, nReleaseMode->%d, pErrorCode->Address:%p", ZkText(pVekFileName),
                 ZkText(pPassword), nReleaseMode, Address(pErrorCode));
    ZK_LOG_START(kTitle);
    CZkVekFileOperation operation(pVekFileName);
    int result = operation.ReleaseAgreed(pPassword, nReleaseMode, pErrorCode);
    ZK_LOG_END(kTitle);
    return result;
  });
}

// ---- Opening into a work folder ----
// The version check runs after the expansion whatever its result; the expansion's failure is the result,
// else the check's, and the code left is the last one written.

DORVIK_API int OpenVekFile(const char* pVekFileName, const char* pWorkPathName, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    static constexpr char kTitle[] = "見積保存ファイル展開";
    ZK_LOG_TITLE(kTitle);
    ZK_LOG_PARAM("pVekFileName->%s, pWorkPathName->%s, pErrorCode->Address:%p", ZkText(pVekFileName),
                 ZkText(pWorkPathName), Address(pErrorCode));
    ZK_LOG_START(kTitle);
    int result = RunOpening(pVekFileName, pWorkPathName, false, pErrorCode);
    ZK_LOG_END(kTitle);
    return result;
  });
}

DORVIK_API int OpenVekFileOld(const char* pVekFileName, const char* pWorkPathName, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    static constexpr char kTitle[] = "見積保存ファイル展開（旧方式）";
    ZK_LOG_TITLE(kTitle);
    ZK_LOG_PARAM("pVekFileName->%s, pWorkPathName->%s, pErrorCode->Address:%p", ZkText(pVekFileName),
                 ZkText(pWorkPathName), Address(pErrorCode));
    ZK_LOG_START(kTitle);
    int result = RunOpening(pVekFileName, pWorkPathName, true, pErrorCode);
    ZK_LOG_END(kTitle);
    return result;
  });
}

// ---- Work-folder INI files ----
// A missing HeaderDt.ini (E04000002) or HistryDt.ini (E04000005) counts as success with a zeroed code.

DORVIK_API int ReadFileHeaderINI(const char* pWorkPathName, void* pHeaderData, void* pHeaderInfo, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    static constexpr char kTitle[] = "ファイルヘッダ部INIファイル読み込み";
    ZK_LOG_TITLE(kTitle);
    ZK_LOG_PARAM("pWorkPathName->%s, pHeaderData->Address:%p, pHeaderInfo->Address:%p, pErrorCode->Address:%p",
                 ZkText(pWorkPathName), Address(pHeaderData), Address(pHeaderInfo), Address(pErrorCode));
    ZK_LOG_START(kTitle);
    CZkWorkFolderAccess access(pWorkPathName);
    int result = access.ReadFileHeaderINI(pHeaderData, pHeaderInfo, pErrorCode);
    if (result != 1 && pErrorCode && std::strncmp(pErrorCode, zkerror::kHeaderIniMissing, 10) == 0) {
      ZkClearErrorCode(pErrorCode);
      result = 1;
    }
    ZK_LOG_END(kTitle);
    return result;
  });
}

DORVIK_API int ReadFileHistoryINI(const char* pWorkPathName, void* pHistoryData, void* pHistoryInfo, int* pCount,
                                  char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    static constexpr char kTitle[] = "履歴部INIファイル読み込み";
    ZK_LOG_TITLE(kTitle);
    ZK_LOG_PARAM(
        "pWorkPathName->%s, pHistoryData->Address:%p, pHistoryInfo->Address:%p, *pCount->%d, pErrorCode->Address:%p",
        ZkText(pWorkPathName), Address(pHistoryData), Address(pHistoryInfo), ValueOf(pCount), Address(pErrorCode));
    ZK_LOG_START(kTitle);
    CZkWorkFolderAccess access(pWorkPathName);
    int result = access.ReadFileHistoryINI(pHistoryData, pHistoryInfo, pCount, pErrorCode);
    if (result != 1 && pErrorCode && std::strncmp(pErrorCode, zkerror::kHistoryIniMissing, 10) == 0) {
      ZkClearErrorCode(pErrorCode);
      result = 1;
    }
    ZK_LOG_END(kTitle);
    return result;
  });
}

DORVIK_API int ReadDBInfoINI(const char* pWorkPathName, void* pDest, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    static constexpr char kTitle[] = "見積管理ファイルINI読み込み";
    ZK_LOG_TITLE(kTitle);
    ZK_LOG_PARAM("pWorkPathName->%s, pDest->Address:%p, pErrorCode->Address:%p", ZkText(pWorkPathName),
                 Address(pDest), Address(pErrorCode));
    ZK_LOG_START(kTitle);
    CZkWorkFolderAccess access(pWorkPathName);
    int result = access.ReadDBInfoINI(pDest, pErrorCode);
    ZK_LOG_END(kTitle);
    return result;
  });
}

DORVIK_API int WriteDBInfoINI(const char* pWorkPathName, const void* pSource, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    static constexpr char kTitle[] = "見積管理ファイルINI書き換え";
    ZK_LOG_TITLE(kTitle);
    ZK_LOG_PARAM("pWorkPathName->%s, pSource->Address:%p, pErrorCode->Address:%p", ZkText(pWorkPathName),
                 Address(pSource), Address(pErrorCode));
    ZK_LOG_START(kTitle);
    CZkWorkFolderAccess access(pWorkPathName);
    int result = access.WriteDBInfoINI(pSource, pErrorCode);
    ZK_LOG_END(kTitle);
    return result;
  });
}

// ---- Databases (the end line only on success) ----

DORVIK_API int ReadDB(const char* pDBFileName, int nTableId, void* pDest, int* pCount, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    static constexpr char kTitle[] = "ＤＢ関連データ読み込み";
    ZK_LOG_TITLE(kTitle);
    ZK_LOG_PARAM("pDBFileName->%s, nTableId->%d, pDest->Address:%p, *pCount->%d, pErrorCode->Address:%p",
                 ZkText(pDBFileName), nTableId, Address(pDest), ValueOf(pCount), Address(pErrorCode));
    ZK_LOG(2, "%s開始(TABLE-ID : %d)", kTitle, nTableId);
    int result = ZkReadDB(pDBFileName, nTableId, pDest, pCount, pErrorCode);
    if (result == 1) ZK_LOG(2, "%s終了(TABLE-ID : %d)", kTitle, nTableId);
    return result;
  });
}

DORVIK_API int WriteDB(const char* pDBFileName, int nTableId, const void* pSource, int nCount, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    static constexpr char kTitle[] = "ＤＢ関連データ書き込み";
    ZK_LOG_TITLE(kTitle);
    ZK_LOG_PARAM("pDBFileName->%s, nTableId->%d, pSource->Address:%p, nCount->%d, pErrorCode->Address:%p",
                 ZkText(pDBFileName), nTableId, Address(pSource), nCount, Address(pErrorCode));
    ZK_LOG(2, "%s開始(TABLE-ID : %d)", kTitle, nTableId);
    int result = ZkWriteDB(pDBFileName, nTableId, pSource, nCount, pErrorCode);
    if (result == 1) ZK_LOG(2, "%s終了(TABLE-ID : %d)", kTitle, nTableId);
    return result;
  });
}

DORVIK_API int VaccumDB(const char* pDBFileName, int nDBId, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    static constexpr char kTitle[] = "ＤＢファイルバキューム";
    ZK_LOG_TITLE(kTitle);
    ZK_LOG_PARAM("pDBFileName->%s, nDBId->%d, pErrorCode->Address:%p", ZkText(pDBFileName), nDBId,
                 Address(pErrorCode));
    ZK_LOG(2, "%s開始(DB-ID : %d)", kTitle, nDBId);
    int result = ZkVaccumDB(pDBFileName, nDBId, pErrorCode);
    if (result == 1) ZK_LOG(2, "%s終了(DB-ID : %d)", kTitle, nDBId);
    return result;
  });
}

// ---- Hand-over files and image data ----

DORVIK_API int CreateMailLinkHeaderFile(const char* pWorkPathName, const void* pSource, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    static constexpr char kTitle[] = "ヴェクメール連携用（ヘッダ）INIファイル作成";
    ZK_LOG_TITLE(kTitle);
    ZK_LOG_PARAM("pWorkPathName->%s, pSource->Address:%p, pErrorCode->Address:%p", ZkText(pWorkPathName),
                 Address(pSource), Address(pErrorCode));
    ZK_LOG_START(kTitle);
    CZkWorkFolderOperation operation(pWorkPathName);
    int result = operation.CreateMailLinkHeaderFile(pSource, pErrorCode);
    ZK_LOG_END(kTitle);
    return result;
  });
}

DORVIK_API int CreateMailLinkImageFile(const char* pWorkPathName, const void* pSource, int nCount, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    static constexpr char kTitle[] = "ヴェクメール連携用（画像）INIファイル作成";
    ZK_LOG_TITLE(kTitle);
    ZK_LOG_PARAM("pWorkPathName->%s, pSource->Address:%p, nCount->%d, pErrorCode->Address:%p",
                 ZkText(pWorkPathName), Address(pSource), nCount, Address(pErrorCode));
    ZK_LOG_START(kTitle);
    CZkWorkFolderOperation operation(pWorkPathName);
    int result = operation.CreateMailLinkImageFile(pSource, nCount, pErrorCode);
    ZK_LOG_END(kTitle);
    return result;
  });
}

DORVIK_API int CreateVistrelLinkFile(const char* pWorkPathName, const char* pVekFileName, const void* pSource,
                                     char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    static constexpr char kTitle[] = "ヴィストレル連携用XMLファイル作成";
    ZK_LOG_TITLE(kTitle);
    ZK_LOG_PARAM("pWorkPathName->%s, pVekFileName->%s, pSource->Address:%p, pErrorCode->Address:%p",
                 ZkText(pWorkPathName), ZkText(pVekFileName), Address(pSource), Address(pErrorCode));
    ZK_LOG_START(kTitle);
    CZkWorkFolderOperation operation(pWorkPathName);
    int result = operation.CreateVistrelLinkFile(pVekFileName, pSource, pErrorCode);
    ZK_LOG_END(kTitle);
    return result;
  });
}

DORVIK_API int GetImagePathName(const char* pWorkPathName, char* pPathName, int* pByteSize, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    static constexpr char kTitle[] = "画像格納フォルダパス取得";
    ZK_LOG_TITLE(kTitle);
    ZK_LOG_PARAM("pWorkPathName->%s, pPathName->Address:%p, *pByteSize->%d, pErrorCode->Address:%p",
                 ZkText(pWorkPathName), Address(pPathName), ValueOf(pByteSize), Address(pErrorCode));
    ZK_LOG_START(kTitle);
    CZkWorkFolderOperation operation(pWorkPathName);
    int result = operation.GetImagePathName(pPathName, pByteSize, pErrorCode);
    ZK_LOG_END(kTitle);
    return result;
  });
}

DORVIK_API int GetMailLinkHeaderFileName(const char* pWorkPathName, char* pFileName, int* pByteSize,
                                         char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    static constexpr char kTitle[] = "ヴェクメール連携用（ヘッダ）INIファイルパス取得";
    ZK_LOG_TITLE(kTitle);
    ZK_LOG_PARAM("pWorkPathName->%s, pFileName->Address:%p, *pByteSize->%d, pErrorCode->Address:%p",
                 ZkText(pWorkPathName), Address(pFileName), ValueOf(pByteSize), Address(pErrorCode));
    ZK_LOG_START(kTitle);
    CZkWorkFolderOperation operation(pWorkPathName);
    int result = operation.GetMailLinkHeaderFileName(pFileName, pByteSize, pErrorCode);
    ZK_LOG_END(kTitle);
    return result;
  });
}

DORVIK_API int GetMailLinkImageFileName(const char* pWorkPathName, char* pFileName, int* pByteSize,
                                        char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    static constexpr char kTitle[] = "ヴェクメール連携用（画像）INIファイルパス取得";
    ZK_LOG_TITLE(kTitle);
    ZK_LOG_PARAM("pWorkPathName->%s, pFileName->Address:%p, *pByteSize->%d, pErrorCode->Address:%p",
                 ZkText(pWorkPathName), Address(pFileName), ValueOf(pByteSize), Address(pErrorCode));
    ZK_LOG_START(kTitle);
    CZkWorkFolderOperation operation(pWorkPathName);
    int result = operation.GetMailLinkImageFileName(pFileName, pByteSize, pErrorCode);
    ZK_LOG_END(kTitle);
    return result;
  });
}

DORVIK_API int GetVistrelLinkFileName(const char* pWorkPathName, const char* pVekFileName, char* pFileName,
                                      int* pByteSize, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    static constexpr char kTitle[] = "ヴィストレル連携用XMLファイルパス取得";
    ZK_LOG_TITLE(kTitle);
    ZK_LOG_PARAM(
        "pWorkPathName->%s, pVekFileName->%s, pFileName->Address:%p, *pByteSize->%d, pErrorCode->Address:%p",
        ZkText(pWorkPathName), ZkText(pVekFileName), Address(pFileName), ValueOf(pByteSize), Address(pErrorCode));
    ZK_LOG_START(kTitle);
    CZkWorkFolderOperation operation(pWorkPathName);
    int result = operation.GetVistrelLinkFileName(pVekFileName, pFileName, pByteSize, pErrorCode);
    ZK_LOG_END(kTitle);
    return result;
  });
}

DORVIK_API int FeedbackMailLinkImageFile(const char* pWorkPathName, const char* pDBFileName, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    static constexpr char kTitle[] = "ヴェクメール連携用（画像）INIファイルのフィードバック";
    ZK_LOG_TITLE(kTitle);
    ZK_LOG_PARAM("pWorkPathName->%s, pDBFileName->%s, pErrorCode->Address:%p", ZkText(pWorkPathName),
                 ZkText(pDBFileName), Address(pErrorCode));
    ZK_LOG_START(kTitle);
    CZkWorkFolderOperation operation(pWorkPathName);
    int result = operation.FeedbackMailLinkImageFile(pDBFileName, pErrorCode);
    ZK_LOG_END(kTitle);
    return result;
  });
}

DORVIK_API int DeleteAllImageData(const char* pWorkPathName, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    static constexpr char kTitle[] = "画像データ一括削除";
    ZK_LOG_TITLE(kTitle);
    ZK_LOG_PARAM("pWorkPathName->%s, pErrorCode->Address:%p", ZkText(pWorkPathName), Address(pErrorCode));
    ZK_LOG_START(kTitle);
    CZkWorkFolderOperation operation(pWorkPathName);
    int result = operation.DeleteAllImageData(pErrorCode);
    ZK_LOG_END(kTitle);
    return result;
  });
}

// ---- Saving a work folder ----

DORVIK_API int SaveVekFile(const char* pWorkPathName, const char* pVekFileName, int nSaveMode,
                           const void* pNewFileHeader, const void* pNewFileHistory, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    static constexpr char kTitle[] = "見積保存ファイル保存";
    ZK_LOG_TITLE(kTitle);
    ZK_LOG_PARAM(
        "pWorkPathName->%s, pVekFileName->%s, nSaveMode->%d, pNewFileHeader->Address:%p, "
        "pNewFileHistory->Address:%p, pErrorCode->Address:%p",
        ZkText(pWorkPathName), ZkText(pVekFileName), nSaveMode, Address(pNewFileHeader), Address(pNewFileHistory),
        Address(pErrorCode));
    ZK_LOG_START(kTitle);
    CZkWorkFolderOperation operation(pWorkPathName);
    int result = operation.SaveVekFile(pVekFileName, pNewFileHeader, nSaveMode, pNewFileHistory, pErrorCode);
    ZK_LOG_END(kTitle);
    return result;
  });
}

DORVIK_API int SaveVekFileOld(const char* pWorkPathName, const char* pVekFileName, int nSaveMode,
                              const void* pNewFileHeader, const void* pNewFileHistory, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    static constexpr char kTitle[] = "見積保存ファイル保存（旧方式）";
    ZK_LOG_TITLE(kTitle);
    ZK_LOG_PARAM(
        "pWorkPathName->%s, pVekFileName->%s, nSaveMode->%d, pNewFileHeader->Address:%p, "
        "pNewFileHistory->Address:%p, pErrorCode->Address:%p",
        ZkText(pWorkPathName), ZkText(pVekFileName), nSaveMode, Address(pNewFileHeader), Address(pNewFileHistory),
        Address(pErrorCode));
    ZK_LOG_START(kTitle);
    CZkWorkFolderOperation operation(pWorkPathName);
    int result = operation.SaveVekFileOld(pVekFileName, pNewFileHeader, nSaveMode, pNewFileHistory, pErrorCode);
    ZK_LOG_END(kTitle);
    return result;
  });
}

DORVIK_API int SaveVekFileEx(const char* pWorkPathName, const char* pVekFileName, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    static constexpr char kTitle[] = "見積保存ファイル保存（履歴更新無し）";
    ZK_LOG_TITLE(kTitle);
    ZK_LOG_PARAM("pWorkPathName->%s, pVekFileName->%s, pErrorCode->Address:%p", ZkText(pWorkPathName),
                 ZkText(pVekFileName), Address(pErrorCode));
    ZK_LOG_START(kTitle);
    CZkWorkFolderOperation operation(pWorkPathName);
    int result = operation.SaveVekFile(pVekFileName, nullptr, 0, nullptr, pErrorCode);
    ZK_LOG_END(kTitle);
    return result;
  });
}

DORVIK_API int SaveVekFileExOld(const char* pWorkPathName, const char* pVekFileName, char* pErrorCode) {
  return Guarded(pErrorCode, [&] {
    static constexpr char kTitle[] = "見積保存ファイル保存（履歴更新無し）（旧方式）";
    ZK_LOG_TITLE(kTitle);
    ZK_LOG_PARAM("pWorkPathName->%s, pVekFileName->%s, pErrorCode->Address:%p", ZkText(pWorkPathName),
                 ZkText(pVekFileName), Address(pErrorCode));
    ZK_LOG_START(kTitle);
    CZkWorkFolderOperation operation(pWorkPathName);
    int result = operation.SaveVekFileOld(pVekFileName, nullptr, 0, nullptr, pErrorCode);
    ZK_LOG_END(kTitle);
    return result;
  });
}

}  // extern "C"
