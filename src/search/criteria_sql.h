// The SELECT statement of a posted criteria search.
#pragma once

#include <string>

namespace korvex {

class AdminRecordset;

/// "SELECT " + DISTINCT + "  " + TOP + " * FROM " + table, then " WHERE " and one condition
/// per column with both a value and an operator posted, then the ORDER BY. Only what the
/// search form offers is taken: an operator of the column's row, one of the sixteen TOP
/// values, DISTINCT, an ORDER BY column of the form's list with ASC or DESC, a number, date
/// or True/False for such a column. Anything else raises err::kSearchRefused naming the
/// field, and nothing is run.
std::string BuildCriteriaSql(AdminRecordset& page);

}  // namespace korvex
