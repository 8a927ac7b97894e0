// Replacing an estimate file so that its name holds the old or the new complete file at every moment.
// The time-stamped backup is a second name of the old file (a copy where the file system keeps no second
// names); the new file is written beside it under a temporary name, checked, flushed and renamed over the old
// one; only then is the backup removed. Whatever fails, the old file never leaves its name, and what this
// object made (the temporary file, the backup) is removed again.
#pragma once

#include <cstdint>
#include <string>

class CZkVekFileReplace {
 public:
  static constexpr unsigned kRetryPause = 5000;  // milliseconds between tries of a backup removal
  static constexpr int kRetryCount = 3;          // tries after the first

  explicit CZkVekFileReplace(const std::string& vekFileName);
  // Rolls back unless Commit succeeded.
  ~CZkVekFileReplace();
  CZkVekFileReplace(const CZkVekFileReplace&) = delete;
  CZkVekFileReplace& operator=(const CZkVekFileReplace&) = delete;

  // When the estimate file exists, makes the time-stamped backup: E03000016 when its name is taken (the name
  // stays for GetErrorDetail), E03000003 on any other failure. 1 when done or when there is no file yet.
  int MakeBackup(char* pErrorCode);
  // The file that holds the old bytes while the replacement is under way (the backup), empty without one.
  const std::string& BackupFileName() const { return m_strBackup; }

  // Writes head, then the bytes of tailSource from tailOffset to its end, as the new file; its size must be
  // expectedSize; flushed to disk. E03000003 on any failure.
  int WriteNewFile(const void* head, std::int64_t headSize, const std::string& tailSource, std::int64_t tailOffset,
                   std::int64_t expectedSize, char* pErrorCode);
  // Puts the new file under the estimate file's name in one step and removes the backup (tried again after
  // pauses; a backup that stays is no failure). E03000003 when the new file cannot take the name.
  int Commit(char* pErrorCode);

  // Removes what this object made; the estimate file is left as it was.
  void RollBack();

 private:
  bool RemoveBackupWithRetries();

  std::string m_strVekFileName;
  std::string m_strTemporary;
  std::string m_strBackup;
  bool m_bBackupMade = false;
  bool m_bTemporaryMade = false;
  bool m_bCommitted = false;
};
