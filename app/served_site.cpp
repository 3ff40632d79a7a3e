// Settling what is served (the shared part of `korvex serve` and `korvex fastcgi`), and the
// page engine with its session store.
#include "app/served_site.h"

#include <cstdio>
#include <exception>
#include <stdexcept>

#include "app/builtin_site.h"
#include "app/editor_files.h"
#include "core/automation_error.h"
#include "demo_database.h"
#include "host/site_secret.h"
#include "host/state_dir.h"
#include "korvex.h"

namespace korvex::app {

namespace {

namespace fs = std::filesystem;

// The demo shop in the working folder, created on the first run and reused afterwards, with
// its sample images served under /files/ and named by the products' Image column, and the
// products' LongDescription edited as HTML.
std::string OpenDemo(ServedSite& site, SiteSettings& settings, host::http::AccessLog& log) {
  const fs::path folder = fs::current_path();
  const bool existed = fs::exists(folder / examples::kDemoDatabaseName);
  const fs::path database = examples::EnsureDemoDatabase(folder);
  log.Note((existed ? "korvex: using the demo database " : "korvex: created the demo database ") +
           database.string() +
           (existed ? "" : " and its sample images in " + (folder / "files").string()));
  site.virtual_folders.push_back({"files", folder / "files"});
  settings.files_path = "/files/";
  settings.file_fields = {{"Products", "Image"}};
  settings.html_fields = {{"Products", "LongDescription"}};
  return SqliteConnectionString(database);
}

// The built-in administration site: the database is checked at once (a wrong name or string
// fails here, not on the first page), then the pages are written out and their settings
// object registered. Throws std::runtime_error saying what is wrong.
ServedSite BuiltInSite(const SiteOptions& o, host::http::AccessLog& log) {
  ServedSite site;
  SiteSettings settings;
  if (o.database) {
    const fs::path database = fs::absolute(*o.database);
    if (!fs::is_regular_file(database))
      throw std::runtime_error("no database file " + database.string());
    settings.connection_string = SqliteConnectionString(database);
  } else if (o.connection) {
    settings.connection_string = *o.connection;
  } else {
    settings.connection_string = OpenDemo(site, settings, log);
  }
  settings.database_name = DatabaseNameOf(settings.connection_string);
  size_t tables = 0;
  try {
    tables = ListTables(settings.connection_string).size();
  } catch (const AutomationError& e) {
    throw std::runtime_error("cannot open the database " + settings.database_name + ": " +
                             e.description());
  }
  settings.state_dir = host::StateDirectory(host::ProcessEnvironment(), std::nullopt);
  site.root = WriteBuiltInSite(settings.state_dir);
  // One secret for the built-in site, whatever version of its pages is written out.
  site.link_secret = host::SiteSecret(settings.state_dir, "built-in site");
  site.description = "the administration site of " + settings.database_name + " (" +
                     std::to_string(tables) + (tables == 1 ? " table)" : " tables)");
  RegisterBuiltInSite(ClassRegistry::Global(), std::move(settings));
  return site;
}

// The HTML editor's support files at its default WorkingPath, unless the site has a folder of
// that name itself. A site of one's own is served without them rather than not at all when no
// state folder can be had for them.
void AddEditorFiles(ServedSite& site, host::http::AccessLog& log) {
  try {
    const host::VirtualFolder editor =
        EditorFilesFolder(host::StateDirectory(host::ProcessEnvironment(), site.root));
    if (!fs::exists(site.root / editor.name)) site.virtual_folders.push_back(editor);
  } catch (const std::exception& e) {
    log.Note(std::string("korvex: not serving the HTML editor's files: ") + e.what());
  }
}

// A folder of pages of one's own. Without a state folder its links are signed with a secret
// of this run only: they still work, until the server is restarted.
ServedSite PageFolder(const std::string& folder, host::http::AccessLog& log) {
  std::error_code ec;
  fs::path root = fs::canonical(folder, ec);
  if (ec || !fs::is_directory(root)) throw std::runtime_error("no site folder " + folder);
  ServedSite site{root, {}, root.string(), ""};
  try {
    site.link_secret =
        host::SiteSecret(host::StateDirectory(host::ProcessEnvironment(), root), root.string());
  } catch (const std::exception& e) {
    log.Note(std::string("korvex: the site's link secret is kept for this run only: ") + e.what());
  }
  return site;
}

}  // namespace

ServedSite SettleSite(const SiteOptions& options, host::http::AccessLog& log) {
  ServedSite site = options.root ? PageFolder(*options.root, log) : BuiltInSite(options, log);
  AddEditorFiles(site, log);
  return site;
}

std::optional<ServedSite> OpenSite(const SiteOptions& options, host::http::AccessLog& log,
                                   std::string_view command) {
  RegisterAllClasses();
  try {
    return SettleSite(options, log);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "korvex %.*s: %s\n", static_cast<int>(command.size()), command.data(),
                 e.what());
    return std::nullopt;
  }
}

std::unique_ptr<SitePages> OpenPages(const SiteOptions& options, const ServedSite& site,
                                     std::string_view command) {
  try {
    return std::make_unique<SitePages>(options, site);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "korvex %.*s: %s\n", static_cast<int>(command.size()), command.data(),
                 e.what());
    return nullptr;
  }
}

SitePages::SitePages(const SiteOptions& options, const ServedSite& site)
    : sessions_(OpenSessions(options.sessions, options.max_sessions)) {
  config_.site_root = site.root;
  config_.virtual_folders = site.virtual_folders;
  config_.sessions = sessions_.store.get();
  config_.site_secret = site.link_secret;
}

host::ResponseData SitePages::Serve(const host::RequestData& request) {
  return host::ServePage(request, config_, runner_);
}

}  // namespace korvex::app
