// The version check of a work folder's three databases, run after an estimate file has been opened: the outside
// checker ZkDBFlVerChk tells which databases need converting and gives the statements, the database's back-end
// runs them, and the checker records the new version. A system without the checker passes the check.
#pragma once

#include <string>

#include "ZkWorkFolderAccess.h"
#include "platform/module.h"

class CZkVersionOperation {
 public:
  static constexpr char kCheckerName[] = "ZkDBFlVerChk.dll";
  static constexpr int kStatementSize = 2048;   // one statement's slot in the block, its NUL included
  static constexpr int kMaxStatements = 4096;   // more than this from the checker is refused

  CZkVersionOperation(const char* pWorkPathName, const char* pLogFilePath);
  ~CZkVersionOperation();
  CZkVersionOperation(const CZkVersionOperation&) = delete;
  CZkVersionOperation& operator=(const CZkVersionOperation&) = delete;

  int CheckVersion(char* pErrorCode);
  int CheckVersionDB(int nDBId, platform::ModuleHandle hChecker, char* pErrorCode);
  // Runs count statements of the block (count x 2048 bytes) on the database nDBId.
  int ExecuteSQL(const char* pStatement, int count, int nDBId, char* pErrorCode);

 private:
  std::string m_strWorkPathName;
  int m_nLogWriteLevel;
  std::string m_strLogFilePath;
  ZkDatabaseFileNames m_DBFileNames;
};
