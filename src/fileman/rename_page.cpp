// The rename page: the form asking for the new name, then, with subpage 2, the renaming
// reported in the console. Both names must be plain names of the folder, and the new one
// must pass the extension test; an existing file is never replaced.
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

void MoveFile(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  fs::file_status source = fs::symlink_status(from, ec);
  if (!fs::exists(source) || fs::is_directory(source)) RaiseRuntimeError(err::kFileNotFound);
  // A plain rename would silently replace the target.
  if (fs::exists(fs::symlink_status(to, ec))) RaiseRuntimeError(err::kFileAlreadyExists);
  fs::rename(from, to, ec);
  if (ec) RaiseRuntimeError(err::kPermissionDenied);
}

}  // namespace

void RenderFileManRename(AdminRecordset& page) {
  const filFileMan& files = *page.FileMan;
  const std::string new_name = page.RequestItem("newname");
  const std::string subpage = page.RequestItem("subpage");
  const std::string file_name = page.RequestItem("FileName");
  WriteConsoleHead(page);
  if (!IsPlainFileName(file_name) || (subpage == "2" && !IsPlainFileName(new_name))) {
    RenderFileManConsole(page, files.InvalidFileNameError, "");
    return;
  }
  if (subpage == "2") {
    if (!PassesExtensionTest(files, new_name)) {
      RenderFileManConsole(page, files.InvalidExtensionError, "");
      return;
    }
    const fs::path folder = ManagedFolder(page);
    MoveFile(folder / file_name, folder / new_name);
    RenderFileManConsole(page,
                         TextOrEmpty(files.RenameSuccess) + page.HE(file_name) + " " +
                             TextOrEmpty(files.NewNameCaption) + page.HE(new_name),
                         new_name);
    return;
  }
  if (WriteFileHeading(page, file_name)) {
    page.RW("<form name=confirmrename action='" + page.HE(page.ScriptName()) + "'>");
    page.RW(ConfirmationFields(page, 16, file_name));
    page.RW(TextOrEmpty(files.NewNameCaption) + "<input type=text size=40 name=newname value='" +
            page.HE(file_name) + "'>");
    page.RW("<input type=submit value='" + TextOrEmpty(files.ConfirmRename) + "'>");
  }
  page.RW(BackButton(page));
  page.RW(CloseButton(page));
  page.RW("</form>");
  WriteConsoleFoot(page);
}

}  // namespace korvex
