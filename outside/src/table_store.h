// The work of a database back-end, shared by DorvikSqlIf, DorvikSqlEm and DorvikSqlIg: each library is this
// store with its own set of tables. Every table keeps its records as BLOBs, one row each, in written order.
#pragma once

#include <cstddef>
#include <cstring>

namespace dorvik_sql {

struct TableDef {
  const char* name;
  std::size_t recordSize;
};

// The exports' work. None throws; each returns 1 or 0 and writes a code into pErrorCode (when not null) on
// failure. Each opens the database for the one call and closes it before it returns.
int StoreInitialize(const char* pDBFileName, const char* pLogFilePath, int nLogLevel) noexcept;
int StoreRead(const TableDef& table, void* pDest, int* pCount, char* pErrorCode) noexcept;
int StoreWrite(const TableDef& table, const void* pSource, int nCount, char* pErrorCode) noexcept;
int StoreVacuum(char* pErrorCode) noexcept;
int StoreExecute(const char* pStatement, char* pErrorCode) noexcept;
void StoreFinalize() noexcept;

// Writes a nine-character code, zero-padded, into a 10-byte buffer (nothing when the buffer is null).
inline void PutCode(char* pErrorCode, const char* code) noexcept {
  if (!pErrorCode) return;
  std::memset(pErrorCode, 0, 10);
  std::memcpy(pErrorCode, code, strnlen(code, 9));
}

}  // namespace dorvik_sql

// The exports of one library: the four common functions and, through DORVIK_SQL_TABLES, Read<Table> and
// Write<Table> for the tables of `lib` (If, Em or Ig).
#define DORVIK_SQL_EXPORT extern "C" __attribute__((visibility("default")))

#define DORVIK_SQL_COMMON_EXPORTS                                                                     \
  DORVIK_SQL_EXPORT int Initialize(const char* pDBFileName, const char* pLogFilePath, int nLogLevel) { \
    return dorvik_sql::StoreInitialize(pDBFileName, pLogFilePath, nLogLevel);                          \
  }                                                                                                    \
  DORVIK_SQL_EXPORT int ExecuteSQL(const char* pStatement, char* pErrorCode) {                         \
    return dorvik_sql::StoreExecute(pStatement, pErrorCode);                                           \
  }                                                                                                    \
  DORVIK_SQL_EXPORT int Vaccum(char* pErrorCode) { return dorvik_sql::StoreVacuum(pErrorCode); }       \
  DORVIK_SQL_EXPORT void Finalize(void) { dorvik_sql::StoreFinalize(); }

#define DORVIK_SQL_TABLE_EXPORTS(name)                                                      \
  DORVIK_SQL_EXPORT int Read##name(void* pDest, int* pCount, char* pErrorCode) {            \
    static constexpr dorvik_sql::TableDef kTable{#name, sizeof(dorvik_sql::name)};          \
    return dorvik_sql::StoreRead(kTable, pDest, pCount, pErrorCode);                        \
  }                                                                                         \
  DORVIK_SQL_EXPORT int Write##name(const void* pSource, int nCount, char* pErrorCode) {    \
    static constexpr dorvik_sql::TableDef kTable{#name, sizeof(dorvik_sql::name)};          \
    return dorvik_sql::StoreWrite(kTable, pSource, nCount, pErrorCode);                     \
  }

// Expands to the table's exports when its library is the one being built (DORVIK_SQL_ROW_<lib> defined so).
#define DORVIK_SQL_ROW(lib, id, name) DORVIK_SQL_ROW_##lib(name)
