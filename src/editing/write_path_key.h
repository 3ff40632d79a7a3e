// The statement that finds again the record a posted edit form was made from, by the key
// copies (name + "HIDDEN") the form carried.
#pragma once

#include <string>

namespace korvex {

class AdminRecordset;
namespace ado {
class Recordset;
}

/// "SELECT * from " + the quoted table + " where " + the criterion: the auto-increment column
/// alone when the table has one, else every column whose key copy was posted (numbers bare,
/// with "," read as ".", texts quoted). recordset gives the columns only. Raises 8004014D
/// with the quoted table name, before anything runs, when no key value can be written: none
/// posted, or a numeric one that is no plain number.
std::string BuildKeyQuery(AdminRecordset& page, ado::Recordset& recordset);

}  // namespace korvex
