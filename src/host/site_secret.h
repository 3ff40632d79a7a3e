// The secret a site signs its links with, kept in the host's state folder (never inside the
// site, where it could be downloaded), and the system's secure random source it is made from.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace korvex::host {

/// count bytes from the system's secure random source (getrandom). Throws std::system_error.
std::string RandomBytes(size_t count);

/// The 32-byte secret of the site named site (a site root's path, or a fixed name), kept in
/// state_dir/link-secrets/: read when it exists, otherwise made and kept (mode 0600), so
/// every process serving the site, now and after a restart, signs alike. Two processes
/// making it at once agree on the one written first. Throws std::runtime_error when the file
/// cannot be had, or holds anything but 32 bytes.
std::string SiteSecret(const std::filesystem::path& state_dir, std::string_view site);

}  // namespace korvex::host
