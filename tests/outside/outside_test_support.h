// Helpers of the tests of the outside libraries: a back-end loaded by name, the sqlite3 program as a peer,
// and a look at the files beside a database.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "dorvik_sql/functions.h"
#include "platform/module.h"

namespace outside_test {

// A library loaded by name for one test, released when the object goes.
class Library {
 public:
  explicit Library(const std::string& name) : handle_(platform::LoadModule(name)) {}
  ~Library() {
    if (handle_) platform::FreeModule(handle_);
  }
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;
  bool loaded() const { return handle_ != nullptr; }
  template <class F>
  F Get(const std::string& name) const {
    return handle_ ? platform::GetFunctionAs<F>(handle_, name.c_str()) : nullptr;
  }

 private:
  platform::ModuleHandle handle_;
};

// A back-end and its common functions.
struct Backend {
  explicit Backend(const std::string& dll)
      : library(dll),
        Initialize(library.Get<dorvik_sql::InitializeFunction>("Initialize")),
        ExecuteSQL(library.Get<dorvik_sql::ExecuteSQLFunction>("ExecuteSQL")),
        Vaccum(library.Get<dorvik_sql::VaccumFunction>("Vaccum")),
        Finalize(library.Get<dorvik_sql::FinalizeFunction>("Finalize")) {}
  dorvik_sql::ReadFunction Read(const std::string& table) const {
    return library.Get<dorvik_sql::ReadFunction>("Read" + table);
  }
  dorvik_sql::WriteFunction Write(const std::string& table) const {
    return library.Get<dorvik_sql::WriteFunction>("Write" + table);
  }
  Library library;
  dorvik_sql::InitializeFunction Initialize;
  dorvik_sql::ExecuteSQLFunction ExecuteSQL;
  dorvik_sql::VaccumFunction Vaccum;
  dorvik_sql::FinalizeFunction Finalize;
};

// Output of the sqlite3 program on a database (system path), lines joined with "\n".
inline std::string Sqlite(const std::string& dbPath, const std::string& sql) {
  std::string command = "sqlite3 -batch '" + dbPath + "' \"" + sql + "\" 2>&1";
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
    pclose(p);
  }
  while (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

// Names in a folder (system path), sorted.
inline std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace outside_test
