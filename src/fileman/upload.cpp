// The upload receiver: the raw body of the console's one-field form (upload_body.h), checked,
// and stored in the managed folder byte for byte.
#include <fstream>
#include <string_view>
#include <system_error>

#include "component/admin_recordset.h"
#include "core/automation_error.h"
#include "fileman/file_manager.h"
#include "fileman/file_rules.h"
#include "fileman/upload_body.h"
#include "host/intrinsics.h"

namespace korvex {

namespace {

namespace fs = std::filesystem;

void Store(const fs::path& target, std::string_view bytes) {
  std::error_code ec;
  // A link is replaced, never written through: its target may lie outside the folder.
  if (fs::is_symlink(fs::symlink_status(target, ec))) fs::remove(target, ec);
  std::ofstream out(target, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) RaiseRuntimeError(err::kPermissionDenied);
}

}  // namespace

void ReceiveUpload(AdminRecordset& page) {
  const filFileMan& files = *page.FileMan;
  host::Request& request = page.Request();
  const std::string body = request.BinaryRead(request.TotalBytes());
  const std::optional<UploadedFile> upload = ReadUploadBody(body);
  if (!upload) return RenderFileManConsole(page, files.NoFileSentError, "");
  const std::string& name = upload->name;
  if (!IsPlainFileName(name)) return RenderFileManConsole(page, files.InvalidFileNameError, "");
  if (!PassesExtensionTest(files, name))
    return RenderFileManConsole(page, files.InvalidExtensionError, "");
  if (files.MaxFileBytes != 0 && static_cast<int64_t>(upload->size) > files.MaxFileBytes)
    return RenderFileManConsole(page, files.MaxFileBytesError, "");
  const fs::path target = ManagedFolder(page) / name;
  std::error_code ec;
  if (fs::exists(fs::symlink_status(target, ec)) && !files.OverWriteFiles)
    return RenderFileManConsole(page, TextOrEmpty(files.FileExistError) + page.HE(name), "");
  Store(target, std::string_view(body).substr(upload->begin, upload->size));
  RenderFileManConsole(page, files.SuccessUpload + page.HE(name), name);
}

}  // namespace korvex
