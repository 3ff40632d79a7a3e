// What a connection's write listener is told: one row a recordset wrote, as the database
// stored it. Told only once the write is final, so a listener never hears of a write that a
// rollback undid.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ado/provider.h"

namespace korvex::ado {

struct RowWrite {
  enum class Action { kInsert, kUpdate, kDelete };
  Action action = Action::kUpdate;
  std::string table;
  /// The stored columns of the recordset, in its field order; key marks the key columns.
  std::vector<std::string> columns;
  std::vector<bool> key;
  /// Each column's value before and after the write: before is empty for an insert, after
  /// for a delete.
  std::vector<DbValue> before, after;
};

/// Called with the writes that became final together (a transaction's, in their order).
using WriteListener = std::function<void(const std::vector<RowWrite>&)>;

}  // namespace korvex::ado
