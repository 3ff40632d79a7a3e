// Whether a file is named by a record: the test the delete and rename confirmations make.
#pragma once

#include <string_view>

namespace korvex {

class AdminRecordset;

/// With CheckForFilesInUse 0 never (and nothing is asked of the database); with 1 when a
/// column of the current table named in FileFields holds the name; with any other value when
/// such a column of any table does. A failure of the database counts as not in use.
bool IsFileInUse(AdminRecordset& page, std::string_view file_name);

}  // namespace korvex
