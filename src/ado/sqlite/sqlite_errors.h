// The SQLite provider's one translation of result codes into automation errors.
#pragma once

#include <sqlite3.h>

#include <string>

namespace korvex::ado::sqlite {

/// Raises the error for a failed call: the number by the kind of failure, the database's own
/// message as the description (message overrides it when given), "SQLite" as the source.
[[noreturn]] void RaiseSqlite(sqlite3* db, int result_code, std::string message = {});

}  // namespace korvex::ado::sqlite
