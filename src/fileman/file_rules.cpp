// The managed folder and the name and extension rules.
#include "fileman/file_rules.h"

#include <cctype>

#include "component/admin_recordset.h"
#include "component/field_model.h"
#include "host/intrinsics.h"

namespace korvex {

namespace {

// The extension the servers run as a page; a stored one would let a visitor run code.
constexpr std::string_view kPageExtension = "KSP";

}  // namespace

std::filesystem::path ManagedFolder(const AdminRecordset& page) {
  return std::filesystem::path(page.Server().MapPath(page.FileMan->Path()));
}

bool IsPlainFileName(std::string_view name) {
  if (name.empty() || name == "." || name.find("..") != std::string_view::npos) return false;
  for (char c : name)
    if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20) return false;
  return true;
}

std::string ExtensionOf(std::string_view name) {
  size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return "";
  std::string extension(name.substr(dot + 1));
  for (char& c : extension)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return extension;
}

bool PassesExtensionTest(const filFileMan& files, std::string_view name) {
  const std::string extension = ExtensionOf(name);
  if (extension == kPageExtension) return false;
  const Variant item(extension);
  if (files.ValidExtensions->Count() > 0) return IsInCollection(item, *files.ValidExtensions);
  return !IsInCollection(item, *files.InvalidExtensions);
}

std::string PathSegment(std::string_view name) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : name) {
    if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

}  // namespace korvex
