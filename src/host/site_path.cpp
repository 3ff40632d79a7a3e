// Virtual path to file path, confined to the site root both lexically and through symbolic
// links, before any file is opened.
#include "host/site_path.h"

#include <string>
#include <system_error>
#include <vector>

#include "host/encoding.h"

namespace korvex::host {

namespace fs = std::filesystem;

namespace {

bool HasDrivePrefix(std::string_view path) {
  return path.size() >= 2 && path[1] == ':' &&
         ((path[0] >= 'a' && path[0] <= 'z') || (path[0] >= 'A' && path[0] <= 'Z'));
}

/// Applies "." and ".." to the slash-separated segments; nothing when ".." climbs past the top.
std::optional<std::vector<std::string>> NormalSegments(std::string_view path) {
  std::vector<std::string> segments;
  while (!path.empty()) {
    size_t slash = path.find('/');
    std::string_view segment = path.substr(0, slash);
    path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
    if (segment.empty() || segment == ".") continue;
    if (segment == "..") {
      if (segments.empty()) return std::nullopt;
      segments.pop_back();
    } else {
      segments.emplace_back(segment);
    }
  }
  return segments;
}

/// Where an existing entry really is. A link whose target does not exist is followed by
/// hand: weakly_canonical would keep the link's own name, yet creating a file through it
/// writes at the target.
std::optional<fs::path> FollowLinks(fs::path path) {
  for (int hops = 0; hops < 40; ++hops) {
    std::error_code ec;
    if (fs::symlink_status(path, ec).type() != fs::file_type::symlink)
      return ec ? std::nullopt : std::optional(path);
    fs::path target = fs::read_symlink(path, ec);
    if (ec) return std::nullopt;
    path = fs::weakly_canonical(target.is_absolute() ? target : path.parent_path() / target, ec);
    if (ec) return std::nullopt;
  }
  return std::nullopt;  // a loop of links
}

/// The real place of root/segments: links followed for every segment that exists, the rest
/// appended as named.
std::optional<fs::path> RealPlace(const fs::path& real_root,
                                  const std::vector<std::string>& segments) {
  fs::path current = real_root;
  bool existing = true;
  for (const std::string& segment : segments) {
    fs::path next = current / segment;
    std::error_code ec;
    existing = existing && fs::symlink_status(next, ec).type() != fs::file_type::not_found;
    if (existing) {
      std::optional<fs::path> real = FollowLinks(next);
      if (!real) return std::nullopt;
      next = *real;
    }
    current = next;
  }
  return current;
}

}  // namespace

std::optional<fs::path> ResolveSitePath(const fs::path& site_root, std::string_view virtual_path,
                                        std::string_view base_folder,
                                        const VirtualFolders& virtual_folders) {
  std::string decoded = PercentDecode(virtual_path);
  if (decoded.find('\\') != std::string::npos || decoded.find('\0') != std::string::npos ||
      HasDrivePrefix(decoded))
    return std::nullopt;
  std::string combined = decoded;
  if (decoded.empty() || decoded.front() != '/')
    combined = std::string(base_folder) + "/" + decoded;
  std::optional<std::vector<std::string>> segments = NormalSegments(combined);
  if (!segments) return std::nullopt;
  fs::path root = site_root;
  if (!segments->empty()) {
    if (const VirtualFolder* v = FindVirtualFolder(virtual_folders, segments->front())) {
      root = v->folder;
      segments->erase(segments->begin());
    }
  }

  // The root itself (every connection of a page asks for "/"): nothing below it to follow.
  if (segments->empty()) return root;

  std::error_code ec;
  fs::path real_root = fs::weakly_canonical(root, ec);
  if (ec) return std::nullopt;
  std::optional<fs::path> real = RealPlace(real_root, *segments);
  if (!real || !PathIsWithin(*real, real_root)) return std::nullopt;

  fs::path result = root;
  for (const std::string& segment : *segments) result /= segment;
  return result;
}

bool PathIsWithin(const fs::path& path, const fs::path& folder) {
  auto p = path.begin();
  for (auto f = folder.begin(); f != folder.end(); ++f, ++p) {
    if (f->empty()) break;  // the trailing "" of a folder written with a final slash
    if (p == path.end() || *p != *f) return false;
  }
  return true;
}

}  // namespace korvex::host
