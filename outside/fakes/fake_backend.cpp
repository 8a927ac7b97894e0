// A fake database back-end: built as DorvikSqlIf, DorvikSqlEm or DorvikSqlIg (FAKE_MODULE and
// DORVIK_SQL_LIBRARY_<If|Em|Ig> defined), it records every call and answers as the control file says.
// Tables are kept as plain record files, so a test can set what a read returns and see what was written.
#include <cstring>
#include <string>

#include "dorvik_sql/functions.h"
#include "dorvik_sql/records.h"
#include "fake_state.h"
#include "table_store.h"

namespace {

using fake_outside::FakeCall;

// Ends a call: logs it and, on failure, writes its code.
int Finish(const FakeCall& call, int result, char* pErrorCode, const char* code = nullptr) {
  call.Log(result);
  if (result != 1) dorvik_sql::PutCode(pErrorCode, code ? code : call.Code().c_str());
  return result;
}

int FakeRead(const char* function, const char* table, std::size_t recordSize, void* pDest, int* pCount,
             char* pErrorCode) {
  FakeCall call(FAKE_MODULE, function);
  call.ArgPointer(pDest);
  call.ArgText(pCount ? std::to_string(*pCount).c_str() : nullptr);
  int result = call.Result(1);
  if (result != 1) return Finish(call, result, pErrorCode);
  if (!pCount) return Finish(call, 0, pErrorCode, dorvik_sql::kCodeBadArguments);
  std::string records = fake_outside::ReadWhole(call.TablePath(table));
  int stored = static_cast<int>(records.size() / recordSize);
  if (!pDest && *pCount == 0) {
    // "<Read...>.Count" makes the size query answer any count, a wrong one included.
    *pCount = call.IntSetting(std::string(function) + ".Count", stored);
    return Finish(call, 1, pErrorCode);
  }
  if (!pDest || *pCount != stored) return Finish(call, 0, pErrorCode, dorvik_sql::kCodeCountMismatch);
  if (stored > 0) std::memcpy(pDest, records.data(), static_cast<std::size_t>(stored) * recordSize);
  return Finish(call, 1, pErrorCode);
}

int FakeWrite(const char* function, const char* table, std::size_t recordSize, const void* pSource, int nCount,
              char* pErrorCode) {
  FakeCall call(FAKE_MODULE, function);
  call.ArgPointer(pSource);
  call.Arg(nCount);
  int result = call.Result(1);
  if (result != 1) return Finish(call, result, pErrorCode);
  if (nCount < 0 || (nCount > 0 && !pSource)) return Finish(call, 0, pErrorCode, dorvik_sql::kCodeBadArguments);
  std::string path = call.TablePath(table);
  if (!path.empty()) fake_outside::WriteWhole(path, pSource, static_cast<std::size_t>(nCount) * recordSize);
  return Finish(call, 1, pErrorCode);
}

}  // namespace

DORVIK_SQL_EXPORT int Initialize(const char* pDBFileName, const char* pLogFilePath, int nLogLevel) {
  FakeCall call(FAKE_MODULE, "Initialize");
  call.ArgText(pDBFileName);
  call.ArgText(pLogFilePath);
  call.Arg(nLogLevel);
  int result = call.Result(1);
  call.Log(result);
  return result;
}

DORVIK_SQL_EXPORT int ExecuteSQL(const char* pStatement, char* pErrorCode) {
  FakeCall call(FAKE_MODULE, "ExecuteSQL");
  std::size_t length = pStatement ? strnlen(pStatement, dorvik_sql::kStatementSlotSize) : 0;
  // Never read past the 2048 bytes a statement may take: an unterminated one is refused.
  if (!pStatement || length == dorvik_sql::kStatementSlotSize) {
    call.Arg(pStatement ? "<unterminated>" : "(null)");
    return Finish(call, 0, pErrorCode, dorvik_sql::kCodeBadStatement);
  }
  call.Arg(std::string(pStatement, length));
  return Finish(call, call.Result(1), pErrorCode);
}

DORVIK_SQL_EXPORT int Vaccum(char* pErrorCode) {
  FakeCall call(FAKE_MODULE, "Vaccum");
  return Finish(call, call.Result(1), pErrorCode);
}

DORVIK_SQL_EXPORT void Finalize(void) { FakeCall(FAKE_MODULE, "Finalize").Log(1); }

#define FAKE_TABLE_EXPORTS(name)                                                                           \
  DORVIK_SQL_EXPORT int Read##name(void* pDest, int* pCount, char* pErrorCode) {                           \
    return FakeRead("Read" #name, #name, sizeof(dorvik_sql::name), pDest, pCount, pErrorCode);             \
  }                                                                                                        \
  DORVIK_SQL_EXPORT int Write##name(const void* pSource, int nCount, char* pErrorCode) {                   \
    return FakeWrite("Write" #name, #name, sizeof(dorvik_sql::name), pSource, nCount, pErrorCode);         \
  }

#if defined(DORVIK_SQL_LIBRARY_If)
#define FAKE_ROW_If(name) FAKE_TABLE_EXPORTS(name)
#else
#define FAKE_ROW_If(name)
#endif
#if defined(DORVIK_SQL_LIBRARY_Em)
#define FAKE_ROW_Em(name) FAKE_TABLE_EXPORTS(name)
#else
#define FAKE_ROW_Em(name)
#endif
#if defined(DORVIK_SQL_LIBRARY_Ig)
#define FAKE_ROW_Ig(name) FAKE_TABLE_EXPORTS(name)
#else
#define FAKE_ROW_Ig(name)
#endif
#define FAKE_ROW(lib, id, name) FAKE_ROW_##lib(name)

DORVIK_SQL_TABLES(FAKE_ROW)
