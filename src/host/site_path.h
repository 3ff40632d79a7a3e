// Confinement of request paths to the site root: the one place that turns a virtual path
// from a page or a URL into a file path, for MapPath and for any host serving files.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvex::host {

/// A top-level URL folder whose files live outside the site root, as a web server's virtual
/// directory: with {"files", "/data/files"}, "/files/a.png" is /data/files/a.png.
struct VirtualFolder {
  std::string name;              // one URL segment, compared exactly
  std::filesystem::path folder;  // absolute
};
using VirtualFolders = std::vector<VirtualFolder>;

/// The virtual folder a decoded first URL segment names; nothing for the site root's own.
inline const VirtualFolder* FindVirtualFolder(const VirtualFolders& folders,
                                              std::string_view first_segment) {
  for (const VirtualFolder& v : folders)
    if (v.name == first_segment) return &v;
  return nullptr;
}

/// The file under site_root that a virtual path names: "/a/b" from the root, "b" from
/// base_folder (a virtual folder such as "/admin"). The path is percent-decoded once, then
/// "." and ".." are applied lexically, then symbolic links of the part that exists are
/// followed. Nothing when the result would leave the root, or the path holds a backslash,
/// a NUL byte or a drive prefix ("C:"). A path whose first segment (after "." and "..")
/// names one of virtual_folders is confined to that folder instead.
std::optional<std::filesystem::path> ResolveSitePath(const std::filesystem::path& site_root,
                                                     std::string_view virtual_path,
                                                     std::string_view base_folder = "/",
                                                     const VirtualFolders& virtual_folders = {});

/// Whether path is folder or below it, comparing whole components as written (callers pass
/// both in the same normal form).
bool PathIsWithin(const std::filesystem::path& path, const std::filesystem::path& folder);

}  // namespace korvex::host
