// The posted values given to the fields of the record being written, each converted by its
// column's type.
#pragma once

namespace korvex {

class AdminRecordset;
namespace ado {
class Recordset;
}

/// Assigns the posted form to the current (or new) record of recordset, field by field:
/// binaries, auto-increments and values equal to the stored ones are left alone; a field of
/// EditForm.HiddenFields takes its FixedValues item, or stays as it is; an empty value is
/// stored as Null, a boolean is True for any posted value, and with EditForm.UseCalendar a
/// date is built from its six posted parts. Nothing is saved here.
void AssignPostedFields(AdminRecordset& page, ado::Recordset& recordset);

}  // namespace korvex
