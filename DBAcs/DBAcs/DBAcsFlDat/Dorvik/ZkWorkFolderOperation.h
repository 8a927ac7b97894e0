// Operations on a work folder as a whole: saving it as an estimate file (its files packed into a cabinet
// behind the scrambled head of the estimate file). One object per exported call.
#pragma once

#include <string>

#include "ZkLogFrame.h"

class CZkWorkFolderOperation {
 public:
  static constexpr int kMaxHistoryCount = 5;  // entries a save writes at most, oldest first

  explicit CZkWorkFolderOperation(const char* pWorkPathName);
  ~CZkWorkFolderOperation();
  CZkWorkFolderOperation(const CZkWorkFolderOperation&) = delete;
  CZkWorkFolderOperation& operator=(const CZkWorkFolderOperation&) = delete;

  // nSaveMode 0 continues the header and history of the work folder's HeaderDt.ini and HistryDt.ini; any
  // other value starts from nothing. pNewFileHeader: null or a HeaderInfo record; pNewFileHistory: null or the
  // HistoryInfo record of the newest entry. Streamed: the cabinet is never held in memory.
  int SaveVekFile(const char* pVekFileName, const void* pNewFileHeader, int nSaveMode, const void* pNewFileHistory,
                  char* pErrorCode);
  // The same with the whole file built in memory.
  int SaveVekFileOld(const char* pVekFileName, const void* pNewFileHeader, int nSaveMode,
                     const void* pNewFileHistory, char* pErrorCode);

  // The new HeaderData and HeaderInfo records from the past ones and a new header (null: the past one's).
  int SettingFileHeaderData(void* pFileHeaderData, void* pFileHeaderInfo, const void* pOldFileHeaderData,
                            const void* pOldFileHeaderInfo, const void* pNewFileHeaderInfo, int nHistoryCount,
                            char* pErrorCode);
  // The new HistoryData and nHistoryCount HistoryInfo records: the past entries, and the new one last.
  int SettingFileHistoryData(void* pFileHistoryData, void* pFileHistoryInfo, int nHistoryCount,
                             const void* pOldFileHistoryData, const void* pOldFileHistoryInfo, int nOldHistoryCount,
                             const void* pNewFileHistoryInfo, char* pErrorCode);

 private:
  struct SaveRecords;
  // Steps shared by both saves up to the packed cabinet.
  int PrepareSave(const CZkLogFrame& frame, const void* pNewFileHeader, int nSaveMode, const void* pNewFileHistory,
                  const std::string& cabinet, SaveRecords& records, char* pErrorCode);
  // After the estimate file has been replaced: the cabinet removed, and the INI files too unless nSaveMode is 0;
  // then the normal end of the save, logged as at where (the save).
  int FinishSave(const CZkLogFrame& frame, const std::string& cabinet, int nSaveMode, char* pErrorCode,
                 const ZkSourcePlace& where = ZkSourcePlace::current());

  // ---- Hand-over files and image data (ZkWorkFolderOperationLink.cpp) ----
 public:
  // OvSvMail.ini from a MailLinkHeader record.
  int CreateMailLinkHeaderFile(const void* pSource, char* pErrorCode);
  // OvSvImge.ini from nCount MailLinkImageEntry records (nCount below 1: the General section only).
  int CreateMailLinkImageFile(const void* pSource, int nCount, char* pErrorCode);
  // The photo-link XML file of the estimate file pVekFileName from a VistrelLinkRecord.
  int CreateVistrelLinkFile(const char* pVekFileName, const void* pSource, char* pErrorCode);
  // Paths by the size-query convention. The Image folder is made when it is missing, also for the size query.
  int GetImagePathName(char* pPathName, int* pByteSize, char* pErrorCode);
  int GetMailLinkHeaderFileName(char* pFileName, int* pByteSize, char* pErrorCode);
  int GetMailLinkImageFileName(char* pFileName, int* pByteSize, char* pErrorCode);
  int GetVistrelLinkFileName(const char* pVekFileName, char* pFileName, int* pByteSize, char* pErrorCode);
  // Applies an OvSvImge.ini edited by the mail program to the image database pDBFileName and the Image folder.
  int FeedbackMailLinkImageFile(const char* pDBFileName, char* pErrorCode);
  // The image count of HeaderDt.ini set to 0, OvSvImge.ini emptied, the image database and the Image folder gone.
  int DeleteAllImageData(char* pErrorCode);

 private:
  std::string VistrelLinkFileName(const char* pVekFileName) const;
  // Ends a path query: the work folder must exist, then the path goes out by the size-query convention.
  int DeliverPath(const CZkLogFrame& frame, const std::string& path, char* pBuffer, int* pByteSize,
                  char* pErrorCode) const;
  // ---- end of hand-over files and image data ----

  std::string m_strWorkPathName;
  bool m_bExist;
};
