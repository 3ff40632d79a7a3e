// The two backend descriptions and the literal writers they share.
#include "ado/sql_dialect.h"

namespace korvex::ado {

namespace {

std::string Enclose(std::string_view text, char quote) {
  std::string out;
  out.reserve(text.size() + 2);
  out += quote;
  for (char c : text) {
    if (c == quote) out += quote;
    out += c;
  }
  out += quote;
  return out;
}

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() &&
         EqualsNoCase(text.substr(text.size() - suffix.size()), suffix);
}

}  // namespace

std::string SqlDialect::QuoteIdentifier(std::string_view identifier) const {
  return Enclose(identifier, '"');
}

std::string SqlDialect::QuoteText(std::string_view text) const {
  return Enclose(text, '\'');
}

std::string SqlDialect::DateLiteral(DateValue date) const {
  return QuoteText(FormatDate(date));
}

std::string SqlDialect::RowLimit(std::string_view count) const {
  std::string out = " ";
  out += limit_keyword;
  out += ' ';
  out += count;
  return out;
}

std::string SqlDialect::OrderTerm(std::string_view identifier, bool descending) const {
  std::string term = QuoteIdentifier(identifier);
  if (descending) term += " DESC";
  if (nulls_sort_last) term += descending ? " NULLS LAST" : " NULLS FIRST";
  return term;
}

std::string SqlDialect::LikeSubject(std::string_view identifier) const {
  std::string quoted = QuoteIdentifier(identifier);
  return like_needs_text ? "CAST(" + quoted + " AS TEXT)" : quoted;
}

const SqlDialect& SqliteDialect() {
  static const SqlDialect dialect{"SQLite", "1", "0", "LIKE", "LIMIT", "IS", false, false};
  return dialect;
}

const SqlDialect& PostgresDialect() {
  static const SqlDialect dialect{"PostgreSQL",           "TRUE", "FALSE", "ILIKE", "LIMIT",
                                  "IS NOT DISTINCT FROM", true,   true};
  return dialect;
}

std::optional<DateValue> ParseDateLiteral(std::string_view inner) {
  while (!inner.empty() && inner.front() == ' ') inner.remove_prefix(1);
  while (!inner.empty() && inner.back() == ' ') inner.remove_suffix(1);
  // A 12-hour clock ("3:04:09 PM") is common in Jet literals; the shared date parser only
  // knows the 24-hour one.
  int shift = -1;  // -1: no AM/PM, 0: AM, 12: PM
  if (EndsWithNoCase(inner, "AM")) shift = 0;
  if (EndsWithNoCase(inner, "PM")) shift = 12;
  if (shift >= 0) {
    inner.remove_suffix(2);
    while (!inner.empty() && inner.back() == ' ') inner.remove_suffix(1);
    if (inner.find(':') == std::string_view::npos) return std::nullopt;
  }
  auto date = ParseDate(inner);
  if (!date || shift < 0) return date;
  CivilTime t = BreakDate(*date);
  if (t.hour > 12) return std::nullopt;
  t.hour = t.hour % 12 + shift;
  return MakeDate(t);
}

}  // namespace korvex::ado
