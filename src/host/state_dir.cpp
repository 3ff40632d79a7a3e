// Choosing and preparing the state folder. The default skips any candidate inside the site
// root: a web server's user often has its home at or above the document root.
#include "host/state_dir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "host/site_path.h"

namespace korvex::host {

namespace fs = std::filesystem;

namespace {

bool IsInside(const fs::path& path, const std::optional<fs::path>& root) {
  if (!root) return false;
  std::error_code ec;
  return PathIsWithin(fs::weakly_canonical(path, ec), fs::weakly_canonical(*root, ec));
}

std::optional<fs::path> AbsoluteVariable(const EnvironmentLookup& env, std::string_view name) {
  std::optional<std::string> value = env(name);
  if (!value || value->empty() || (*value)[0] != '/') return std::nullopt;
  return fs::path(*value);
}

/// Creates the folder (parents with the default mode), then insists on a real folder of
/// ours with no access for others: /tmp is shared, and a folder planted there by someone
/// else, or a link, must not be used.
void PrepareFolder(const fs::path& folder) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec)
    throw std::runtime_error("cannot create state folder " + folder.string() + ": " + ec.message());
  struct stat st;
  if (lstat(folder.c_str(), &st) != 0)
    throw std::runtime_error("cannot read state folder " + folder.string() + ": " +
                             std::strerror(errno));
  if (!S_ISDIR(st.st_mode) || st.st_uid != geteuid())
    throw std::runtime_error("state folder " + folder.string() +
                             " is not a folder owned by this user");
  if ((st.st_mode & 0777) != 0700 && chmod(folder.c_str(), 0700) != 0)
    throw std::runtime_error("cannot make state folder " + folder.string() +
                             " private: " + std::strerror(errno));
}

}  // namespace

EnvironmentLookup ProcessEnvironment() {
  return [](std::string_view name) -> std::optional<std::string> {
    const char* value = std::getenv(std::string(name).c_str());
    if (!value) return std::nullopt;
    return std::string(value);
  };
}

fs::path StateDirectory(const EnvironmentLookup& env, const std::optional<fs::path>& site_root) {
  if (std::optional<std::string> chosen = env("KORVEX_STATE_DIR"); chosen && !chosen->empty()) {
    fs::path folder = fs::absolute(*chosen);
    if (IsInside(folder, site_root))
      throw std::runtime_error("KORVEX_STATE_DIR " + folder.string() +
                               " is inside the site root; choose a folder outside it");
    PrepareFolder(folder);
    return folder;
  }
  std::vector<fs::path> candidates;
  if (auto xdg = AbsoluteVariable(env, "XDG_STATE_HOME")) candidates.push_back(*xdg / "korvex");
  if (auto home = AbsoluteVariable(env, "HOME"))
    candidates.push_back(*home / ".local" / "state" / "korvex");
  candidates.push_back(fs::path("/tmp") / ("korvex-" + std::to_string(geteuid())));
  // A home the server's user cannot write to is common; the next candidate serves then.
  std::string failures;
  for (const fs::path& folder : candidates) {
    if (IsInside(folder, site_root)) continue;
    try {
      PrepareFolder(folder);
      return folder;
    } catch (const std::runtime_error& e) {
      failures += std::string(failures.empty() ? "" : "; ") + e.what();
    }
  }
  throw std::runtime_error("no usable state folder outside the site root (" + failures +
                           "); set KORVEX_STATE_DIR");
}

}  // namespace korvex::host
