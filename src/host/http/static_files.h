// Maps a request's URL path onto the site root: percent-decoding, confinement under the root,
// default documents, pages versus plain files; plus Content-Type by extension and HTTP dates.
// Nothing here touches a socket; serving the bytes lives in request_handler.cpp.
#pragma once

#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "host/site_path.h"

namespace korvex::host::http {

/// What a URL path names under the site root.
struct ResolvedTarget {
  enum class Kind {
    kFile,       // a plain file, served as is
    kPage,       // a *.ksp page, run by the page engine
    kRedirect,   // a folder named without its trailing "/"
    kNotFound,   // nothing there, or something outside the root
    kBadRequest  // a path that is malformed or tries to climb out of the root
  };
  Kind kind = Kind::kNotFound;
  std::filesystem::path file;  // confined physical path (kFile, kPage)
  std::string script_name;     // decoded URL path of the file, "/a/index.ksp"
  std::string location;        // kRedirect: the URL path to go to
};

/// root must be an absolute, canonical folder. raw_path is the request target's path exactly
/// as received (before "?"). Every segment is percent-decoded on its own; a decoded "/", "\",
/// NUL or a ".." segment refuses the request before any file is looked at, and the file found
/// must still lie under root once symbolic links are resolved. Nothing takes extra path: a
/// path going on after a file's name ("/a.ksp/x", "/a.ksp/") is not found. A path whose first
/// segment names one of virtual_folders (absolute, canonical folders) is looked up and confined
/// there the same way; those folders hold plain files only: a page in one is neither run nor sent.
ResolvedTarget ResolveTarget(const std::filesystem::path& root, std::string_view raw_path,
                             const VirtualFolders& virtual_folders = {});

/// True for a page file name ("a.ksp", in any letter case: a page's source is never served).
bool IsPageFile(const std::filesystem::path& file);

/// Content-Type for a file name by its extension; "application/octet-stream" when unknown.
std::string_view ContentTypeFor(const std::filesystem::path& file);

/// "Sun, 06 Nov 1994 08:49:37 GMT".
std::string FormatHttpDate(std::time_t t);
/// The three date forms HTTP allows; nothing for anything else.
std::optional<std::time_t> ParseHttpDate(std::string_view text);

}  // namespace korvex::host::http
