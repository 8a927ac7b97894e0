// Replacing an estimate file so that its name holds the old or the new complete file at every moment.
// The time-stamped backup is a second name of the old file (a copy where the file system keeps no second
// names); the new file is written beside it as a temporary file of this process, checked, flushed and renamed
// over the old one; only then is the backup removed. Whatever fails, the old file never leaves its name, and
// what this object made (the temporary file, the backup) is removed again. While the backup exists, a small
// file beside it (".<name>.<pid>.bak", locked while its owner lives) names it, so that the backup of a process
// that did not live to remove it is recognised and removed by the next change of the estimate file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/files.h"

class CZkVekFileReplace {
 public:
  static constexpr unsigned kRetryPause = 5000;  // milliseconds between tries of a backup removal
  static constexpr int kRetryCount = 3;          // tries after the first

  explicit CZkVekFileReplace(const std::string& vekFileName);
  // Rolls back unless Commit succeeded.
  ~CZkVekFileReplace();
  CZkVekFileReplace(const CZkVekFileReplace&) = delete;
  CZkVekFileReplace& operator=(const CZkVekFileReplace&) = delete;

  // The estimate file locked for a change (a second writer waits, at most CZkUtilities::kLockWait), and what
  // changes whose process ended left beside it removed: temporary files and named backups. Null with E03000003
  // when the lock cannot be had.
  static std::unique_ptr<platform::FileLock> LockForChange(const std::string& vekFileName, char* pErrorCode);

  // When the estimate file exists, makes the time-stamped backup: E03000016 when its name is taken (the name
  // stays for GetErrorDetail), E03000003 on any other failure. 1 when done or when there is no file yet.
  int MakeBackup(char* pErrorCode);
  // The file that holds the old bytes while the replacement is under way (the backup), empty without one.
  const std::string& BackupFileName() const { return m_strBackup; }

  // Writes head, then the bytes of tailSource from tailOffset to its end, as the new file; its size must be
  // expectedSize. E03000003 on any failure.
  int WriteNewFile(const void* head, std::int64_t headSize, const std::string& tailSource, std::int64_t tailOffset,
                   std::int64_t expectedSize, char* pErrorCode);
  // Flushes the new file and puts it under the estimate file's name in one step, then removes the backup (tried
  // again after pauses; a backup that stays is no failure). E03000003 when the new file cannot take the name.
  int Commit(char* pErrorCode);

  // Removes what this object made; the estimate file is left as it was.
  void RollBack();

 private:
  bool RemoveBackupWithRetries();

  std::string m_strVekFileName;
  std::string m_strBackup;
  std::unique_ptr<platform::TemporaryFile> m_pNewFile;
  std::unique_ptr<platform::TemporaryFile> m_pBackupNote;
  bool m_bBackupMade = false;
  bool m_bCommitted = false;
};
