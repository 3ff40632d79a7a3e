// `korvex serve`: reads the options, refuses unsafe combinations (a non-loopback address
// without a password), settles what is served (a folder of pages, or the built-in
// administration site on a named database or on the demo database), then runs the HTTP
// server with the page engine and an in-memory session store until SIGINT or SIGTERM.
#include "app/serve_command.h"

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "app/served_site.h"
#include "app/site_options.h"
#include "host/http/forwarded.h"
#include "host/http/request_gate.h"
#include "host/http/server.h"

namespace korvex::app {

namespace {

constexpr int kUsageError = 2;

struct ServeOptions {
  SiteOptions site;
  host::http::ServerConfig server;
  std::optional<std::string> user, password;
  bool insecure = false;
};

// The shared options and serve's own. Throws std::invalid_argument with the message to print.
ServeOptions ParseOptions(int argc, char** argv) {
  ServeOptions o;
  o.site = ParseSiteOptions(argc, argv, [&o](OptionArg& arg) {
    const std::string_view name = arg.name();
    if (name == "--insecure") {
      o.insecure = arg.Flag();
    } else if (name == "--bind") {
      o.server.address = arg.Value();
    } else if (name == "--port") {
      std::string_view v = arg.Value();
      if (!ParseNumber<uint16_t>(v, 0, 65535, o.server.port)) throw arg.Bad(v, "a port 0 to 65535");
    } else if (name == "--read-timeout") {
      std::string_view v = arg.Value();
      unsigned seconds = 0;
      if (!ParseNumber<unsigned>(v, 1, 3600, seconds)) throw arg.Bad(v, "1 to 3600 seconds");
      o.server.read_timeout = std::chrono::seconds(seconds);
    } else if (name == "--trusted-proxy") {
      o.server.trusted_proxies.emplace_back(arg.Value());
    } else if (name == "--user") {
      o.user = std::string(arg.Value());
    } else if (name == "--password") {
      o.password = std::string(arg.Value());
    } else {
      return false;
    }
    return true;
  });
  host::http::TrustedProxies{o.server.trusted_proxies};  // a wrong address is a usage error
  o.server.workers = o.site.workers;
  o.server.max_body = o.site.max_body;
  o.server.host_names = o.site.host_names;
  o.server.allowed_origins = o.site.allowed_origins;
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
  --threads N          worker threads running requests (default: the processor cores for the
                       built-in site on a SQLite file with sessions in memory, twice the cores
                       otherwise).
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
    if (options.site.help) {
      std::fputs(ServeUsage(), stdout);
      return 0;
    }
    CheckAccess(options);
  } catch (const std::invalid_argument& e) {
    std::fprintf(stderr, "korvex serve: %s (see korvex serve --help)\n", e.what());
    return kUsageError;
  }
  if (options.server.workers == 0) options.server.workers = DefaultWorkers(options.site);

  host::http::AccessLog log;
  std::optional<ServedSite> opened = OpenSite(options.site, log, "serve");
  if (!opened) return 1;
  const ServedSite& site = *opened;
  options.server.site_root = site.root;
  options.server.virtual_folders = site.virtual_folders;

  std::unique_ptr<SitePages> pages = OpenPages(options.site, site, "serve");
  if (!pages) return 1;
  options.server.page_handler = [&](const host::RequestData& request) {
    return pages->Serve(request);
  };

  try {
    const unsigned workers = options.server.workers;
    const bool insecure = options.insecure && !options.server.credentials &&
                          !host::http::IsLoopbackAddress(options.server.address);
    host::http::Server server(options.server, log);
    log.Note("korvex: serving " + site.description + " on " +
             Url(options.server.address, server.port()) + " with " + std::to_string(workers) +
             " worker threads, sessions " + pages->sessions_description() +
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
