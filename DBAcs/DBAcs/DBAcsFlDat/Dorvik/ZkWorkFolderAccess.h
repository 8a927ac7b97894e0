// The INI files the library keeps in a work folder: OvDBInfo.ini (database file names), HeaderDt.ini
// (signature record and header information) and HistryDt.ini (history header and entries). One object per call.
#pragma once

#include <string>

// The database file names of a work folder with terminators (for the library's own use).
struct ZkDatabaseFileNames {
  char InformationDB[15];
  char EstimateDB[15];
  char ImageDB[15];
};
static_assert(sizeof(ZkDatabaseFileNames) == 45, "ZkDatabaseFileNames");

class CZkWorkFolderAccess {
 public:
  static constexpr char kDBInfoIniName[] = "OvDBInfo.ini";
  static constexpr char kHeaderIniName[] = "HeaderDt.ini";
  static constexpr char kHistoryIniName[] = "HistryDt.ini";
  // Names used when a work folder has no OvDBInfo.ini.
  static constexpr char kDefaultInformationDB[] = "OvSvIf0001.sld";
  static constexpr char kDefaultEstimateDB[] = "OvSvEm0001.sld";
  static constexpr char kDefaultImageDB[] = "OvSvIg0001.sld";

  explicit CZkWorkFolderAccess(const char* pWorkPathName);
  ~CZkWorkFolderAccess();
  CZkWorkFolderAccess(const CZkWorkFolderAccess&) = delete;
  CZkWorkFolderAccess& operator=(const CZkWorkFolderAccess&) = delete;

  // pDest: LatestDatabaseFile (three names of 14 bytes, NUL-padded, not terminated).
  int ReadDBInfoINI(void* pDest, char* pErrorCode);
  int ReadDBInfoINI(ZkDatabaseFileNames* pDest, char* pErrorCode);
  int WriteDBInfoINI(const void* pSource, char* pErrorCode);
  // HeaderData (16 bytes) and HeaderInfo (312 bytes).
  int ReadFileHeaderINI(void* pFileHeaderData, void* pFileHeaderInfo, char* pErrorCode);
  int WriteFileHeaderINI(const void* pFileHeaderData, const void* pFileHeaderInfo, char* pErrorCode);
  // HistoryData (12 bytes) and HistoryInfo entries (96 bytes each). A null entry buffer with *pHistoryCount 0
  // asks for the count; otherwise *pHistoryCount must equal the file's count.
  int ReadFileHistoryINI(void* pFileHistoryData, void* pFileHistoryInfo, int* pHistoryCount, char* pErrorCode);
  int WriteFileHistoryINI(const void* pFileHistoryData, const void* pFileHistoryInfo, int nHistoryCount,
                          char* pErrorCode);

 private:
  // The three database names, each at most 14 bytes.
  int ReadDatabaseNames(std::string names[3], char* pErrorCode);
  std::string IniPath(const char* name) const;

  std::string m_strWorkPathName;
  bool m_bExist;
};
