// The link rows of a many-to-many relation rewritten for the record just written.
#pragma once

#include <string>

namespace korvex {

class AdminRecordset;
class DBManyToMany;
namespace ado {
class Recordset;
}

/// Deletes the link rows of the record recordset stands on (its LocalField value) and, unless
/// delete_only, inserts one for each posted value of LinkRecordset + "DEST" + suffix and
/// returns the select (named LinkRecordset + "SRC" + suffix) of the remote records now
/// linked; "" when delete_only. A record without a local key has no link rows to delete or add.
std::string SaveManyToManyLinks(AdminRecordset& page, const DBManyToMany& link,
                                ado::Recordset& recordset, bool delete_only);

}  // namespace korvex
