// `korvex fastcgi`: reads the shared options and where to listen, settles what is served as
// `korvex serve` does, then answers the web server's FastCGI requests with the same page engine
// and session store until SIGINT or SIGTERM.
#include "app/fastcgi_command.h"

#include <cstdio>
#include <stdexcept>
#include <string>
#include <string_view>

#include "app/served_site.h"
#include "app/site_options.h"
#include "host/fastcgi/fastcgi_server.h"

namespace korvex::app {

namespace {

constexpr int kUsageError = 2;

constexpr const char* kUsage =
    R"(Usage: korvex fastcgi (--socket PATH | --listen ADDRESS:PORT) [options]

Answers the FastCGI requests of a web server in front (nginx, Apache, lighttpd), for one of:

  the built-in administration site of a database (--db, --connection; with neither, the demo
  shop database korvex-demo.db in the current folder, created on the first run).

  a folder of pages of your own (--root).

Only pages (*.ksp) are answered. The web server sends every other file itself: the start
lines name the folders it is to send them from (the site's folder, and those of /files/ and
/KorVex/ where served). A request for a file that is no page is answered 404.
A working nginx configuration to start from: nginx-fastcgi.conf, in the examples of korvex's
documentation (/usr/share/doc/korvex/examples with the Debian package; deploy/ in the source).

The page is found from SCRIPT_NAME (and PATH_INFO) under the served folder, as korvex serve
finds it from the URL: SCRIPT_FILENAME and DOCUMENT_ROOT are not used, and nothing outside the
folder is run. A URL going on after a page's name is answered 404.

Where to listen (one of the two):
  --socket PATH        a Unix socket, made with mode 0660: run korvex in the web server's
                       group (or give the web server korvex's). A stale socket left by an
                       earlier run is replaced; one a server answers on is not.
  --listen ADDR:PORT   a TCP port on a loopback address (127.0.0.1:9000, [::1]:9000): FastCGI
                       has no authentication of its own. Port 0 picks a free one.

Options:
  --db FILE            the SQLite database file for the built-in site (it must exist).
  --connection STRING  the built-in site's connection string instead.
  --root DIR           serve this folder of pages instead of the built-in site.
  --threads N          worker threads, each answering one request at a time (default: the
                       processor cores for the built-in site on a SQLite file with sessions in
                       memory, twice the cores otherwise).
  --max-body BYTES     the largest request body accepted (default 67108864, 64 MiB); a larger
                       CONTENT_LENGTH is answered 413 before the body is read. Set the web
                       server's own limit (nginx client_max_body_size) at least as high.
  --max-sessions N     the most sessions kept (default 10000).
  --sessions WHERE     where sessions are kept: "memory" (the default: this process only), or
                       a PostgreSQL database, as a "postgresql://" URI or a connection string
                       "Provider=PostgreSQL;..." (the site's own --connection string works).
                       Every instance naming the same database shares the sessions (table
                       korvex_sessions, created on first use), and they survive a restart.
  --host NAME          answer requests whose HTTP_HOST names NAME (repeatable); localhost,
                       127.x.x.x and [::1] always are. Other names are answered 421.
  --allow-origin ORIGIN
                       let the pages of ORIGIN send forms here (repeatable). A request other
                       than GET and HEAD whose Origin (else Referer) names another origin than
                       its own (http or, with HTTPS=on or REQUEST_SCHEME=https, https://<Host>)
                       is answered 403 and changes nothing.
  --help               show this text.

Pages, their link secret, the state directory and sessions (in memory, cookie KORVEXSESSIONID)
are as under korvex serve: see korvex serve --help. Answers carry X-Content-Type-Options:
nosniff, Referrer-Policy: same-origin and Content-Security-Policy: frame-ancestors 'self'.
One line per request goes to standard error, as korvex serve writes it. SIGINT or SIGTERM
stops once the requests in progress are answered; a second signal ends it at once.
Exit status: 0 once stopped by a signal, 1 when it cannot start (the database, the site folder
or the socket), 2 for a mistake in the options.
)";

struct FastCgiOptions {
  SiteOptions site;
  std::string socket_path, listen;
};

FastCgiOptions ParseOptions(int argc, char** argv) {
  FastCgiOptions o;
  o.site = ParseSiteOptions(argc, argv, [&o](OptionArg& arg) {
    if (arg.name() == "--socket") {
      o.socket_path = arg.Value();
      if (o.socket_path.empty()) throw arg.Bad(o.socket_path, "a socket path");
    } else if (arg.name() == "--listen") {
      o.listen = arg.Value();
      if (o.listen.empty()) throw arg.Bad(o.listen, "an address and port");
    } else {
      return false;
    }
    return true;
  });
  if (!o.site.help && o.socket_path.empty() == o.listen.empty())
    throw std::invalid_argument("give one of --socket PATH and --listen ADDRESS:PORT");
  return o;
}

}  // namespace

int FastCgiCommand(int argc, char** argv) {
  FastCgiOptions options;
  try {
    options = ParseOptions(argc, argv);
    if (options.site.help) {
      std::fputs(kUsage, stdout);
      return 0;
    }
  } catch (const std::invalid_argument& e) {
    std::fprintf(stderr, "korvex fastcgi: %s (see korvex fastcgi --help)\n", e.what());
    return kUsageError;
  }

  host::http::AccessLog log;
  std::optional<ServedSite> opened = OpenSite(options.site, log, "fastcgi");
  if (!opened) return 1;
  const ServedSite& site = *opened;
  std::unique_ptr<SitePages> pages = OpenPages(options.site, site, "fastcgi");
  if (!pages) return 1;

  host::fastcgi::FastCgiConfig config;
  config.socket_path = options.socket_path;
  config.listen = options.listen;
  config.site_root = site.root;
  config.virtual_folders = site.virtual_folders;
  config.workers = options.site.workers ? options.site.workers : DefaultWorkers(options.site);
  config.max_body = options.site.max_body;
  config.host_names = options.site.host_names;
  config.allowed_origins = options.site.allowed_origins;
  config.page_handler = [&pages](const host::RequestData& request) {
    return pages->Serve(request);
  };
  try {
    const unsigned workers = config.workers;
    host::fastcgi::FastCgiServer server(std::move(config), log);
    log.Note("korvex: serving " + site.description + " over FastCGI on " + server.Endpoint() +
             " with " + std::to_string(workers) + " worker threads, sessions " +
             pages->sessions_description());
    log.Note("korvex: the web server sends the site's other files from " + site.root.string());
    for (const host::VirtualFolder& folder : site.virtual_folders)
      log.Note("korvex: ... and /" + folder.name + "/ from " + folder.folder.string());
    server.Run();
  } catch (const std::invalid_argument& e) {
    std::fprintf(stderr, "korvex fastcgi: %s (see korvex fastcgi --help)\n", e.what());
    return kUsageError;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "korvex fastcgi: %s\n", e.what());
    return 1;
  }
  log.Note("korvex: stopped");
  return 0;
}

}  // namespace korvex::app
