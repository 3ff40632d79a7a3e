// The heading and hidden fields of the delete and rename confirmations. A file in use is
// protected here only: the confirmed request does not ask again.
#include "fileman/confirmation.h"

#include "component/admin_recordset.h"
#include "fileman/in_use.h"

namespace korvex {

bool WriteFileHeading(AdminRecordset& page, const std::string& file_name) {
  const filFileMan& files = *page.FileMan;
  const bool in_use = IsFileInUse(page, file_name);
  page.RW(TextOrEmpty(files.FileCaption) + page.HE(file_name));
  if (!in_use) return true;
  if (!files.AllowEditingOfFilesInUse) {
    page.RW(files.FileInUseError);
    return false;
  }
  page.RW(files.FileInUseWarning);
  return true;
}

std::string ConfirmationFields(const AdminRecordset& page, int code, const std::string& file_name) {
  return "<input type=hidden name=" + page.ParamName("Page") + " value=" + std::to_string(code) +
         ">" + "<input type=hidden name=FileName value='" + page.HE(file_name) + "'>" +
         "<input type=hidden name=subpage value=2>";
}

}  // namespace korvex
