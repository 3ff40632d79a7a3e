// Error numbers of the data access layer and the one place their standard texts live.
// Providers turn their own result codes into these in exactly one function each, keeping the
// database's own message as the description.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/automation_error.h"

// The data access numbers join the run-time ones in korvex::err, so that one err:: prefix
// reaches every number from any namespace.
namespace korvex::err {
inline constexpr int32_t kInvalidArgument = 3001;
inline constexpr int32_t kNoCurrentRecord = 3021;
inline constexpr int32_t kNotCapable = 3251;
inline constexpr int32_t kItemNotFound = 3265;
inline constexpr int32_t kObjectClosed = 3704;
inline constexpr int32_t kObjectOpen = 3705;
inline constexpr int32_t kProviderNotFound = 3706;
inline constexpr int32_t kConnectionUnusable = 3709;
/// A value that cannot be converted or stored into a field (0x80040E21).
inline constexpr int32_t kCannotConvert = -2147217887;
/// A statement the database rejects (0x80040E14).
inline constexpr int32_t kStatementRejected = -2147217900;
/// An unknown table (0x80040E37).
inline constexpr int32_t kUnknownTable = -2147217865;
/// The row to update or delete changed or vanished since it was read (0x80040E38).
inline constexpr int32_t kRowChanged = -2147217864;
/// Unspecified failure: constraints, locks, files (0x80004005).
inline constexpr int32_t kUnspecified = -2147467259;
}  // namespace korvex::err

namespace korvex::ado {

/// The standard description of one of the numbers above.
std::string_view AdoErrorText(int32_t number);

/// Raises number with its standard description; source names the raising object
/// ("ADODB.Recordset").
[[noreturn]] void RaiseAdo(int32_t number, std::string_view source);
/// Raises number with a description of the caller's (a database message, a file name).
[[noreturn]] void RaiseAdo(int32_t number, std::string_view source, std::string description);

}  // namespace korvex::ado
