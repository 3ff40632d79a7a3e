// `korvex serve`: reads the options, refuses unsafe combinations (a non-loopback address
// without a password), settles what is served (a folder of pages, or the built-in
// administration site on a named database or on the demo database), then runs the HTTP
// server with the page engine and an in-memory session store until SIGINT or SIGTERM.
#include "app/serve_command.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>

#include "app/builtin_site.h"
#include "app/editor_files.h"
#include "app/session_choice.h"
#include "core/automation_error.h"
#include "demo_database.h"
#include "host/http/forwarded.h"
#include "host/http/request_gate.h"
#include "host/http/server.h"
#include "host/page_host.h"
#include "host/session_store.h"
#include "host/site_secret.h"
#include "host/state_dir.h"
#include "korvex.h"
#include "script/script_page_runner.h"

namespace korvex::app {

namespace {

namespace fs = std::filesystem;

constexpr int kUsageError = 2;

struct ServeOptions {
  host::http::ServerConfig server;
  std::optional<std::string> root, database, connection;
  std::optional<std::string> user, password;
  bool insecure = false;
  bool help = false;
  size_t max_sessions = host::MemorySessionStore::kDefaultMaxSessions;
  std::string sessions = "memory";
};

template <class T>
bool ParseNumber(std::string_view text, T min, T max, T& out) {
  T value{};
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < min || value > max) {
    return false;
  }
  out = value;
  return true;
}

// "--name value" and "--name=value". Throws std::invalid_argument with the message to print.
ServeOptions ParseOptions(int argc, char** argv) {
  ServeOptions o;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    std::string_view name = arg;
    std::optional<std::string_view> inline_value;
    if (size_t eq = arg.find('='); arg.starts_with("--") && eq != std::string_view::npos) {
      name = arg.substr(0, eq);
      inline_value = arg.substr(eq + 1);
    }
    auto value = [&]() -> std::string_view {
      if (inline_value) return *inline_value;
      if (i + 1 >= argc) throw std::invalid_argument(std::string(name) + " needs a value");
      return argv[++i];
    };
    auto bad = [&](std::string_view v, std::string_view what) {
      return std::invalid_argument(std::string(name) + ": " + std::string(what) + ", not \"" +
                                   std::string(v) + "\"");
    };
    auto flag = [&] {
      if (inline_value) throw std::invalid_argument(std::string(name) + " takes no value");
      return true;
    };

    if (name == "--help" || name == "-h") {
      o.help = flag();
    } else if (name == "--insecure") {
      o.insecure = flag();
    } else if (name == "--bind") {
      o.server.address = value();
    } else if (name == "--port") {
      std::string_view v = value();
      if (!ParseNumber<uint16_t>(v, 0, 65535, o.server.port)) throw bad(v, "a port 0 to 65535");
    } else if (name == "--root") {
      o.root = std::string(value());
    } else if (name == "--db") {
      o.database = std::string(value());
    } else if (name == "--connection") {
      o.connection = std::string(value());
    } else if (name == "--threads") {
      std::string_view v = value();
      if (!ParseNumber<unsigned>(v, 1, 1024, o.server.workers)) throw bad(v, "1 to 1024 threads");
    } else if (name == "--max-body") {
      std::string_view v = value();
      if (!ParseNumber<uint64_t>(v, 1, uint64_t{1} << 40, o.server.max_body)) {
        throw bad(v, "a size in bytes");
      }
    } else if (name == "--read-timeout") {
      std::string_view v = value();
      unsigned seconds = 0;
      if (!ParseNumber<unsigned>(v, 1, 3600, seconds)) throw bad(v, "1 to 3600 seconds");
      o.server.read_timeout = std::chrono::seconds(seconds);
    } else if (name == "--max-sessions") {
      std::string_view v = value();
      if (!ParseNumber<size_t>(v, 1, 10'000'000, o.max_sessions)) {
        throw bad(v, "1 to 10000000 sessions");
      }
    } else if (name == "--sessions") {
      std::string v(value());
      if (!IsSessionsOption(v))
        throw bad(v, "\"memory\", a postgresql:// URI or a Provider=PostgreSQL connection string");
      o.sessions = std::move(v);
    } else if (name == "--trusted-proxy") {
      o.server.trusted_proxies.emplace_back(value());
    } else if (name == "--user") {
      o.user = std::string(value());
    } else if (name == "--password") {
      o.password = std::string(value());
    } else if (name == "--host") {
      o.server.host_names.emplace_back(value());
    } else if (name == "--allow-origin") {
      o.server.allowed_origins.emplace_back(value());
    } else {
      throw std::invalid_argument("unknown option " + std::string(arg));
    }
  }
  if (o.database && o.connection)
    throw std::invalid_argument("--db and --connection both name the database: give one");
  if (o.root && (o.database || o.connection)) {
    throw std::invalid_argument(
        "--root serves pages of your own, which name their database themselves; --db and "
        "--connection are for the built-in site");
  }
  for (const auto* given : {&o.root, &o.database, &o.connection})
    if (*given && (*given)->empty()) throw std::invalid_argument("an option's value is empty");
  // Checked here, so a mistyped name is a usage error rather than a failure at start.
  host::http::RequestGate(o.server.host_names, o.server.allowed_origins, true);
  host::http::TrustedProxies{o.server.trusted_proxies};
  return o;
}

std::optional<std::string> FromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

// Settles authentication from the options and the environment, and refuses to expose the
// site beyond this machine without it. Throws std::invalid_argument.
void CheckAccess(ServeOptions& o) {
  if (!o.user) o.user = FromEnvironment("KORVEX_USER");
  if (!o.password) o.password = FromEnvironment("KORVEX_PASSWORD");
  if (o.user.has_value() != o.password.has_value()) {
    throw std::invalid_argument(
        "--user and --password (or KORVEX_USER and KORVEX_PASSWORD) go together");
  }
  if (o.user) {
    if (o.user->empty() || o.user->find(':') != std::string::npos) {
      throw std::invalid_argument("the user name must be non-empty and without \":\"");
    }
    if (o.password->empty()) throw std::invalid_argument("the password must not be empty");
    o.server.credentials = host::http::BasicCredentials{*o.user, *o.password};
  }
  if (!host::http::IsLoopbackAddress(o.server.address) && !o.server.credentials && !o.insecure) {
    throw std::invalid_argument(
        "refusing to listen on " + o.server.address +
        " without authentication: give --user and --password (or KORVEX_USER and "
        "KORVEX_PASSWORD), or --insecure to allow it");
  }
}

// What the server serves, as settled from the options.
struct ServedSite {
  fs::path root;
  host::VirtualFolders virtual_folders;
  std::string description;  // for the start line
  std::string link_secret;  // what its pages sign their links with
};

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
ServedSite BuiltInSite(const ServeOptions& o, host::http::AccessLog& log) {
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

std::string Url(const std::string& address, uint16_t port) {
  bool v6 = address.find(':') != std::string::npos;
  return "http://" + (v6 ? "[" + address + "]" : address) + ":" + std::to_string(port) + "/";
}

}  // namespace

const char* ServeUsage() {
  return R"(Usage: korvex serve [options]

Serves over HTTP/1.1, by default on http://127.0.0.1:8080/, one of:

  the built-in administration site of a database: a home page listing its tables and, for
  each table, its editing list, search form, add form and report. With neither --db nor
  --connection it is the demo shop database: korvex-demo.db in the current folder, created
  with a files/ folder of sample images on the first run (served under /files/) and reused
  afterwards, so changes survive a restart.

  a folder of pages of your own (--root): *.ksp pages run through the page engine, every
  other file under the folder is sent as it is (with its Content-Type and Last-Modified).
  Nothing outside the folder is ever served.

Options:
  --db FILE            the SQLite database file for the built-in site (it must exist).
  --connection STRING  the connection string of the built-in site's database instead, as a
                       page would give it ("Provider=SQLite;Data Source=FILE", or
                       "Provider=PostgreSQL;..."). It stays in the server: pages never see
                       it in a URL.
  --root DIR           serve this folder of pages instead of the built-in site.
  --bind ADDR          the IP address to listen on (default 127.0.0.1). An address other
                       than loopback needs --user and --password, or --insecure.
  --port N             the TCP port (default 8080). 0 picks a free port; the start line on
                       standard error shows which.
  --threads N          worker threads running requests (default: twice the processor cores).
  --max-body BYTES     the largest request body accepted (default 67108864, 64 MiB); a
                       larger one is answered 413. Request headers are limited to 16 KiB (431).
  --read-timeout SECS  time allowed to receive one request, and to keep an idle connection
                       open (default 30).
  --max-sessions N     the most sessions kept (default 10000); when full, the one idle
                       longest is dropped for a new one.
  --sessions WHERE     where sessions are kept: "memory" (the default: this process only), or
                       a PostgreSQL database, as a "postgresql://" URI or a connection string
                       "Provider=PostgreSQL;..." (the site's own --connection string works).
                       Every instance naming the same database shares the sessions (table
                       korvex_sessions, created on first use), and they survive a restart.
  --trusted-proxy ADDR the IP address of a reverse proxy in front of this server
                       (repeatable). For requests from it, X-Forwarded-For gives the visitor's
                       address, X-Forwarded-Proto the scheme (https marks the session cookie
                       Secure) and X-Forwarded-Host the host name the Host and Origin checks
                       see. These headers are ignored from any other address.
  --user NAME          require HTTP Basic authentication with this user name (default: the
                       environment variable KORVEX_USER).
  --password TEXT      ... and this password (default: KORVEX_PASSWORD). Prefer the
                       environment variable: a command line is visible to other users.
  --insecure           allow a non-loopback address without authentication.
  --host NAME          answer requests whose Host header names NAME (a host name or IP
                       address without port; repeatable). localhost, 127.x.x.x and [::1] are
                       always answered. Without --host, any name is answered when a password
                       is set, and only those loopback names without one, so that a site
                       whose name is made to resolve to this machine cannot reach it. Other
                       names are answered 421 Misdirected Request.
  --allow-origin ORIGIN
                       let the pages of ORIGIN ("https://admin.example.org") send forms here
                       (repeatable). A request other than GET and HEAD whose Origin header
                       (else Referer) names another origin than its own, http://<Host>, is
                       refused with 403 and changes nothing; one with neither header (not
                       from a browser page) is served.
  --help               show this text.

The built-in site's pages are written to a folder of the state directory (KORVEX_STATE_DIR,
else $XDG_STATE_HOME/korvex, ~/.local/state/korvex or /tmp/korvex-<uid>, the first not inside
the site) and served from there; so are the HTML editor's support files, at
/KorVex/HTML_Editor/ (its default WorkingPath) unless the site has a KorVex folder of its own.
A table's report uses the template generated there (report-templates/) on its first report;
edit it to change the report. The SQL text a search result's page links carry is signed
with the site's secret, made on first use in the state directory (link-secrets/).
Sessions: cookie KORVEXSESSIONID, HttpOnly, SameSite=Lax, 20 minutes idle.
A URL going on after a page's or a file's name ("/table.ksp/x") is answered 404. Every answer
carries X-Content-Type-Options: nosniff, Referrer-Policy: same-origin and
Content-Security-Policy: frame-ancestors 'self'.
One line per request goes to standard error: time, client, method, path, status, bytes sent,
milliseconds, and for a request refused for its Host, Origin or Referer that header and its
value. SIGINT or SIGTERM stops the server once the requests in progress are answered; a second
signal ends it at once.
Exit status: 0 once stopped by a signal, 1 when it cannot start (the database, the site folder
or the address), 2 for a mistake in the options.
)";
}

int ServeCommand(int argc, char** argv) {
  ServeOptions options;
  try {
    options = ParseOptions(argc, argv);
    if (options.help) {
      std::fputs(ServeUsage(), stdout);
      return 0;
    }
    CheckAccess(options);
  } catch (const std::invalid_argument& e) {
    std::fprintf(stderr, "korvex serve: %s (see korvex serve --help)\n", e.what());
    return kUsageError;
  }
  if (options.server.workers == 0) {
    options.server.workers = 2 * std::max(1u, std::thread::hardware_concurrency());
  }

  host::http::AccessLog log;
  RegisterAllClasses();
  ServedSite site;
  try {
    site = options.root ? PageFolder(*options.root, log) : BuiltInSite(options, log);
    AddEditorFiles(site, log);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "korvex serve: %s\n", e.what());
    return 1;
  }
  options.server.site_root = site.root;
  options.server.virtual_folders = site.virtual_folders;

  SessionChoice sessions;
  try {
    sessions = OpenSessions(options.sessions, options.max_sessions);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "korvex serve: %s\n", e.what());
    return 1;
  }
  script::ScriptPageRunner runner;
  host::PageHostConfig pages;
  pages.site_root = site.root;
  pages.virtual_folders = site.virtual_folders;
  pages.sessions = sessions.store.get();
  pages.site_secret = site.link_secret;
  options.server.page_handler = [&](const host::RequestData& request) {
    return host::ServePage(request, pages, runner);
  };

  try {
    const unsigned workers = options.server.workers;
    const bool insecure = options.insecure && !options.server.credentials &&
                          !host::http::IsLoopbackAddress(options.server.address);
    host::http::Server server(options.server, log);
    log.Note("korvex: serving " + site.description + " on " +
             Url(options.server.address, server.port()) + " with " + std::to_string(workers) +
             " worker threads, sessions " + sessions.description +
             (options.server.credentials ? ", Basic authentication" : "") +
             (insecure ? ", WITHOUT authentication (--insecure)" : ""));
    if (insecure && options.server.host_names.empty()) {
      log.Note(
          "korvex: without a password only the Host names localhost, 127.x.x.x and [::1] "
          "are answered; give --host NAME for the names clients use");
    }
    server.Run();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "korvex serve: %s\n", e.what());
    return 1;
  }
  log.Note("korvex: stopped");
  return 0;
}

}  // namespace korvex::app
