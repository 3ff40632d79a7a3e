// The folder where a host keeps its state between processes (the session file): named by
// KORVEX_STATE_DIR, else a per-user default that is never inside the site.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace korvex::host {

/// Looks up one environment variable; nothing when it is unset.
using EnvironmentLookup = std::function<std::optional<std::string>(std::string_view)>;
/// The process environment (getenv).
EnvironmentLookup ProcessEnvironment();

/// KORVEX_STATE_DIR when set; else $XDG_STATE_HOME/korvex, $HOME/.local/state/korvex or
/// /tmp/korvex-<uid>, the first that is not inside site_root. The folder is created with
/// mode 0700 and must be a real folder owned by this user. Throws std::runtime_error when
/// that cannot be had, or when KORVEX_STATE_DIR names a folder inside the site (its files
/// would be downloadable).
std::filesystem::path StateDirectory(const EnvironmentLookup& env,
                                     const std::optional<std::filesystem::path>& site_root);

}  // namespace korvex::host
