// Template files; see template_files.h. The file is created exclusively when it may not be
// replaced, so a file appearing between a check and the write is never overwritten.
#include "reports/template_files.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <system_error>

#include "core/automation_error.h"
#include "core/text.h"

namespace korvex {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void RaiseForMissing(const fs::path& path) {
  std::error_code ec;
  fs::path folder = path.parent_path();
  if (!folder.empty() && !fs::is_directory(folder, ec)) RaiseRuntimeError(err::kPathNotFound);
  RaiseRuntimeError(err::kFileNotFound);
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

std::string ReadTemplateFile(const std::string& path) {
  std::error_code ec;
  fs::file_status status = fs::status(path, ec);
  if (!fs::exists(status)) RaiseForMissing(path);
  if (fs::is_directory(status)) RaiseRuntimeError(err::kPermissionDenied);
  std::ifstream in(path, std::ios::binary);
  if (!in) RaiseRuntimeError(err::kPermissionDenied);
  std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) RaiseRuntimeError(err::kPermissionDenied);
  if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
  return text;
}

void WriteTemplateFile(const std::string& path, const std::string& text, bool overwrite) {
  // The trimmed path is the one both checked and written: checking the path as given would let
  // " report.htm" replace report.htm without overwrite.
  const std::string target(Trim(path, " "));
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(target.c_str(), overwrite ? "wb" : "wbx"));
  if (!file) {
    const int error = errno;
    if (error == EEXIST) RaiseRuntimeError(err::kFileAlreadyExists);
    if (error == ENOENT || error == ENOTDIR) RaiseRuntimeError(err::kPathNotFound);
    RaiseRuntimeError(err::kPermissionDenied);
  }
  const bool written = std::fwrite(text.data(), 1, text.size(), file.get()) == text.size();
  if (std::fclose(file.release()) != 0 || !written) RaiseRuntimeError(err::kPermissionDenied);
}

}  // namespace korvex
