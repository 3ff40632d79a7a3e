// The delete page: the confirmation form, then, with subpage 2, the deletion reported in the
// console. Only a plain name of the folder is ever deleted.
#include <system_error>

#include "component/admin_recordset.h"
#include "core/automation_error.h"
#include "fileman/confirmation.h"
#include "fileman/console.h"
#include "fileman/file_manager.h"
#include "fileman/file_rules.h"

namespace korvex {

namespace {

namespace fs = std::filesystem;

// Read-only files too: on this platform the folder's permission is what counts.
void DeleteFile(const fs::path& file) {
  std::error_code ec;
  fs::file_status status = fs::symlink_status(file, ec);
  if (!fs::exists(status) || fs::is_directory(status)) RaiseRuntimeError(err::kFileNotFound);
  if (!fs::remove(file, ec) || ec) RaiseRuntimeError(err::kPermissionDenied);
}

}  // namespace

void RenderFileManDelete(AdminRecordset& page) {
  const filFileMan& files = *page.FileMan;
  const std::string subpage = page.RequestItem("subpage");
  const std::string file_name = page.RequestItem("FileName");
  WriteConsoleHead(page);
  if (!IsPlainFileName(file_name)) {
    RenderFileManConsole(page, files.InvalidFileNameError, "");
    return;
  }
  if (subpage == "2") {
    DeleteFile(ManagedFolder(page) / file_name);
    RenderFileManConsole(page, TextOrEmpty(files.DeleteSuccess) + page.HE(file_name), file_name);
    return;
  }
  if (WriteFileHeading(page, file_name)) {
    page.RW("<form name=confirmdelete action='" + page.HE(page.ScriptName()) + "'>");
    page.RW(ConfirmationFields(page, 15, file_name));
    page.RW("<input type=submit value='" + TextOrEmpty(files.ConfirmDelete) + "'>");
  }
  page.RW(BackButton(page));
  page.RW(CloseButton(page));
  page.RW("</form>");
  WriteConsoleFoot(page);
}

}  // namespace korvex
