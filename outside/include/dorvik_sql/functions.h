// The functions of the database back-ends (DorvikSqlIf, DorvikSqlEm, DorvikSqlIg) and of the version checker
// (ZkDBFlVerChk), as they are looked up by name, and the error codes the back-ends write.
//
// Back-end: Initialize, then one table function, ExecuteSQL or Vaccum, then Finalize. Every function but
// Finalize returns 1 on success; on failure it returns 0 and writes its nine-character code with its NUL into
// the caller's 10-byte pErrorCode (a success leaves the buffer as it was). No connection stays open between
// calls, and no journal file stays beside the database: a failure anywhere leaves the database as it was before
// that call, so a caller may unload the library at once without calling Finalize.
#pragma once

namespace dorvik_sql {

// int Initialize(const char* pDBFileName, const char* pLogFilePath, int nLogLevel)
//   Names the database file (CP932) for the calls that follow; 1 when it is a database or does not exist yet
//   in an existing folder (it is then created by the first write), 0 otherwise.
using InitializeFunction = int (*)(const char* pDBFileName, const char* pLogFilePath, int nLogLevel);
// int Read<Table>(void* pDest, int* pCount, char* pErrorCode)
//   pDest null and *pCount 0: stores the table's record count in *pCount. Otherwise *pCount must be that count
//   and pDest receives count x sizeof(record) bytes. A table never written reads as 0 records.
using ReadFunction = int (*)(void* pDest, int* pCount, char* pErrorCode);
// int Write<Table>(const void* pSource, int nCount, char* pErrorCode)
//   Replaces the table's records with nCount records from pSource (nCount 0 empties it), all or nothing.
using WriteFunction = int (*)(const void* pSource, int nCount, char* pErrorCode);
// int Vaccum(char* pErrorCode): compacts the database file (VACUUM).
using VaccumFunction = int (*)(char* pErrorCode);
// int ExecuteSQL(const char* pStatement, char* pErrorCode)
//   Runs one SQL statement, NUL-terminated within 2048 bytes; a second statement after it is refused.
using ExecuteSQLFunction = int (*)(const char* pStatement, char* pErrorCode);
// void Finalize(void)
using FinalizeFunction = void (*)();

// Version checker.
// int CheckDBVer(const char* pWorkPathName, int nDBId)
//   The number of conversion statements the database nDBId of the work folder needs; 0 when it is current,
//   missing or not readable.
using CheckDBVerFunction = int (*)(const char* pWorkPathName, int nDBId);
// int GetConvertSQL(int nDBId, char* pStatements, int nCount)
//   Fills nCount slots of 2048 bytes (each NUL-terminated) with the statements that the last CheckDBVer of
//   nDBId counted; 1 when nCount is that count, 0 otherwise (the block is then untouched).
using GetConvertSQLFunction = int (*)(int nDBId, char* pStatements, int nCount);
// int WriteDBVersionINI(const char* pWorkPathName, int nDBId)
//   Records the current version in the database nDBId of the work folder; 1 when recorded.
using WriteDBVersionINIFunction = int (*)(const char* pWorkPathName, int nDBId);

// Codes of the back-ends.
inline constexpr char kCodeNotInitialized[] = "E20000001";  // no Initialize before, or it failed
inline constexpr char kCodeCannotOpen[] = "E20000002";      // the file cannot be opened or is not a database
inline constexpr char kCodeBadArguments[] = "E20000003";    // null count pointer, negative count, null buffer
inline constexpr char kCodeCountMismatch[] = "E20000004";   // *pCount is not the table's record count
inline constexpr char kCodeBadRecord[] = "E20000005";       // a stored record has the wrong size
inline constexpr char kCodeBadStatement[] = "E20000006";    // not exactly one valid statement (or unterminated)
inline constexpr char kCodeEngine[] = "E20000007";          // the database engine failed; nothing changed
inline constexpr char kCodeInternal[] = "E20000008";        // out of memory or an unexpected failure

}  // namespace dorvik_sql
