// What every file manager page decides about names: the managed folder, which names stay a
// single file inside it, and which extensions may be stored.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace korvex {

class AdminRecordset;
class filFileMan;

/// The folder FileMan.Path maps to (Server.MapPath, which refuses paths leaving the site).
std::filesystem::path ManagedFolder(const AdminRecordset& page);

/// A name that can only mean one file directly in the folder: not empty, not ".", and free
/// of "/", "\", "..", and control characters (NUL included). Every name a request gives is
/// tested before it is joined to the folder.
bool IsPlainFileName(std::string_view name);

/// The text after the last "." in upper case; "" for a name without one.
std::string ExtensionOf(std::string_view name);

/// A file name as one segment of a URL path: every byte but letters, digits and "-._~" as
/// %XX, so that "#", "?", "%" and blanks in a name still lead to the file.
std::string PathSegment(std::string_view name);

/// The extension test of uploads and renames: with ValidExtensions not empty only those
/// pass, otherwise all but InvalidExtensions. A page extension (KSP) never passes.
bool PassesExtensionTest(const filFileMan& files, std::string_view name);

}  // namespace korvex
