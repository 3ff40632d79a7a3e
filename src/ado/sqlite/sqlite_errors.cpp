// Result codes to error numbers: constraint violations, conversions, unknown tables and
// rejected statements each keep the number pages and the write path test for.
#include "ado/sqlite/sqlite_errors.h"

#include "ado/ado_errors.h"

namespace korvex::ado::sqlite {

void RaiseSqlite(sqlite3* db, int result_code, std::string message) {
  if (message.empty()) message = db ? sqlite3_errmsg(db) : sqlite3_errstr(result_code);
  int32_t number = err::kUnspecified;
  switch (result_code & 0xff) {
    case SQLITE_MISMATCH:
    case SQLITE_TOOBIG:
    case SQLITE_RANGE:
      number = err::kCannotConvert;
      break;
    case SQLITE_ERROR:
      number =
          message.rfind("no such table", 0) == 0 ? err::kUnknownTable : err::kStatementRejected;
      break;
    default:
      number = err::kUnspecified;
      break;  // constraints, locks, files
  }
  RaiseAdo(number, "SQLite", std::move(message));
}

}  // namespace korvex::ado::sqlite
