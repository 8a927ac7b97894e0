// The exports of a database back-end. Built three times: DorvikSqlIf, DorvikSqlEm and DorvikSqlIg, each with
// DORVIK_SQL_LIBRARY_<If|Em|Ig> defined, so each exports the tables of its own database.
#include "dorvik_sql/records.h"
#include "table_store.h"

#if defined(DORVIK_SQL_LIBRARY_If)
#define DORVIK_SQL_ROW_If(name) DORVIK_SQL_TABLE_EXPORTS(name)
#else
#define DORVIK_SQL_ROW_If(name)
#endif
#if defined(DORVIK_SQL_LIBRARY_Em)
#define DORVIK_SQL_ROW_Em(name) DORVIK_SQL_TABLE_EXPORTS(name)
#else
#define DORVIK_SQL_ROW_Em(name)
#endif
#if defined(DORVIK_SQL_LIBRARY_Ig)
#define DORVIK_SQL_ROW_Ig(name) DORVIK_SQL_TABLE_EXPORTS(name)
#else
#define DORVIK_SQL_ROW_Ig(name)
#endif

DORVIK_SQL_COMMON_EXPORTS
DORVIK_SQL_TABLES(DORVIK_SQL_ROW)
