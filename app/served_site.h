// What `korvex serve` and `korvex fastcgi` serve, settled from the shared options: a folder of
// pages, or the built-in administration site on a named database or on the demo database; and
// the page engine both run it with (one compiled-page cache, one session store).
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/session_choice.h"
#include "app/site_options.h"
#include "host/http/access_log.h"
#include "host/page_host.h"
#include "host/request_data.h"
#include "host/session_store.h"
#include "host/site_path.h"
#include "script/script_page_runner.h"

namespace korvex::app {

struct ServedSite {
  std::filesystem::path root;
  host::VirtualFolders virtual_folders;
  std::string description;  // for the start line
  std::string link_secret;  // what its pages sign their links with
};

/// The site the options name, with the HTML editor's support files beside it. Registers the
/// built-in site's classes when it is the one served (RegisterAllClasses comes first). Throws
/// std::runtime_error saying what is wrong (no database, no folder, a database that will not
/// open). Notes go to the log.
ServedSite SettleSite(const SiteOptions& options, host::http::AccessLog& log);

/// Every class registered, then SettleSite; on failure "korvex COMMAND: why" goes to standard
/// error and nothing is returned.
std::optional<ServedSite> OpenSite(const SiteOptions& options, host::http::AccessLog& log,
                                   std::string_view command);

class SitePages;
/// The site's page engine; on failure (the session store's database) "korvex COMMAND: why"
/// goes to standard error and nothing is returned.
std::unique_ptr<SitePages> OpenPages(const SiteOptions& options, const ServedSite& site,
                                     std::string_view command);

/// Runs the site's pages; called from several workers at once.
class SitePages {
 public:
  /// Opens the session store the options choose (memory, or a PostgreSQL table shared by
  /// every instance on it). Throws std::runtime_error when that database cannot be reached.
  SitePages(const SiteOptions& options, const ServedSite& site);

  host::ResponseData Serve(const host::RequestData& request);
  /// Where the sessions are kept, for the start line.
  const std::string& sessions_description() const { return sessions_.description; }

 private:
  SessionChoice sessions_;
  script::ScriptPageRunner runner_;
  host::PageHostConfig config_;
};

}  // namespace korvex::app
