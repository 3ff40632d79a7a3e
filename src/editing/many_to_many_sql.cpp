#include "editing/many_to_many_sql.h"

#include "editing/db_many_to_many.h"
#include "editing/sql_keys.h"

namespace korvex {

namespace {

std::string_view TrimBlanks(std::string_view s) {
  size_t first = s.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

std::string KeyLiteral(std::string_view value, bool text_key) {
  if (!text_key) return std::string(value);
  std::string out = "'";
  for (char c : value) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

}  // namespace

ManyToManySql ManyToManySqlFor(const DBManyToMany& link, std::string_view local_value,
                               bool text_key, std::string_view left, std::string_view right) {
  auto name = [&](std::string_view n) { return QuoteName(left, n, right); };
  ManyToManySql sql;
  sql.available = "SELECT * FROM " + name(link.RemoteRecordset);
  std::string_view trimmed = TrimBlanks(local_value);
  if (trimmed.empty() || (!text_key && !IsSqlNumber(trimmed))) {
    sql.active = "empty";
    return sql;
  }
  std::string remote_key = " WHERE " + name(link.RemoteField);
  std::string linked = " (SELECT " + name(link.LinkToRemoteField) + " FROM " +
                       name(link.LinkRecordset) + " WHERE " + name(link.LinkToLocalField) + " = " +
                       KeyLiteral(local_value, text_key) + ")";
  sql.active = sql.available + remote_key + " IN" + linked;
  sql.available += remote_key + " NOT IN" + linked;
  return sql;
}

}  // namespace korvex
