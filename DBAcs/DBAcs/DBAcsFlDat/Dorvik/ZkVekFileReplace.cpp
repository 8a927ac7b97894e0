#include "ZkVekFileReplace.h"

#include <cerrno>

#include "ZkErrorCode.h"
#include "ZkLog.h"
#include "ZkUtilities.h"
#include "platform/clock.h"
#include "platform/error.h"
#include "platform/path.h"
#include "platform/text.h"

namespace {

constexpr char kTextRename[] = "見積保存ファイルのリネーム中にエラーが発生しました(%d)";
constexpr char kTextWrite[] = "見積保存ファイル書き出し中にエラーが発生しました";
constexpr char kBackupMark[] = "-バックアップ";
constexpr char kNoteSuffix[] = ".bak";

// The folder and the name of a path, as the file has them (a name found without regard to case).
void Split(const std::string& path, std::string& folder, std::string& name) {
  std::string real = platform::ResolveName(path);
  std::size_t slash = platform::FindLastChar(real, platform::kDelimiter);
  folder = slash == std::string::npos ? std::string() : real.substr(0, slash == 0 ? 1 : slash);
  name = slash == std::string::npos ? real : real.substr(slash + 1);
}

// What the temporary files and backup notes of an estimate file named name begin with.
std::string PrefixOf(const std::string& name) { return "." + name + "."; }

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

// Removes the backup a note names when the note's owner is gone. A backup that is still a second name of the
// estimate file (its owner ended before the new file took the name) loses only that name.
void RemoveNamedBackup(const std::string& note, const std::string& folder, const std::string& vekFileName,
                       const std::string& name) {
  std::string backupName;
  const std::string tail = std::string(kBackupMark) + name;
  // Only a backup name of this estimate file, in its folder.
  if (platform::ReadFile(note, backupName) && backupName.size() > tail.size() &&
      backupName.compare(backupName.size() - tail.size(), tail.size(), tail) == 0 &&
      platform::FindChar(backupName, platform::kDelimiter) == std::string::npos) {
    std::string backup = CZkUtilities::JoinPath(folder, backupName);
    if (platform::IsFile(backup) && !platform::IsSymbolicLink(backup)) {
      ZK_LOG(2, "中断された処理の変更前の見積保存ファイルを削除します：%s", backup.c_str());
      bool removed = platform::SameFile(backup, vekFileName) ? platform::DeleteTree(backup)
                                                             : CZkUtilities::RemoveFile(backup) == 1;
      if (removed) platform::SyncFolderOf(backup);
    }
  }
  platform::DeleteFile(note);
}

}  // namespace

CZkVekFileReplace::CZkVekFileReplace(const std::string& vekFileName) : m_strVekFileName(vekFileName) {}

CZkVekFileReplace::~CZkVekFileReplace() {
  if (!m_bCommitted) RollBack();
}

std::unique_ptr<platform::FileLock> CZkVekFileReplace::LockForChange(const std::string& vekFileName,
                                                                     char* pErrorCode) {
  auto lock = CZkUtilities::LockVekFile(vekFileName, true);
  if (!lock) {
    ZkSetErrorCode(pErrorCode, zkerror::kVekFileWrite);
    return lock;
  }
  std::string folder, name;
  Split(vekFileName, folder, name);
  int removed = platform::RemoveStaleTemporaries(folder, PrefixOf(name));
  if (removed > 0) ZK_LOG(2, "中断された処理の一時ファイルを削除しました（%d件）", removed);
  for (const std::string& note : platform::StaleTemporaries(folder, PrefixOf(name), kNoteSuffix)) {
    RemoveNamedBackup(note, folder, vekFileName, name);
  }
  return lock;
}

int CZkVekFileReplace::MakeBackup(char* pErrorCode) {
  if (!CZkUtilities::IsExistFile(m_strVekFileName)) return 1;
  std::string backup = CZkUtilities::MakeBackupFileName(m_strVekFileName);
  ZK_LOG(3, "見積保存ファイル名(%s)⇒一時ファイル名(%s)", m_strVekFileName.c_str(), backup.c_str());
  int result = 0;
  if (!backup.empty()) {
    // The note names the backup before the backup exists, so that it never stands unnamed.
    std::string folder, name;
    Split(m_strVekFileName, folder, name);
    std::size_t slash = platform::FindLastChar(backup, platform::kDelimiter);
    std::string backupName = slash == std::string::npos ? backup : backup.substr(slash + 1);
    m_pBackupNote = platform::TemporaryFile::Create(folder, PrefixOf(name), kNoteSuffix);
    if (m_pBackupNote && m_pBackupNote->file().Write(backupName.data(), backupName.size())) {
      result = MakeSecondName(m_strVekFileName, backup);
    }
  }
  if (result != 1) {
    m_pBackupNote.reset();
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
  m_pNewFile = platform::TemporaryFile::CreateBeside(m_strVekFileName);
  bool ok = m_pNewFile && m_pNewFile->file().Write(head, static_cast<std::size_t>(headSize));
  if (ok) {
    // The tail, from file to file through one fixed buffer.
    auto in = platform::File::Open(tailSource, platform::OpenMode::Read);
    std::int64_t size = in ? in->Size() : -1;
    ok = size >= 0 && (tailOffset >= size || in->Seek(tailOffset, SEEK_SET) == tailOffset);
    // Flushed before it takes the estimate file's name: its bytes go to the device while the rest is copied.
    ok = ok && CZkUtilities::CopyTail(*in, m_pNewFile->file(), size - tailOffset, true);
  }
  if (ok) {
    std::int64_t size = m_pNewFile->file().Size();
    ZK_LOG(3, "見積保存ファイルサイズ：%lld（期待値：%lld）", static_cast<long long>(size),
           static_cast<long long>(expectedSize));
    ok = size == expectedSize;
  }
  if (!ok) {
    ZK_LOG(0, kTextWrite);
    ZkSetErrorCode(pErrorCode, zkerror::kVekFileWrite);
    return 0;
  }
  return 1;
}

int CZkVekFileReplace::Commit(char* pErrorCode) {
  // On disk before the old file can go, then under its name in one step.
  if (!m_pNewFile || !m_pNewFile->Commit(m_strVekFileName)) {
    ZK_LOG(0, kTextWrite);
    ZkSetErrorCode(pErrorCode, zkerror::kVekFileWrite);
    return 0;
  }
  m_bCommitted = true;
  // The new file keeps the lock it was made with until the backup is gone: the operation's own lock holds the
  // old file, and a second writer must not start (and take the same backup name) before this one has ended.
  if (m_bBackupMade) {
    RemoveBackupWithRetries();
    m_bBackupMade = false;
  }
  m_pBackupNote.reset();
  m_pNewFile.reset();
  return 1;
}

void CZkVekFileReplace::RollBack() {
  m_pNewFile.reset();
  if (m_bBackupMade && !m_bCommitted) {
    // Until the commit the backup may be a second name of the estimate file itself: its attributes are kept.
    std::uint32_t attributes = platform::GetAttributes(m_strVekFileName);
    RemoveBackupWithRetries();
    if (attributes != platform::kAttrInvalid && platform::GetAttributes(m_strVekFileName) != attributes) {
      platform::SetAttributes(m_strVekFileName, attributes);
    }
    m_bBackupMade = false;
  }
  m_pBackupNote.reset();
}

bool CZkVekFileReplace::RemoveBackupWithRetries() {
  for (int retry = 0;; ++retry) {
    if (!CZkUtilities::IsExistFile(m_strBackup)) return true;
    if (CZkUtilities::RemoveFile(m_strBackup)) {
      // The removal, too, is on disk before the operation reports its end.
      platform::SyncFolderOf(m_strBackup);
      return true;
    }
    if (retry == kRetryCount) return false;
    ZK_LOG(2, "変更前の見積保存ファイルを削除する（リトライ）");
    platform::Sleep(kRetryPause);
  }
}
