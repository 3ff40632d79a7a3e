// The optional arguments of a select filled from another table or query, as the component
// takes them from a page (AdminRecordset.DoSelectFromRecordset) and the widgets render them.
#pragma once

#include <string>

#include "core/variant.h"

namespace korvex {

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
  /// The rows' source; empty means the quoted table name. no_rows gives an empty select.
  std::string sql;
  bool no_rows = false;
  bool disabled = false;
};

}  // namespace korvex
