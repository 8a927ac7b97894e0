// The version checker's work (ZkDBFlVerChk): where a work folder's databases are, which version each records,
// and the statements that convert one.
#pragma once

#include <string>
#include <vector>

namespace dorvik_sql {

// The file of database dbId (1 information, 2 estimate, 3 image) in the work folder, named as OvDBInfo.ini
// names it (the default names when the file is missing); empty for any other id.
std::string DatabasePath(const std::string& workFolder, int dbId);

// The version that the database file records (0: none); false when the file is missing or not a database.
bool ReadVersion(const std::string& dbPath, int& version);
// Records the current version; false when the file is missing or cannot be written.
bool RecordVersion(const std::string& dbPath);

// The statements that bring database dbId from version `from` to the current one, in order.
std::vector<std::string> ConversionSteps(int dbId, int from);

// Fills count slots of 2048 bytes with the statements, each slot zeroed and NUL-terminated; false (block
// untouched) when count is not the number of statements or a statement does not fit its slot.
bool FillStatementBlock(const std::vector<std::string>& statements, char* block, int count);

}  // namespace dorvik_sql
