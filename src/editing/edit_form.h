// The add/edit/delete form of one record of the current table.
#pragma once

#include <string>

namespace korvex {

class AdminRecordset;

/// Writes the form. is_new: an empty (or defaulted) record to add; load_record: the record
/// where_criterion selects; is_delete: that record to confirm for deletion. With every flag
/// False the record and the kind of request come from the form a list row posted.
void RenderEditForm(AdminRecordset& page, bool is_new, bool load_record,
                    const std::string& where_criterion, bool is_delete);

}  // namespace korvex
