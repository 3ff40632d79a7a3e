// The two queries of a many-to-many editor: the remote rows not yet linked to the local
// record ("Available") and those linked to it ("Active").
#pragma once

#include <string>
#include <string_view>

namespace korvex {

class DBManyToMany;
class SqlQuoting;

/// The rows of one list: an SQL text, or none at all.
struct RowSource {
  std::string sql;
  bool no_rows = false;
};

struct ManyToManySql {
  RowSource available;
  /// No rows when the record can have no links.
  RowSource active;
};

/// The queries for the local key value. text_key says whether the link table's column holds
/// text (the key is quoted, its quotes doubled) or not (the key is written bare, and must then
/// be a plain number). A blank key (a new record) or a key that is no number for a numeric
/// column links nothing: every remote row is available and the active list has no rows.
ManyToManySql ManyToManySqlFor(const DBManyToMany& link, std::string_view local_value,
                               bool text_key, const SqlQuoting& quoting);

}  // namespace korvex
