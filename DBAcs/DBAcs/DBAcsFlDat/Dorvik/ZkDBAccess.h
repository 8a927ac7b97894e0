// The estimate databases through their outside back-end libraries: which library serves a table or a
// database, and one call of a back-end (load, Initialize, one function, Finalize, unload).
#pragma once

#include <functional>
#include <string>

// Database ids.
inline constexpr int ZK_DBID_IF = 1;  // information database, DorvikSqlIf.dll
inline constexpr int ZK_DBID_EM = 2;  // estimate database, DorvikSqlEm.dll
inline constexpr int ZK_DBID_IG = 3;  // image database, DorvikSqlIg.dll

// The back-end library of a database id; empty for any other id.
const char* ZkDBLibraryName(int nDBId);
// The back-end library and the table name of a table id; empty for any other id.
const char* ZkTableLibraryName(int nTableId);
const char* ZkTableName(int nTableId);

// Settings of one back-end call.
struct ZkBackEndCall {
  const char* library;        // "DorvikSqlIf.dll" ...
  std::string function;       // the one function called between Initialize and Finalize
  const char* runText;        // the step line before Initialize, with "%s" for the library
  std::string dbFileName;     // handed to Initialize
  std::string logFilePath;    // handed to Initialize
  int logLevel = 0;           // handed to Initialize
};

// Loads the library, looks up Initialize, the function and Finalize, calls Initialize, then run with the
// function's address, then Finalize, and unloads. A back-end that was initialised is always finalised, so no
// database stays open. Codes: E02000001 (load), E02000002 (lookup), E02000003 (Initialize), E02000004
// (unload); when run fails, the code the back-end wrote stays.
int ZkCallBackEnd(const ZkBackEndCall& call, const std::function<int(void* function)>& run, char* pErrorCode);

// The work of the exports ReadDB, WriteDB and VaccumDB (their frame lines are the exports').
int ZkReadDB(const char* pDBFileName, int nTableId, void* pDest, int* pCount, char* pErrorCode);
int ZkWriteDB(const char* pDBFileName, int nTableId, const void* pSource, int nCount, char* pErrorCode);
int ZkVaccumDB(const char* pDBFileName, int nDBId, char* pErrorCode);
