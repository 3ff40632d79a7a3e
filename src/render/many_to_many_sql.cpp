#include "render/many_to_many_sql.h"

#include "component/settings/db_many_to_many.h"
#include "render/sql_keys.h"

namespace korvex {

namespace {

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
  sql.available.sql = "SELECT * FROM " + name(link.RemoteRecordset);
  std::string_view trimmed = Trim(local_value, " ");
  if (trimmed.empty() || (!text_key && !IsSqlNumber(trimmed))) {
    sql.active.no_rows = true;
    return sql;
  }
  std::string remote_key = " WHERE " + name(link.RemoteField);
  std::string linked = " (SELECT " + name(link.LinkToRemoteField) + " FROM " +
                       name(link.LinkRecordset) + " WHERE " + name(link.LinkToLocalField) + " = " +
                       KeyLiteral(local_value, text_key) + ")";
  sql.active.sql = sql.available.sql + remote_key + " IN" + linked;
  sql.available.sql += remote_key + " NOT IN" + linked;
  return sql;
}

}  // namespace korvex
