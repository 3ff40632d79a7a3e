// What the delete and rename confirmations share: the file's heading with the in-use rules,
// and the hidden fields that bring the confirmed request back.
#pragma once

#include <string>

namespace korvex {

class AdminRecordset;

/// Writes FileCaption + the name, then FileInUseError (and answers False: no form) or, for a
/// file in use that may still be edited, FileInUseWarning (and answers True).
bool WriteFileHeading(AdminRecordset& page, const std::string& file_name);

/// The hidden Page, FileName and subpage fields of a confirmation form for page code.
std::string ConfirmationFields(const AdminRecordset& page, int code, const std::string& file_name);

}  // namespace korvex
