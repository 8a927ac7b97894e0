#include "table_store.h"

#include <climits>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "dorvik_sql/functions.h"
#include "dorvik_sql/records.h"
#include "platform/files.h"
#include "platform/path.h"
#include "platform/text.h"
#include "sqlite_database.h"

namespace dorvik_sql {

namespace {

// What Initialize named; nothing else lives between calls (no connection stays open).
struct StoreState {
  bool initialized = false;
  std::string path;
};
StoreState g_state;

// A failure with its code, to leave a function in one line.
int Fail(char* pErrorCode, const char* code) {
  PutCode(pErrorCode, code);
  return 0;
}

// The folder part of a path; empty when it has none (the current folder).
std::string FolderOf(const std::string& path) {
  std::size_t slash = platform::FindLastChar(path, platform::kDelimiter);
  if (slash == std::string::npos) return {};
  return slash == 0 ? std::string(1, platform::kDelimiter) : path.substr(0, slash);
}

// Runs body and turns an escaping exception into the internal code.
template <class Body>
int Guarded(char* pErrorCode, Body body) noexcept {
  try {
    return body();
  } catch (...) {
    return Fail(pErrorCode, kCodeInternal);
  }
}

// A fresh database records the layout version it is made for.
bool StampIfFresh(Database& db) {
  bool fresh = false;
  if (!db.IsFresh(fresh)) return false;
  return !fresh || db.SetVersion(kSchemaVersion);
}

// Whole table into records; false on an engine failure, badRecord set when a stored record has the wrong size.
bool LoadRecords(Database& db, const TableDef& table, sqlite3_int64 count, std::vector<unsigned char>& out,
                 bool& badRecord) {
  out.assign(static_cast<std::size_t>(count) * table.recordSize, 0);
  Statement st;
  std::string sql = "SELECT rec FROM " + QuoteName(table.name) + " ORDER BY seq";
  if (!st.Prepare(db, sql)) return false;
  sqlite3_int64 row = 0;
  int rc;
  while ((rc = sqlite3_step(st.get())) == SQLITE_ROW) {
    const void* blob = sqlite3_column_blob(st.get(), 0);
    int size = sqlite3_column_bytes(st.get(), 0);
    if (row >= count || size < 0 || static_cast<std::size_t>(size) != table.recordSize || !blob) {
      badRecord = true;
      return false;
    }
    std::memcpy(out.data() + static_cast<std::size_t>(row) * table.recordSize, blob, table.recordSize);
    ++row;
  }
  if (rc != SQLITE_DONE) return false;
  if (row != count) badRecord = true;
  return !badRecord;
}

}  // namespace

int StoreInitialize(const char* pDBFileName, const char*, int) noexcept {
  // The log file and level are Dorvik's; this store reports through its codes only.
  return Guarded(nullptr, [&] {
    g_state = StoreState{};
    if (!pDBFileName || !*pDBFileName) return 0;
    std::string path = pDBFileName;
    std::unique_ptr<Database> db;
    switch (Database::Open(path, false, db)) {
      case Database::OpenResult::Opened:
        break;
      case Database::OpenResult::Missing: {
        // Made by the first write; its folder must be there already.
        std::string folder = FolderOf(path);
        if (!folder.empty() && !platform::IsFolder(folder)) return 0;
        break;
      }
      case Database::OpenResult::Failed:
        return 0;
    }
    g_state.initialized = true;
    g_state.path = std::move(path);
    return 1;
  });
}

int StoreRead(const TableDef& table, void* pDest, int* pCount, char* pErrorCode) noexcept {
  return Guarded(pErrorCode, [&] {
    if (!g_state.initialized) return Fail(pErrorCode, kCodeNotInitialized);
    if (!pCount || *pCount < 0 || (!pDest && *pCount != 0)) return Fail(pErrorCode, kCodeBadArguments);
    std::unique_ptr<Database> db;
    sqlite3_int64 count = 0;
    std::vector<unsigned char> records;
    Database::OpenResult opened = Database::Open(g_state.path, false, db);
    if (opened == Database::OpenResult::Failed) return Fail(pErrorCode, kCodeCannotOpen);
    if (opened == Database::OpenResult::Opened) {
      // One read transaction, so that the count and the records agree.
      if (!db->Exec("BEGIN")) return Fail(pErrorCode, kCodeEngine);
      bool exists = false;
      if (!db->TableExists(table.name, exists)) return Fail(pErrorCode, kCodeEngine);
      if (exists) {
        std::string sql = "SELECT count(*) FROM " + QuoteName(table.name);
        if (!db->QueryInt(sql.c_str(), count)) return Fail(pErrorCode, kCodeEngine);
        if (count > INT_MAX) return Fail(pErrorCode, kCodeBadRecord);
      }
      if (pDest && count == *pCount && count > 0) {
        bool badRecord = false;
        if (!LoadRecords(*db, table, count, records, badRecord)) {
          return Fail(pErrorCode, badRecord ? kCodeBadRecord : kCodeEngine);
        }
      }
      db->Rollback();
    }
    if (!pDest) {
      *pCount = static_cast<int>(count);
      return 1;
    }
    if (*pCount != count) return Fail(pErrorCode, kCodeCountMismatch);
    if (!records.empty()) std::memcpy(pDest, records.data(), records.size());
    return 1;
  });
}

int StoreWrite(const TableDef& table, const void* pSource, int nCount, char* pErrorCode) noexcept {
  return Guarded(pErrorCode, [&] {
    if (!g_state.initialized) return Fail(pErrorCode, kCodeNotInitialized);
    if (nCount < 0 || (nCount > 0 && !pSource)) return Fail(pErrorCode, kCodeBadArguments);
    std::unique_ptr<Database> db;
    if (Database::Open(g_state.path, true, db) != Database::OpenResult::Opened) {
      return Fail(pErrorCode, kCodeCannotOpen);
    }
    // All records or none: one transaction, undone on any failure.
    auto work = [&] {
      if (!db->Exec("BEGIN IMMEDIATE") || !StampIfFresh(*db)) return false;
      std::string name = QuoteName(table.name);
      std::string create = "CREATE TABLE IF NOT EXISTS " + name + " (seq INTEGER PRIMARY KEY, rec BLOB NOT NULL)";
      std::string clear = "DELETE FROM " + name;
      if (!db->Exec(create.c_str()) || !db->Exec(clear.c_str())) return false;
      Statement insert;
      if (!insert.Prepare(*db, "INSERT INTO " + name + " (seq, rec) VALUES (?1, ?2)")) return false;
      const auto* bytes = static_cast<const unsigned char*>(pSource);
      for (int i = 0; i < nCount; ++i) {
        sqlite3_bind_int64(insert.get(), 1, static_cast<sqlite3_int64>(i) + 1);
        sqlite3_bind_blob(insert.get(), 2, bytes + static_cast<std::size_t>(i) * table.recordSize,
                          static_cast<int>(table.recordSize), SQLITE_STATIC);
        if (sqlite3_step(insert.get()) != SQLITE_DONE) return false;
        sqlite3_reset(insert.get());
      }
      return db->Exec("COMMIT");
    };
    if (!work()) {
      db->Rollback();
      return Fail(pErrorCode, kCodeEngine);
    }
    return 1;
  });
}

int StoreVacuum(char* pErrorCode) noexcept {
  return Guarded(pErrorCode, [&] {
    if (!g_state.initialized) return Fail(pErrorCode, kCodeNotInitialized);
    std::unique_ptr<Database> db;
    switch (Database::Open(g_state.path, false, db)) {
      case Database::OpenResult::Missing:
        return 1;  // nothing written yet, nothing to compact
      case Database::OpenResult::Failed:
        return Fail(pErrorCode, kCodeCannotOpen);
      case Database::OpenResult::Opened:
        break;
    }
    return db->Exec("VACUUM") ? 1 : Fail(pErrorCode, kCodeEngine);
  });
}

int StoreExecute(const char* pStatement, char* pErrorCode) noexcept {
  return Guarded(pErrorCode, [&] {
    if (!g_state.initialized) return Fail(pErrorCode, kCodeNotInitialized);
    if (!pStatement) return Fail(pErrorCode, kCodeBadStatement);
    std::size_t length = strnlen(pStatement, kStatementSlotSize);
    if (length == kStatementSlotSize) return Fail(pErrorCode, kCodeBadStatement);
    std::unique_ptr<Database> db;
    if (Database::Open(g_state.path, true, db) != Database::OpenResult::Opened) {
      return Fail(pErrorCode, kCodeCannotOpen);
    }
    // Exactly one statement: what follows it may hold blanks, comments and semicolons only.
    Statement first, second;
    std::string_view tail;
    if (!first.Prepare(*db, std::string_view(pStatement, length), &tail) || first.empty()) {
      return Fail(pErrorCode, kCodeBadStatement);
    }
    if (!second.Prepare(*db, tail) || !second.empty()) return Fail(pErrorCode, kCodeBadStatement);
    if (!StampIfFresh(*db)) return Fail(pErrorCode, kCodeEngine);
    bool ran = first.Run();
    // A statement may have left a transaction open or switched the journal to WAL: undo both.
    db->Rollback();
    db->Exec("PRAGMA journal_mode=DELETE");
    return ran ? 1 : Fail(pErrorCode, kCodeEngine);
  });
}

void StoreFinalize() noexcept { g_state = StoreState{}; }

}  // namespace dorvik_sql
