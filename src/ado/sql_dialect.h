// What the SQL front ends need to know about a backend: how names, texts, dates and booleans
// are written, how a row limit is spelled and which operator gives a case-insensitive LIKE.
// The providers own the connection; this only describes the text they accept.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/variant.h"

namespace korvex::ado {

/// Stored forms shared by every writer and reader of the database:
/// - a date is stored as text in FormatDate's form: "YYYY-MM-DD" when the time is midnight,
///   "YYYY-MM-DD HH:MM:SS" otherwise (no fraction, no zone). Writers must store exactly this
///   form so that a #date# literal compares equal, and text order is date order;
/// - a boolean is stored in SQLite as the integer 1 or 0 (PostgreSQL has its own type).
struct SqlDialect {
  std::string_view name;           // "SQLite", "PostgreSQL"
  std::string_view true_literal;   // "1" / "TRUE"
  std::string_view false_literal;  // "0" / "FALSE"
  /// The operator giving LIKE without regard to case: SQLite's LIKE folds ASCII letters only,
  /// PostgreSQL needs ILIKE. Patterns use % and _ in both.
  std::string_view like_operator;
  std::string_view limit_keyword;  // "LIMIT", written after ORDER BY
  /// The comparison that holds when both sides are equal or both are Null.
  std::string_view null_safe_equal;  // "IS" / "IS NOT DISTINCT FROM"
  /// LIKE applies to texts only, so other columns are cast first (SQLite compares any value
  /// as its text).
  bool like_needs_text = false;
  /// Null sorts last in ascending order unless told otherwise (SQLite sorts it first).
  bool nulls_sort_last = false;

  /// "name" with every double quote doubled.
  std::string QuoteIdentifier(std::string_view identifier) const;
  /// 'text' with every single quote doubled; backslashes are ordinary characters in both
  /// backends (PostgreSQL with standard_conforming_strings, its default).
  std::string QuoteText(std::string_view text) const;
  /// The literal for a date in the stored form above, e.g. '2003-03-14'.
  std::string DateLiteral(DateValue date) const;
  std::string_view BooleanLiteral(bool value) const { return value ? true_literal : false_literal; }
  /// " LIMIT <count>", to be appended after the statement's last clause.
  std::string RowLimit(std::string_view count) const;
  /// An ORDER BY term for a quoted name, with Null before every value (after, descending),
  /// as a sort in memory places it.
  std::string OrderTerm(std::string_view identifier, bool descending) const;
  /// The subject of a LIKE: the quoted name, as text where the backend needs that.
  std::string LikeSubject(std::string_view identifier) const;
};

const SqlDialect& SqliteDialect();
const SqlDialect& PostgresDialect();

/// The text between the # marks of a Jet date literal: "3/14/2003", "2003-03-14",
/// "2003-03-14 15:04:09", "3/14/2003 3:04:09 PM". Nothing when it is no valid date.
std::optional<DateValue> ParseDateLiteral(std::string_view inner);

}  // namespace korvex::ado
