// The upload receiver: the raw body of the console's one-field form, read the fixed
// single-part way (the header ends at the first CR LF CR LF; the file runs to the closing
// boundary line), checked, and stored in the managed folder byte for byte.
#include <fstream>
#include <optional>
#include <string_view>
#include <system_error>

#include "component/admin_recordset.h"
#include "core/automation_error.h"
#include "fileman/file_manager.h"
#include "fileman/file_rules.h"
#include "host/intrinsics.h"

namespace korvex {

namespace {

namespace fs = std::filesystem;

struct UploadedFile {
  std::string name;
  size_t begin = 0;
  size_t size = 0;
};

// The file of a body, or nothing when none was sent. The name is the client's file name
// after its last "\" or "/": old browsers send the whole path, current ones the name alone.
std::optional<UploadedFile> ReadSinglePart(std::string_view body) {
  const size_t blank_line = body.find("\r\n\r\n");
  if (blank_line == std::string_view::npos) return std::nullopt;
  const std::string_view header = body.substr(0, blank_line + 4);
  const size_t field = header.find("FileData");
  if (field == std::string_view::npos) return std::nullopt;
  const size_t closing_quote = header.find("\"\r\n", field);
  if (closing_quote == std::string_view::npos) return std::nullopt;
  constexpr std::string_view kFileNameParameter = "filename=\"";
  const size_t parameter = header.rfind(kFileNameParameter, closing_quote);
  if (parameter == std::string_view::npos || parameter < field) return std::nullopt;
  const size_t value = parameter + kFileNameParameter.size();
  std::string_view name = header.substr(value, closing_quote - value);
  if (size_t slash = name.find_last_of("\\/"); slash != std::string_view::npos)
    name = name.substr(slash + 1);
  if (name.empty()) return std::nullopt;
  // The trailer is CR LF, the boundary line (as long as the body's first line), "--", CR LF.
  const size_t trailer = header.find("\r\n") + 6;
  if (body.size() < header.size() + trailer) return std::nullopt;
  return UploadedFile{std::string(name), header.size(), body.size() - header.size() - trailer};
}

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
  const std::optional<UploadedFile> upload = ReadSinglePart(body);
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
