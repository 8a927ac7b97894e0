// ZkDBFlVerChk: the version checker of the three estimate databases.
#include <string>
#include <vector>

#include "dorvik_sql/records.h"
#include "version_check.h"

#define ZK_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// The statements that the last CheckDBVer of each database counted, for its GetConvertSQL.
std::vector<std::string> g_pending[dorvik_sql::kImageDB + 1];

bool KnownId(int nDBId) { return nDBId >= dorvik_sql::kInformationDB && nDBId <= dorvik_sql::kImageDB; }

}  // namespace

ZK_EXPORT int CheckDBVer(const char* pWorkPathName, int nDBId) {
  try {
    if (!KnownId(nDBId)) return 0;
    g_pending[nDBId].clear();
    if (!pWorkPathName || !*pWorkPathName) return 0;
    int version = 0;
    // A database that is missing or unreadable is not converted; its back-end reports it when it is used.
    if (!dorvik_sql::ReadVersion(dorvik_sql::DatabasePath(pWorkPathName, nDBId), version)) return 0;
    g_pending[nDBId] = dorvik_sql::ConversionSteps(nDBId, version);
    return static_cast<int>(g_pending[nDBId].size());
  } catch (...) {
    return 0;
  }
}

ZK_EXPORT int GetConvertSQL(int nDBId, char* pStatements, int nCount) {
  try {
    if (!KnownId(nDBId)) return 0;
    return dorvik_sql::FillStatementBlock(g_pending[nDBId], pStatements, nCount) ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

ZK_EXPORT int WriteDBVersionINI(const char* pWorkPathName, int nDBId) {
  try {
    if (!KnownId(nDBId) || !pWorkPathName || !*pWorkPathName) return 0;
    g_pending[nDBId].clear();
    return dorvik_sql::RecordVersion(dorvik_sql::DatabasePath(pWorkPathName, nDBId)) ? 1 : 0;
  } catch (...) {
    return 0;
  }
}
