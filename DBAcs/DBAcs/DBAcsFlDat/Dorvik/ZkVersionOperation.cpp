#include "ZkVersionOperation.h"

#include <cstring>
#include <new>
#include <vector>

#include "ZkDBAccess.h"
#include "ZkErrorCode.h"
#include "ZkLog.h"
#include "ZkLogFrame.h"
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

// A function of the checker; null when it is missing, with E02000002 written and logged as at where.
template <class Function>
Function CheckerFunction(platform::ModuleHandle hChecker, const char* name, char* pErrorCode,
                         const ZkSourcePlace& where = ZkSourcePlace::current()) {
  auto f = reinterpret_cast<Function>(platform::GetFunction(hChecker, name));
  if (!f) {
    ZkSetErrorCode(pErrorCode, zkerror::kLibraryFunction);
    CZkLog::Write(0, where.file_name(), where.function_name(), static_cast<int>(where.line()), kTextFunctionMissing,
                  zkerror::kLibraryFunction, CZkVersionOperation::kCheckerName, name);
  }
  return f;
}

}  // namespace

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
  CZkLogFrame frame = ZK_FRAME("DBバージョンチェック", "pErrorCode->Address:%p", static_cast<void*>(pErrorCode));

  CZkWorkFolderAccess access(m_strWorkPathName.c_str());
  if (!access.ReadDBInfoINI(&m_DBFileNames, pErrorCode)) {
    ZK_LOG(0, "見積管理ファイルINI読み込み中にエラーが発生しました");
    return frame.Fail();
  }

  platform::ModuleHandle checker = platform::LoadModule(kCheckerName);
  if (!checker) {
    // A system without the checker has nothing to convert.
    ZK_LOG(2, "%sが見つかりませんでした", kCheckerName);
    return frame.Ok();
  }

  for (int id : {ZK_DBID_IF, ZK_DBID_EM, ZK_DBID_IG}) {
    ZK_LOG(2, "バージョンチェック：%s", IdName(id));
    if (!CheckVersionDB(id, checker, pErrorCode)) {
      ZkSetErrorCode(pErrorCode, zkerror::kVersionCheck);
      ZK_LOG(0, "[%s]%sのバージョンアップに失敗しました", zkerror::kVersionCheck, DefaultDBFileName(id));
      platform::FreeModule(checker);
      return frame.Fail();
    }
  }

  if (!platform::FreeModule(checker)) {
    ZkSetErrorCode(pErrorCode, zkerror::kLibraryUnload);
    ZK_LOG(0, kTextUnloadFailed, zkerror::kLibraryUnload, kCheckerName);
    return frame.Fail();
  }
  return frame.Ok();
}

int CZkVersionOperation::CheckVersionDB(int nDBId, platform::ModuleHandle hChecker, char* pErrorCode) {
  CZkLogFrame frame = ZK_FRAME("各DBのバージョンをチェック", "nDBId->%d, hChecker->Address:%p, pErrorCode->Address:%p",
                               nDBId, hChecker, static_cast<void*>(pErrorCode));

  auto checkDBVer = CheckerFunction<CheckDBVerFunction>(hChecker, kCheckDBVer, pErrorCode);
  if (!checkDBVer) return frame.Fail();
  int count = checkDBVer(m_strWorkPathName.c_str(), nDBId);
  ZK_LOG(3, "変換SQL文の数：%d", count);
  if (count <= 0) {
    return frame.Ok();
  }

  auto getConvertSQL = CheckerFunction<GetConvertSQLFunction>(hChecker, kGetConvertSQL, pErrorCode);
  if (!getConvertSQL) return frame.Fail();
  if (count > kMaxStatements) {
    return frame.Fail(pErrorCode, zkerror::kVersionCheck, "変換SQL文の数が上限を超えています");
  }
  std::vector<char> block;
  try {
    block.assign(static_cast<std::size_t>(count) * kStatementSize, '\0');
  } catch (const std::bad_alloc&) {
    return frame.Fail(pErrorCode, zkerror::kNoMemory, "変換SQL文の領域を確保できません");
  }
  if (getConvertSQL(nDBId, block.data(), count) != 1) {
    ZkSetErrorCode(pErrorCode, zkerror::kVersionCheck);
    ZK_LOG(0, kTextFunctionFailed, zkerror::kVersionCheck, kCheckerName, kGetConvertSQL);
    return frame.Fail();
  }
  // A slot the checker filled to its end still ends within it.
  for (int i = 0; i < count; ++i) block[static_cast<std::size_t>(i) * kStatementSize + kStatementSize - 1] = '\0';

  if (!ExecuteSQL(block.data(), count, nDBId, pErrorCode)) {
    return frame.Fail();
  }

  auto writeDBVersionINI = CheckerFunction<WriteDBVersionINIFunction>(hChecker, kWriteDBVersionINI, pErrorCode);
  if (!writeDBVersionINI) return frame.Fail();
  if (writeDBVersionINI(m_strWorkPathName.c_str(), nDBId) != 1) {
    ZkSetErrorCode(pErrorCode, zkerror::kVersionCheck);
    ZK_LOG(0, kTextFunctionFailed, zkerror::kVersionCheck, kCheckerName, kWriteDBVersionINI);
    return frame.Fail();
  }
  return frame.Ok();
}

int CZkVersionOperation::ExecuteSQL(const char* pStatement, int count, int nDBId, char* pErrorCode) {
  CZkLogFrame frame =
      ZK_FRAME_WITH_SUFFIX("SQL文実行", "(DB-ID : " + std::to_string(nDBId) + ")",
                           "pStatement->Address:%p, count->%d, nDBId->%d, pErrorCode->Address:%p",
                           static_cast<const void*>(pStatement), count, nDBId, static_cast<void*>(pErrorCode));

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
    return frame.Fail();
  }
  return frame.End(1);
}
