#include "ZkVersionOperation.h"

#include <cstring>
#include <new>
#include <vector>

#include "ZkDBAccess.h"
#include "ZkErrorCode.h"
#include "ZkLog.h"
#include "ZkSettings.h"
#include "ZkUtilities.h"

namespace {

using CheckDBVerFunction = int (*)(const char* pWorkPathName, int nDBId);
using GetConvertSQLFunction = int (*)(int nDBId, char* pStatements, int nCount);
using WriteDBVersionINIFunction = int (*)(const char* pWorkPathName, int nDBId);
using ExecuteSQLFunction = int (*)(const char* pStatement, char* pErrorCode);

constexpr char kCheckDBVer[] = "CheckDBVer";
constexpr char kGetConvertSQL[] = "GetConvertSQL";
constexpr char kWriteDBVersionINI[] = "WriteDBVersionINI";
constexpr char kExecuteSQL[] = "ExecuteSQL";

constexpr char kTextFunctionMissing[] = "[%s]ＤＬＬ(%s)の%s関数アドレスが取得できません";
constexpr char kTextFunctionFailed[] = "[%s]ＤＬＬ(%s)の%s関数処理中にエラーが発生しました";
constexpr char kTextUnloadFailed[] = "[%s]ＤＬＬ(%s)のアンロードに失敗しました";

const char* IdName(int nDBId) {
  switch (nDBId) {
    case ZK_DBID_IF:
      return "ZK_DBID_IF";
    case ZK_DBID_EM:
      return "ZK_DBID_EM";
    case ZK_DBID_IG:
      return "ZK_DBID_IG";
    default:
      return "";
  }
}

const char* DefaultDBFileName(int nDBId) {
  switch (nDBId) {
    case ZK_DBID_IF:
      return CZkWorkFolderAccess::kDefaultInformationDB;
    case ZK_DBID_EM:
      return CZkWorkFolderAccess::kDefaultEstimateDB;
    case ZK_DBID_IG:
      return CZkWorkFolderAccess::kDefaultImageDB;
    default:
      return "";
  }
}

}  // namespace

// A checker function that is missing: E02000002, the operation's abnormal end.
#define ZK_CHECKER_FUNCTION(var, type, name)                                                   \
  auto var = reinterpret_cast<type>(platform::GetFunction(hChecker, name));                   \
  if (!var) {                                                                                  \
    ZkSetErrorCode(pErrorCode, zkerror::kLibraryFunction);                                     \
    ZK_LOG(0, kTextFunctionMissing, zkerror::kLibraryFunction, kCheckerName, name);            \
    ZK_LOG_NG(kTitle);                                                                         \
    return 0;                                                                                  \
  }

CZkVersionOperation::CZkVersionOperation(const char* pWorkPathName, const char* pLogFilePath)
    : m_strWorkPathName(CZkUtilities::NormalizePath(ZkText(pWorkPathName))),
      m_nLogWriteLevel(ZkGetSettings().logLevel),
      m_strLogFilePath(ZkText(pLogFilePath)),
      m_DBFileNames{} {
  ZK_LOG_PARAM("pWorkPathName->%s, pLogFilePath->%s, nLogWriteLevel->%d", m_strWorkPathName.c_str(),
               m_strLogFilePath.c_str(), m_nLogWriteLevel);
}

CZkVersionOperation::~CZkVersionOperation() = default;

int CZkVersionOperation::CheckVersion(char* pErrorCode) {
  static constexpr char kTitle[] = "DBバージョンチェック";
  ZK_LOG_TITLE(kTitle);
  ZK_LOG_PARAM("pErrorCode->Address:%p", static_cast<void*>(pErrorCode));
  ZK_LOG_START(kTitle);

  CZkWorkFolderAccess access(m_strWorkPathName.c_str());
  if (!access.ReadDBInfoINI(&m_DBFileNames, pErrorCode)) {
    ZK_LOG(0, "見積管理ファイルINI読み込み中にエラーが発生しました");
    ZK_LOG_NG(kTitle);
    return 0;
  }

  platform::ModuleHandle checker = platform::LoadModule(kCheckerName);
  if (!checker) {
    // A system without the checker has nothing to convert.
    ZK_LOG(2, "%sが見つかりませんでした", kCheckerName);
    ZK_LOG_OK(kTitle);
    return 1;
  }

  for (int id : {ZK_DBID_IF, ZK_DBID_EM, ZK_DBID_IG}) {
    ZK_LOG(2, "バージョンチェック：%s", IdName(id));
    if (!CheckVersionDB(id, checker, pErrorCode)) {
      ZkSetErrorCode(pErrorCode, zkerror::kVersionCheck);
      ZK_LOG(0, "[%s]%sのバージョンアップに失敗しました", zkerror::kVersionCheck, DefaultDBFileName(id));
      platform::FreeModule(checker);
      ZK_LOG_NG(kTitle);
      return 0;
    }
  }

  if (!platform::FreeModule(checker)) {
    ZkSetErrorCode(pErrorCode, zkerror::kLibraryUnload);
    ZK_LOG(0, kTextUnloadFailed, zkerror::kLibraryUnload, kCheckerName);
    ZK_LOG_NG(kTitle);
    return 0;
  }
  ZK_LOG_OK(kTitle);
  return 1;
}

int CZkVersionOperation::CheckVersionDB(int nDBId, platform::ModuleHandle hChecker, char* pErrorCode) {
  static constexpr char kTitle[] = "各DBのバージョンをチェック";
  ZK_LOG_TITLE(kTitle);
  ZK_LOG_PARAM("nDBId->%d, hChecker->Address:%p, pErrorCode->Address:%p", nDBId, hChecker,
               static_cast<void*>(pErrorCode));
  ZK_LOG_START(kTitle);

  ZK_CHECKER_FUNCTION(checkDBVer, CheckDBVerFunction, kCheckDBVer);
  int count = checkDBVer(m_strWorkPathName.c_str(), nDBId);
  ZK_LOG(3, "変換SQL文の数：%d", count);
  if (count <= 0) {
    ZK_LOG_OK(kTitle);
    return 1;
  }

  ZK_CHECKER_FUNCTION(getConvertSQL, GetConvertSQLFunction, kGetConvertSQL);
  if (count > kMaxStatements) {
    ZK_FAIL(kTitle, zkerror::kVersionCheck, "変換SQL文の数が上限を超えています");
  }
  std::vector<char> block;
  try {
    block.assign(static_cast<std::size_t>(count) * kStatementSize, '\0');
  } catch (const std::bad_alloc&) {
    ZK_FAIL(kTitle, zkerror::kNoMemory, "変換SQL文の領域を確保できません");
  }
  if (getConvertSQL(nDBId, block.data(), count) != 1) {
    ZkSetErrorCode(pErrorCode, zkerror::kVersionCheck);
    ZK_LOG(0, kTextFunctionFailed, zkerror::kVersionCheck, kCheckerName, kGetConvertSQL);
    ZK_LOG_NG(kTitle);
    return 0;
  }
  // A slot the checker filled to its end still ends within it.
  for (int i = 0; i < count; ++i) block[static_cast<std::size_t>(i) * kStatementSize + kStatementSize - 1] = '\0';

  if (!ExecuteSQL(block.data(), count, nDBId, pErrorCode)) {
    ZK_LOG_NG(kTitle);
    return 0;
  }

  ZK_CHECKER_FUNCTION(writeDBVersionINI, WriteDBVersionINIFunction, kWriteDBVersionINI);
  if (writeDBVersionINI(m_strWorkPathName.c_str(), nDBId) != 1) {
    ZkSetErrorCode(pErrorCode, zkerror::kVersionCheck);
    ZK_LOG(0, kTextFunctionFailed, zkerror::kVersionCheck, kCheckerName, kWriteDBVersionINI);
    ZK_LOG_NG(kTitle);
    return 0;
  }
  ZK_LOG_OK(kTitle);
  return 1;
}

int CZkVersionOperation::ExecuteSQL(const char* pStatement, int count, int nDBId, char* pErrorCode) {
  static constexpr char kTitle[] = "SQL文実行";
  ZK_LOG_TITLE(kTitle);
  ZK_LOG_PARAM("pStatement->Address:%p, count->%d, nDBId->%d, pErrorCode->Address:%p",
               static_cast<const void*>(pStatement), count, nDBId, static_cast<void*>(pErrorCode));
  ZK_LOG(2, "SQL文実行開始(DB-ID : %d)", nDBId);

  const char* name = "";
  switch (nDBId) {
    case ZK_DBID_IF:
      name = m_DBFileNames.InformationDB;
      break;
    case ZK_DBID_EM:
      name = m_DBFileNames.EstimateDB;
      break;
    case ZK_DBID_IG:
      name = m_DBFileNames.ImageDB;
      break;
  }
  ZkBackEndCall call{ZkDBLibraryName(nDBId), kExecuteSQL, "ＤＬＬ(%s)内関数を実行",
                     CZkUtilities::JoinPath(m_strWorkPathName, name), m_strLogFilePath, m_nLogWriteLevel};
  int result = ZkCallBackEnd(
      call,
      [&](void* f) {
        auto execute = reinterpret_cast<ExecuteSQLFunction>(f);
        for (int i = 0; i < count; ++i) {
          const char* statement = pStatement + static_cast<std::size_t>(i) * kStatementSize;
          ZK_LOG(3, "%s", statement);
          if (execute(statement, pErrorCode) != 1) return 0;
        }
        return 1;
      },
      pErrorCode);
  if (result != 1) {
    ZK_LOG_NG(kTitle);
    return 0;
  }
  ZK_LOG(2, "SQL文実行終了(DB-ID : %d)", nDBId);
  return 1;
}
