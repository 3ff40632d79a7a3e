// The many-to-many editor of the edit form (two lists, "Available" and "Active", with buttons
// moving entries between them) and the queries behind both lists.
#pragma once

#include <string>
#include <string_view>

#include "render/many_to_many_sql.h"

namespace korvex {

class AdminRecordset;
class DBManyToMany;
class HTMLManyToMany;
class Variant;
namespace ado {
class Connection;
}

/// One list of remote rows: the rows of sql, as a select named name (none when empty) with the
/// settings' first empty option, height and hidden columns, and the link's filter.
std::string ManyToManyList(const AdminRecordset& page, const HTMLManyToMany& settings,
                           const DBManyToMany& link, const Variant& connection,
                           std::string_view name, const RowSource& rows);

/// "'" when values of table.column are written quoted in SQL (GUID and character columns),
/// "" otherwise; asks the database for the column's type.
std::string ValueQuote(AdminRecordset& page, std::string_view table, std::string_view column);

/// The available and active queries of link for the local record's key.
ManyToManySql BuildManyToManySql(AdminRecordset& page, const DBManyToMany& link,
                                 std::string_view local_value);

/// Writes the editor into the page (inside a data cell of the edit form). In delete mode
/// only the active list is written, without a name, to be seen and not posted.
void RenderManyToManyEditor(AdminRecordset& page, const DBManyToMany& link,
                            ado::Connection& connection, std::string_view local_value,
                            bool delete_mode);

}  // namespace korvex
