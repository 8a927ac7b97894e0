// SQLite connections of the back-ends and the version checker: opened through the file layer's fault points,
// in rollback-journal mode, and closed when the object goes.
#pragma once

#include <sqlite3.h>

#include <memory>
#include <string>
#include <string_view>

namespace dorvik_sql {

class Database {
 public:
  enum class OpenResult { Opened, Missing, Failed };

  // Opens the database file at cp932Path (looked up without regard to ASCII case when the exact name is
  // missing). A missing file is created when create is set, else gives Missing. A file that is not a database,
  // a folder, or a path that does not convert gives Failed.
  static OpenResult Open(const std::string& cp932Path, bool create, std::unique_ptr<Database>& out);

  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  sqlite3* handle() const { return db_; }
  // Runs statements that return no rows we need.
  bool Exec(const char* sql);
  // The first column of the first row of a single statement.
  bool QueryInt(const char* sql, sqlite3_int64& out);
  bool TableExists(std::string_view table, bool& exists);
  // Neither a table nor a recorded version: a file just created (or an empty one).
  bool IsFresh(bool& fresh);
  bool SetVersion(int version);
  // Ends a failed transaction; harmless when none is open.
  void Rollback();

 private:
  explicit Database(sqlite3* db) : db_(db) {}
  sqlite3* db_;
};

// A prepared statement, finalized when the object goes.
class Statement {
 public:
  Statement() = default;
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  // Prepares the first statement of sql; tail (if given) receives the rest.
  bool Prepare(const Database& db, std::string_view sql, std::string_view* tail = nullptr);
  sqlite3_stmt* get() const { return stmt_; }
  bool empty() const { return stmt_ == nullptr; }
  // Steps to the end; false on an error.
  bool Run();

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

// "name" quoted as an SQL identifier.
std::string QuoteName(std::string_view name);

}  // namespace dorvik_sql
