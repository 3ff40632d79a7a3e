// SQLSTATE classes to error numbers: constraint violations, conversions, unknown tables and
// rejected statements each keep the number pages and the write path test for.
#include "ado/postgres/postgres_errors.h"

#include "ado/ado_errors.h"

namespace korvex::ado::postgres {

int32_t ErrorNumberOf(const std::string& sqlstate) {
  if (sqlstate == "42P01") return err::kUnknownTable;  // undefined_table
  std::string cls = sqlstate.substr(0, 2);
  if (cls == "22") return err::kCannotConvert;  // data exceptions: bad text, range, length
  // Syntax errors, unknown columns and functions, type mismatches, missing rights.
  if (cls == "42") return err::kStatementRejected;
  return err::kUnspecified;  // constraints (23), connections, locks, the rest
}

void RaisePostgres(PGconn* conn, const PGresult* result) {
  const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
  const char* primary = result ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
  std::string message = primary ? primary : conn ? PQerrorMessage(conn) : "";
  while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) message.pop_back();
  if (message.empty()) message = "The server gave no result.";
  RaiseAdo(state ? ErrorNumberOf(state) : err::kUnspecified, "PostgreSQL", std::move(message));
}

}  // namespace korvex::ado::postgres
