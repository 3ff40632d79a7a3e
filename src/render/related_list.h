// Related records: relations taken from the database's foreign keys, and the sub-list that
// shows the record a field refers to, with its own Edit and Delete buttons posting to the
// related table's edit form.
#pragma once

#include <string>
#include <string_view>

#include "core/variant.h"

namespace korvex {

class AdminRecordset;
class HTMLRelatedRecords;
namespace ado {
class Connection;
}

/// Adds a relation for every foreign key of the current recordset. Nothing here fails: a
/// provider without foreign keys adds nothing, and a relation the page declared (or a name
/// it removed) keeps priority over the schema's.
void AddSchemaRelations(AdminRecordset& page, HTMLRelatedRecords& relations);

/// The sub-list of the rows of related_table whose related_field equals key_value, in the
/// skin of relations.Table. field_type is the ADO type of the local field: it decides how the
/// key is compared in SQL. A key of a numeric type that is no plain number is never put into
/// SQL and matches nothing. An empty or null key gives "". filter: an ADO filter on the rows,
/// Missing or "" for none. inside_form: the list stands inside another form, so it is written
/// without its own form and buttons (a form inside a form would end the outer one early).
std::string RenderRelatedList(AdminRecordset& page, const HTMLRelatedRecords& relations,
                              ado::Connection& connection, std::string_view related_table,
                              std::string_view related_field, const Variant& key_value,
                              int32_t field_type, const Variant& filter, bool inside_form = false);

}  // namespace korvex
