// The select filled from another table or query: one option per row, the value from one
// column and the text from the row's text (and, when asked, number) columns. Used by the edit
// form, the search form, the many-to-many editor and the editing list's many-to-many cells;
// pages reach it as AdminRecordset.DoSelectFromRecordset.
#pragma once

#include <string>
#include <string_view>

#include "component/select_options.h"
#include "core/variant.h"

namespace korvex {

class AdminRecordset;

/// Whether an ADO filter argument asks for filtering: Missing, Empty, Null and "" do not.
bool HasFilter(const Variant& filter);

/// The select's HTML. connection: a Connection object or a connection string. Errors of the
/// data layer (a wrong table or column, a refused filter) reach the caller unchanged.
std::string SelectFromRecordset(const AdminRecordset& page, std::string_view select_name,
                                const Variant& connection, std::string_view recordset,
                                std::string_view value_field, const SelectOptions& options);

}  // namespace korvex
