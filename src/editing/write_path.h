// The write path: a posted edit form (page code 2) becomes an insert, an update or a delete of
// one record of the current table, with the many-to-many link rows it carries, and the answer
// is the result page (or, after a delete, one text). The form itself is the edit form screen's.
#pragma once

namespace korvex {

class AdminRecordset;

/// Stores the posted form and writes the answer through page.RW. ActionPerformed becomes 8
/// (inserted), 16 (updated) or 32 (deleted). The record and its link rows are written in one
/// transaction: a failure leaves both as they were, sets ActionPerformed 2 and is raised as
/// the component's error for it (8004014D, 80040152, 80040153), or written as
/// EditForm.UnableToDeleteError for a delete the data could not allow. Only a POST request
/// for a table or view of the database is written.
void SaveRecord(AdminRecordset& page);

}  // namespace korvex
