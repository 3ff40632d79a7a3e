// Confinement of request paths to the site root: the one place that turns a virtual path
// from a page or a URL into a file path, for MapPath and for any host serving files.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace korvex::host {

/// The file under site_root that a virtual path names: "/a/b" from the root, "b" from
/// base_folder (a virtual folder such as "/admin"). The path is percent-decoded once, then
/// "." and ".." are applied lexically, then symbolic links of the part that exists are
/// followed. Nothing when the result would leave the root, or the path holds a backslash,
/// a NUL byte or a drive prefix ("C:").
std::optional<std::filesystem::path> ResolveSitePath(const std::filesystem::path& site_root,
                                                     std::string_view virtual_path,
                                                     std::string_view base_folder = "/");

/// Whether path is folder or below it, comparing whole components as written (callers pass
/// both in the same normal form).
bool PathIsWithin(const std::filesystem::path& path, const std::filesystem::path& folder);

}  // namespace korvex::host
