#include "sqlite_database.h"

#include <cstdio>
#include <cstring>

#include "platform/fault.h"
#include "platform/files.h"
#include "platform/path.h"

namespace dorvik_sql {

namespace {

// A VFS over the system's default one whose file operations pass the file layer's fault points, so that a test
// can make SQLite's Nth write, read, open or delete fail like any other file operation of the system.
struct ShimFile {
  sqlite3_file base;
  sqlite3_file* real;  // the default VFS's file, right behind this struct
};

sqlite3_vfs* g_real = nullptr;

sqlite3_file* Real(sqlite3_file* f) { return reinterpret_cast<ShimFile*>(f)->real; }

int ShimClose(sqlite3_file* f) { return Real(f)->pMethods->xClose(Real(f)); }
int ShimRead(sqlite3_file* f, void* buffer, int amount, sqlite3_int64 offset) {
  if (platform::FaultPoint(platform::FileOp::Read)) return SQLITE_IOERR_READ;
  return Real(f)->pMethods->xRead(Real(f), buffer, amount, offset);
}
int ShimWrite(sqlite3_file* f, const void* buffer, int amount, sqlite3_int64 offset) {
  if (platform::FaultPoint(platform::FileOp::Write)) return SQLITE_IOERR_WRITE;
  return Real(f)->pMethods->xWrite(Real(f), buffer, amount, offset);
}
int ShimTruncate(sqlite3_file* f, sqlite3_int64 size) {
  if (platform::FaultPoint(platform::FileOp::Write)) return SQLITE_IOERR_TRUNCATE;
  return Real(f)->pMethods->xTruncate(Real(f), size);
}
int ShimSync(sqlite3_file* f, int flags) { return Real(f)->pMethods->xSync(Real(f), flags); }
int ShimFileSize(sqlite3_file* f, sqlite3_int64* size) { return Real(f)->pMethods->xFileSize(Real(f), size); }
int ShimLock(sqlite3_file* f, int level) { return Real(f)->pMethods->xLock(Real(f), level); }
int ShimUnlock(sqlite3_file* f, int level) { return Real(f)->pMethods->xUnlock(Real(f), level); }
int ShimCheckReservedLock(sqlite3_file* f, int* out) {
  return Real(f)->pMethods->xCheckReservedLock(Real(f), out);
}
int ShimFileControl(sqlite3_file* f, int op, void* arg) { return Real(f)->pMethods->xFileControl(Real(f), op, arg); }
int ShimSectorSize(sqlite3_file* f) { return Real(f)->pMethods->xSectorSize(Real(f)); }
int ShimDeviceCharacteristics(sqlite3_file* f) { return Real(f)->pMethods->xDeviceCharacteristics(Real(f)); }
// Shared memory and memory maps belong to WAL and mmap, neither of which is used; passed on all the same.
int ShimShmMap(sqlite3_file* f, int page, int size, int extend, void volatile** out) {
  return Real(f)->pMethods->xShmMap(Real(f), page, size, extend, out);
}
int ShimShmLock(sqlite3_file* f, int offset, int n, int flags) {
  return Real(f)->pMethods->xShmLock(Real(f), offset, n, flags);
}
void ShimShmBarrier(sqlite3_file* f) { Real(f)->pMethods->xShmBarrier(Real(f)); }
int ShimShmUnmap(sqlite3_file* f, int deleteFlag) { return Real(f)->pMethods->xShmUnmap(Real(f), deleteFlag); }
int ShimFetch(sqlite3_file* f, sqlite3_int64 offset, int amount, void** out) {
  return Real(f)->pMethods->xFetch(Real(f), offset, amount, out);
}
int ShimUnfetch(sqlite3_file* f, sqlite3_int64 offset, void* p) {
  return Real(f)->pMethods->xUnfetch(Real(f), offset, p);
}

const sqlite3_io_methods kShimMethods = {
    3,          ShimClose,      ShimRead,      ShimWrite,       ShimTruncate,           ShimSync,
    ShimFileSize, ShimLock,     ShimUnlock,    ShimCheckReservedLock, ShimFileControl,  ShimSectorSize,
    ShimDeviceCharacteristics, ShimShmMap, ShimShmLock, ShimShmBarrier, ShimShmUnmap,  ShimFetch,
    ShimUnfetch};

int ShimOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags) {
  auto* shim = reinterpret_cast<ShimFile*>(f);
  shim->real = reinterpret_cast<sqlite3_file*>(shim + 1);
  shim->base.pMethods = nullptr;
  if (platform::FaultPoint(platform::FileOp::Open)) return SQLITE_CANTOPEN;
  int rc = g_real->xOpen(g_real, name, shim->real, flags, outFlags);
  // SQLite closes a file whose methods are set even when the open failed.
  if (shim->real->pMethods) shim->base.pMethods = &kShimMethods;
  return rc;
}
int ShimDelete(sqlite3_vfs*, const char* name, int syncDir) {
  if (platform::FaultPoint(platform::FileOp::Delete)) return SQLITE_IOERR_DELETE;
  return g_real->xDelete(g_real, name, syncDir);
}
int ShimAccess(sqlite3_vfs*, const char* name, int flags, int* out) { return g_real->xAccess(g_real, name, flags, out); }
int ShimFullPathname(sqlite3_vfs*, const char* name, int size, char* out) {
  return g_real->xFullPathname(g_real, name, size, out);
}
void* ShimDlOpen(sqlite3_vfs*, const char* name) { return g_real->xDlOpen(g_real, name); }
void ShimDlError(sqlite3_vfs*, int size, char* out) { g_real->xDlError(g_real, size, out); }
void (*ShimDlSym(sqlite3_vfs*, void* h, const char* name))(void) { return g_real->xDlSym(g_real, h, name); }
void ShimDlClose(sqlite3_vfs*, void* h) { g_real->xDlClose(g_real, h); }
int ShimRandomness(sqlite3_vfs*, int size, char* out) { return g_real->xRandomness(g_real, size, out); }
int ShimSleep(sqlite3_vfs*, int microseconds) { return g_real->xSleep(g_real, microseconds); }
int ShimCurrentTime(sqlite3_vfs*, double* out) { return g_real->xCurrentTime(g_real, out); }
int ShimGetLastError(sqlite3_vfs*, int size, char* out) { return g_real->xGetLastError(g_real, size, out); }
int ShimCurrentTimeInt64(sqlite3_vfs*, sqlite3_int64* out) { return g_real->xCurrentTimeInt64(g_real, out); }

// Registered once per loaded library under a name of its own, and removed again when the library is unloaded,
// so that SQLite never keeps a pointer into an unloaded library.
class ShimRegistration {
 public:
  ~ShimRegistration() {
    if (registered_) sqlite3_vfs_unregister(&vfs_);
  }
  const char* Name() {
    if (registered_) return name_;
    g_real = sqlite3_vfs_find(nullptr);
    if (!g_real || g_real->iVersion < 2 || !g_real->xCurrentTimeInt64) return nullptr;
    std::snprintf(name_, sizeof name_, "vek-%p", static_cast<void*>(this));
    vfs_ = sqlite3_vfs{};
    vfs_.iVersion = 2;
    vfs_.szOsFile = static_cast<int>(sizeof(ShimFile)) + g_real->szOsFile;
    vfs_.mxPathname = g_real->mxPathname;
    vfs_.zName = name_;
    vfs_.xOpen = ShimOpen;
    vfs_.xDelete = ShimDelete;
    vfs_.xAccess = ShimAccess;
    vfs_.xFullPathname = ShimFullPathname;
    vfs_.xDlOpen = ShimDlOpen;
    vfs_.xDlError = ShimDlError;
    vfs_.xDlSym = ShimDlSym;
    vfs_.xDlClose = ShimDlClose;
    vfs_.xRandomness = ShimRandomness;
    vfs_.xSleep = ShimSleep;
    vfs_.xCurrentTime = ShimCurrentTime;
    vfs_.xGetLastError = ShimGetLastError;
    vfs_.xCurrentTimeInt64 = ShimCurrentTimeInt64;
    if (sqlite3_vfs_register(&vfs_, 0) != SQLITE_OK) return nullptr;
    registered_ = true;
    return name_;
  }

 private:
  sqlite3_vfs vfs_{};
  char name_[40] = {};
  bool registered_ = false;
};

ShimRegistration g_shim;

constexpr int kBusyTimeoutMs = 2000;

}  // namespace

Database::OpenResult Database::Open(const std::string& cp932Path, bool create, std::unique_ptr<Database>& out) {
  out.reset();
  std::string path = platform::ResolveName(cp932Path), system;
  if (!platform::ToSystemPath(path, system)) return OpenResult::Failed;
  platform::PathKind kind = platform::GetPathKind(path);
  if (kind == platform::PathKind::Folder) return OpenResult::Failed;
  if (kind == platform::PathKind::None && !create) return OpenResult::Missing;
  const char* vfs = g_shim.Name();
  if (!vfs) return OpenResult::Failed;
  int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_NOFOLLOW |
              SQLITE_OPEN_EXRESCODE;
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(system.c_str(), &db, flags, vfs);
  std::unique_ptr<Database> opened(new Database(db));
  if (rc != SQLITE_OK || !db) return OpenResult::Failed;
  // The files come inside estimate files from elsewhere: no schema tricks, no side files.
  sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
  sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
  sqlite3_busy_timeout(db, kBusyTimeoutMs);
  // Reading the schema tells a database from any other file; journal_mode=DELETE turns a WAL database back to a
  // rollback journal, which leaves no file beside the database once a transaction ends.
  if (!opened->Exec("PRAGMA schema_version; PRAGMA journal_mode=DELETE;")) return OpenResult::Failed;
  out = std::move(opened);
  return OpenResult::Opened;
}

Database::~Database() {
  if (db_) sqlite3_close_v2(db_);
}

bool Database::Exec(const char* sql) { return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

bool Database::QueryInt(const char* sql, sqlite3_int64& out) {
  Statement st;
  if (!st.Prepare(*this, sql) || st.empty()) return false;
  int rc = sqlite3_step(st.get());
  if (rc != SQLITE_ROW) return false;
  out = sqlite3_column_int64(st.get(), 0);
  return true;
}

bool Database::TableExists(std::string_view table, bool& exists) {
  Statement st;
  if (!st.Prepare(*this, "SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name = ?1")) return false;
  sqlite3_bind_text(st.get(), 1, table.data(), static_cast<int>(table.size()), SQLITE_TRANSIENT);
  int rc = sqlite3_step(st.get());
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) return false;
  exists = rc == SQLITE_ROW;
  return true;
}

bool Database::IsFresh(bool& fresh) {
  sqlite3_int64 tables = 0, version = 0;
  if (!QueryInt("SELECT count(*) FROM sqlite_schema", tables) || !QueryInt("PRAGMA user_version", version)) {
    return false;
  }
  fresh = tables == 0 && version == 0;
  return true;
}

bool Database::SetVersion(int version) {
  char sql[48];
  std::snprintf(sql, sizeof sql, "PRAGMA user_version = %d", version);
  return Exec(sql);
}

void Database::Rollback() {
  if (!sqlite3_get_autocommit(db_)) Exec("ROLLBACK");
}

Statement::~Statement() {
  if (stmt_) sqlite3_finalize(stmt_);
}

bool Statement::Prepare(const Database& db, std::string_view sql, std::string_view* tail) {
  if (stmt_) sqlite3_finalize(stmt_);
  stmt_ = nullptr;
  const char* rest = nullptr;
  if (sql.size() > static_cast<std::size_t>(INT32_MAX)) return false;
  int rc = sqlite3_prepare_v2(db.handle(), sql.data(), static_cast<int>(sql.size()), &stmt_, &rest);
  if (rc != SQLITE_OK) return false;
  if (tail) *tail = rest ? sql.substr(static_cast<std::size_t>(rest - sql.data())) : std::string_view();
  return true;
}

bool Statement::Run() {
  if (!stmt_) return false;
  int rc;
  while ((rc = sqlite3_step(stmt_)) == SQLITE_ROW) {
  }
  return rc == SQLITE_DONE;
}

std::string QuoteName(std::string_view name) {
  std::string out = "\"";
  for (char c : name) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

}  // namespace dorvik_sql
