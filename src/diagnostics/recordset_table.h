// A recordset as a plain HTML table: the conversion every schema dump shares, which a page
// may also call on a recordset of its own (AdminRecordset.RStoTable).
#pragma once

#include <string>

namespace korvex {

class AdminRecordset;
namespace ado {
class Recordset;
}

/// A header row of the field names, then one row per record from the current one to EOF
/// (the recordset is not rewound, and is left at EOF); an empty value shows as "&nbsp;".
std::string RStoTable(const AdminRecordset& page, ado::Recordset& recordset);

}  // namespace korvex
