#include "ZkVekFileReplace.h"

#include <cerrno>

#include "ZkErrorCode.h"
#include "ZkLog.h"
#include "ZkUtilities.h"
#include "platform/clock.h"
#include "platform/env.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/path.h"

namespace {

constexpr char kTextRename[] = "見積保存ファイルのリネーム中にエラーが発生しました(%d)";
constexpr char kTextWrite[] = "見積保存ファイル書き出し中にエラーが発生しました";

// "folder/.name.<pid>.tmp": beside the file, so the last step is a rename within one folder.
std::string TemporaryNameBeside(const std::string& path) {
  std::size_t slash = path.rfind(platform::kDelimiter);
  std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return folder + "." + name + "." + CZkUtilities::ToText(platform::CurrentEnvironment().ProcessId()) + ".tmp";
}

// A second name for the old file: 1 done, -2 the name is taken, 0 any other failure (the results of a rename).
int MakeSecondName(const std::string& from, const std::string& to) {
  switch (platform::LinkFile(from, to)) {
    case platform::LinkResult::Done:
      return 1;
    case platform::LinkResult::Exists:
      return -2;
    case platform::LinkResult::Unsupported:
      break;
    default:
      return 0;
  }
  // No second names on this file system: a copy that never replaces a file.
  if (platform::CopyFile(from, to, true)) return 1;
  if (platform::LastError() == EEXIST) return -2;
  CZkUtilities::RemoveFile(to);
  return 0;
}

}  // namespace

CZkVekFileReplace::CZkVekFileReplace(const std::string& vekFileName) : m_strVekFileName(vekFileName) {}

CZkVekFileReplace::~CZkVekFileReplace() {
  if (!m_bCommitted) RollBack();
}

int CZkVekFileReplace::MakeBackup(char* pErrorCode) {
  if (!CZkUtilities::IsExistFile(m_strVekFileName)) return 1;
  std::string backup = CZkUtilities::MakeBackupFileName(m_strVekFileName);
  ZK_LOG(3, "見積保存ファイル名(%s)⇒一時ファイル名(%s)", m_strVekFileName.c_str(), backup.c_str());
  int result = backup.empty() ? 0 : MakeSecondName(m_strVekFileName, backup);
  if (result != 1) {
    ZK_LOG(0, kTextRename, result);
    ZkSetErrorCode(pErrorCode, result == -2 ? zkerror::kBackupNameTaken : zkerror::kVekFileWrite);
    return 0;
  }
  m_strBackup = backup;
  m_bBackupMade = true;
  return 1;
}

int CZkVekFileReplace::WriteNewFile(const void* head, std::int64_t headSize, const std::string& tailSource,
                                    std::int64_t tailOffset, std::int64_t expectedSize, char* pErrorCode) {
  m_strTemporary = TemporaryNameBeside(m_strVekFileName);
  // A temporary file left by an interrupted save is ours to replace.
  if (CZkUtilities::IsExistFile(m_strTemporary)) CZkUtilities::RemoveFile(m_strTemporary);
  m_bTemporaryMade = true;
  bool ok = CZkUtilities::WriteBinaryData(m_strTemporary, head, headSize) == 1 &&
            CZkUtilities::CopyFiles(tailOffset, tailSource, m_strTemporary) == 1;
  if (ok) {
    std::int64_t size = platform::FileSize(m_strTemporary);
    ZK_LOG(3, "見積保存ファイルサイズ：%lld（期待値：%lld）", static_cast<long long>(size),
           static_cast<long long>(expectedSize));
    ok = size == expectedSize;
  }
  if (ok) {
    // On disk before the old file can go.
    auto file = platform::File::Open(m_strTemporary, platform::OpenMode::Read);
    ok = file && file->Sync();
  }
  if (!ok) {
    ZK_LOG(0, kTextWrite);
    ZkSetErrorCode(pErrorCode, zkerror::kVekFileWrite);
    return 0;
  }
  return 1;
}

int CZkVekFileReplace::Commit(char* pErrorCode) {
  if (!platform::RenameReplacing(m_strTemporary, m_strVekFileName)) {
    ZK_LOG(0, kTextWrite);
    ZkSetErrorCode(pErrorCode, zkerror::kVekFileWrite);
    return 0;
  }
  m_bTemporaryMade = false;
  m_bCommitted = true;
  if (!platform::SyncFolderOf(m_strVekFileName)) {
    ZK_LOG(0, "見積保存ファイルのフォルダを書き出せません(%d)", platform::LastError());
  }
  if (m_bBackupMade) {
    RemoveBackupWithRetries();
    m_bBackupMade = false;
  }
  return 1;
}

void CZkVekFileReplace::RollBack() {
  if (m_bTemporaryMade) {
    CZkUtilities::RemoveFile(m_strTemporary);
    m_bTemporaryMade = false;
  }
  if (m_bBackupMade && !m_bCommitted) {
    // Until the commit the backup may be a second name of the estimate file itself: its attributes are kept.
    std::uint32_t attributes = platform::GetAttributes(m_strVekFileName);
    RemoveBackupWithRetries();
    if (attributes != platform::kAttrInvalid && platform::GetAttributes(m_strVekFileName) != attributes) {
      platform::SetAttributes(m_strVekFileName, attributes);
    }
    m_bBackupMade = false;
  }
}

bool CZkVekFileReplace::RemoveBackupWithRetries() {
  for (int retry = 0;; ++retry) {
    if (!CZkUtilities::IsExistFile(m_strBackup) || CZkUtilities::RemoveFile(m_strBackup)) return true;
    if (retry == kRetryCount) return false;
    ZK_LOG(2, "変更前の見積保存ファイルを削除する（リトライ）");
    platform::Sleep(kRetryPause);
  }
}
