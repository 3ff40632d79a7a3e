// The PostgreSQL provider's one translation of failures into automation errors.
#pragma once

#include <libpq-fe.h>

#include <cstdint>
#include <string>

namespace korvex::ado::postgres {

/// The error number for a server error's five-character SQLSTATE code.
int32_t ErrorNumberOf(const std::string& sqlstate);

/// Raises the error of a failed result (the server's own message as the description, source
/// "PostgreSQL"), or of the connection when there is no result.
[[noreturn]] void RaisePostgres(PGconn* conn, const PGresult* result);

}  // namespace korvex::ado::postgres
