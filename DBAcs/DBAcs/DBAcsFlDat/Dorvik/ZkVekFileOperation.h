// Operations on a whole estimate file: opening it into a work folder (its header parts as INI files, its
// archive unpacked), and the rewrites that need no work folder: deleting every history entry, setting and
// releasing the agreed lock. One object per exported call.
#pragma once

#include <string>

class CZkVekFileOperation {
 public:
  static constexpr int kAgreedPasswordLimit = 16;  // bytes of the stored password
  static constexpr int kForcedRelease = 1;         // nReleaseMode that needs no password

  // The path is kept as the caller gave it.
  explicit CZkVekFileOperation(const char* pVekFileName);
  ~CZkVekFileOperation();
  CZkVekFileOperation(const CZkVekFileOperation&) = delete;
  CZkVekFileOperation& operator=(const CZkVekFileOperation&) = delete;

  // Streamed: only the leading parts are held in memory, the archive goes from file to file.
  int OpenVekFile(const char* pWorkPathName, char* pErrorCode);
  // The whole file in memory.
  int OpenVekFileOld(const char* pWorkPathName, char* pErrorCode);

  int DeleteAllHistory(char* pErrorCode);
  int DeleteAllHistoryOld(char* pErrorCode);
  int SettingAgreed(const char* pPassword, char* pErrorCode);
  int ReleaseAgreed(const char* pPassword, int nReleaseMode, char* pErrorCode);

 private:
  // The agreed lock set (agreed) or released: the first 321 bytes rewritten in place.
  int RewriteAgreed(const char* title, const char* pPassword, bool agreed, int nReleaseMode, char* pErrorCode);

  std::string m_strVekFileName;
  bool m_bExist;
};
