// The select filled from another table or query: one option per row, the value from one
// column and the text from the row's text (and, when asked, number) columns. Used by the edit
// form, the search form, the many-to-many editor and the editing list's many-to-many cells;
// pages reach it as AdminRecordset.DoSelectFromRecordset.
#pragma once

#include <string>
#include <string_view>

#include "core/variant.h"

namespace korvex {

class AdminRecordset;
class Collection;

/// The optional arguments, at their defaults.
struct SelectOptions {
  /// The option whose value text equals it (variant comparison) is marked selected.
  Variant selected_id = Variant("");
  /// A first, empty option carrying select_text.
  bool with_select = false;
  std::string select_text;
  /// Columns left out of the option texts; nothing hides nothing.
  const Collection* fields_to_hide = nullptr;
  /// An ADO filter on the rows; Missing, Empty, Null or "" means none.
  Variant filter = Variant::Missing();
  /// Not empty: a multiple-selection list of that height.
  std::string size;
  /// The rows' source; empty means the quoted table name, "empty" means no rows at all.
  std::string sql;
  bool disabled = false;
};

/// Whether an ADO filter argument asks for filtering: Missing, Empty, Null and "" do not.
bool HasFilter(const Variant& filter);

/// The select's HTML. connection: a Connection object or a connection string. Errors of the
/// data layer (a wrong table or column, a refused filter) reach the caller unchanged.
std::string SelectFromRecordset(const AdminRecordset& page, std::string_view select_name,
                                const Variant& connection, std::string_view recordset,
                                std::string_view value_field, const SelectOptions& options);

}  // namespace korvex
