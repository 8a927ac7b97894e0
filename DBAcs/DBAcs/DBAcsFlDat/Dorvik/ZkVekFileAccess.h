// Reads of an estimate file's leading parts (never its archive) and the in-place rewrite of its header
// information. One object per exported call.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ZkLogFrame.h"
#include "platform/files.h"

class CZkVekFileAccess {
 public:
  explicit CZkVekFileAccess(const char* pVekFileName);
  ~CZkVekFileAccess();
  CZkVekFileAccess(const CZkVekFileAccess&) = delete;
  CZkVekFileAccess& operator=(const CZkVekFileAccess&) = delete;

  int ReadFileSignature(char* pSignature, char* pVersion, char* pErrorCode);
  int ReadFileHeaderData(void* pDest, char* pErrorCode);
  int ReadFileHeaderInfo(void* pDest, char* pErrorCode);
  int WriteFileHeaderInfo(const void* pSource, char* pErrorCode);
  int ReadFileHistoryData(void* pDest, char* pErrorCode);
  int ReadFileHistoryInfo(void* pDest, int* pCount, char* pErrorCode);

 private:
  // The lock of the file for the call: shared for the reads, exclusive for the rewrite. False (code set) when
  // it cannot be had.
  bool Lock(bool exclusive, char* pErrorCode);
  // The first steps of every read: the file must exist, its lock be had and its first bytes be read into data.
  // 0 when one fails, with its code and the abnormal end of frame logged as at where.
  int ReadHead(const CZkLogFrame& frame, int bytes, std::vector<unsigned char>& data, const char* missingText,
               bool exclusive, char* pErrorCode, const ZkSourcePlace& where = ZkSourcePlace::current());

  std::string m_strVekFileName;
  bool m_bExist;
  std::unique_ptr<platform::FileLock> m_pLock;
};
