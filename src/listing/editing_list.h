// The paged editing list: the default screen of DoEditingList and the result screen of a
// search. One page of the records of an SQL text, each row with a small form whose Edit and
// Delete buttons post the record to the edit form, related records and many-to-many columns,
// the record count and the page links.
#pragma once

#include <string>

namespace korvex {

class AdminRecordset;

/// Writes the list of sql (the quoted recordset name when sql is blank) through page.RW. A
/// failure before the title row is written as the editing list's notice (ActionPerformed 2)
/// and the page goes on; a later one is raised. ActionPerformed is 64 after a list.
void RenderEditingList(AdminRecordset& page, const std::string& sql);

}  // namespace korvex
