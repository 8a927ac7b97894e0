#include "version_check.h"

#include <array>
#include <cstring>
#include <memory>

#include "dorvik_sql/records.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/path.h"
#include "sqlite_database.h"

namespace dorvik_sql {

namespace {

// One conversion step: the statements run in order take a database from `from` to from + 1.
struct Step {
  int database;
  int from;
  const char* statement;
};
// Version 1 is the first layout, so nothing converts yet.
constexpr std::array<Step, 0> kSteps{};

struct DatabaseName {
  const char* key;
  const char* defaultName;
};
constexpr DatabaseName kNames[] = {
    {"InformationDB", "OvSvIf0001.sld"}, {"EstimateDB", "OvSvEm0001.sld"}, {"ImageDB", "OvSvIg0001.sld"}};

// Read as the work folder's own reader does: at most 14 characters, "Undefined Error" for a missing key.
constexpr std::size_t kNameWidth = 14;

}  // namespace

std::string DatabasePath(const std::string& workFolder, int dbId) {
  if (dbId < kInformationDB || dbId > kImageDB) return {};
  const DatabaseName& entry = kNames[dbId - 1];
  std::string folder = workFolder;
  if (!folder.empty() && folder.back() == platform::kDelimiter) folder.pop_back();
  std::string ini = folder + platform::kDelimiter + "OvDBInfo.ini";
  std::string name = entry.defaultName;
  if (platform::IsFile(platform::ResolveName(ini))) {
    char buffer[kNameWidth + 1] = {};
    platform::IniGetString("LatestDatabaseFile", entry.key, "Undefined Error", buffer, sizeof buffer, ini);
    name = buffer;
  }
  return folder + platform::kDelimiter + name;
}

bool ReadVersion(const std::string& dbPath, int& version) {
  std::unique_ptr<Database> db;
  if (Database::Open(dbPath, false, db) != Database::OpenResult::Opened) return false;
  sqlite3_int64 value = 0;
  if (!db->QueryInt("PRAGMA user_version", value)) return false;
  version = static_cast<int>(value);
  return true;
}

bool RecordVersion(const std::string& dbPath) {
  std::unique_ptr<Database> db;
  if (Database::Open(dbPath, false, db) != Database::OpenResult::Opened) return false;
  return db->SetVersion(kSchemaVersion);
}

std::vector<std::string> ConversionSteps(int dbId, int from) {
  std::vector<std::string> out;
  // A database without a recorded version is of the first layout.
  for (int version = from < 1 ? 1 : from; version < kSchemaVersion; ++version) {
    for (const Step& step : kSteps) {
      if (step.database == dbId && step.from == version) out.emplace_back(step.statement);
    }
  }
  return out;
}

bool FillStatementBlock(const std::vector<std::string>& statements, char* block, int count) {
  if (!block || count <= 0 || static_cast<std::size_t>(count) != statements.size()) return false;
  for (const std::string& s : statements) {
    if (s.size() >= kStatementSlotSize || s.find('\0') != std::string::npos) return false;
  }
  for (std::size_t i = 0; i < statements.size(); ++i) {
    char* slot = block + i * kStatementSlotSize;
    std::memset(slot, 0, kStatementSlotSize);
    std::memcpy(slot, statements[i].data(), statements[i].size());
  }
  return true;
}

}  // namespace dorvik_sql
