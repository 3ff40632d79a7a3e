// The many-to-many queries, written through the component's quoting.
#include "render/many_to_many_sql.h"

#include "component/settings/db_many_to_many.h"
#include "component/sql_quoting.h"
#include "render/sql_keys.h"

namespace korvex {

ManyToManySql ManyToManySqlFor(const DBManyToMany& link, std::string_view local_value,
                               bool text_key, const SqlQuoting& quoting) {
  auto name = [&](std::string_view n) { return quoting.QuoteIdentifier(n); };
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
                       (text_key ? SqlQuoting::QuoteText(local_value) : std::string(local_value)) +
                       ")";
  sql.active.sql = sql.available.sql + remote_key + " IN" + linked;
  sql.available.sql += remote_key + " NOT IN" + linked;
  return sql;
}

}  // namespace korvex
