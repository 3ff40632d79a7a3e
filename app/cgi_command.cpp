// `korvex cgi`: every creatable class registered, then one request through the CGI adapter and
// the page engine: a page file the web server names, or a page of the built-in site when the
// environment names its database. Sessions live in the state folder's SQLite file
// (KORVEX_STATE_DIR).
#include "app/cgi_command.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>

#include "app/builtin_site.h"
#include "core/class_registry.h"
#include "host/cgi.h"
#include "host/site_secret.h"
#include "host/state_dir.h"
#include "korvex.h"
#include "script/script_page_runner.h"

namespace korvex::app {

namespace {

namespace fs = std::filesystem;

std::optional<std::string> Lookup(const host::CgiEnvironment& env, const char* name) {
  auto it = env.find(name);
  if (it == env.end()) return std::nullopt;
  return it->second;
}

// The visitor learns only that the site is not set up; the web server's error log (standard
// error) gets the reason, which may name folders of this machine.
host::ResponseData NotSetUp(const std::string& reason) {
  std::fprintf(stderr, "korvex cgi: %s\n", reason.c_str());
  host::ResponseData response;
  response.status = 500;
  response.status_text = std::string(host::ReasonPhrase(500));
  response.body =
      "<html><head><title>500 Internal Server Error</title></head><body><h1>Internal Server "
      "Error</h1><p>The administration site is not set up correctly.</p></body></html>\r\n";
  return response;
}

// The built-in administration site, when KORVEX_DB (an SQLite file) or KORVEX_CONNECTION names
// its database: the web server runs korvex cgi for every path of the host name, and the path
// (PATH_INFO, else SCRIPT_NAME) names one of the site's own files, "/" its home page. env is
// rewritten to name that page in the folder the site is written out to, as a web server names
// a page file; the site's stylesheet is answered here. Any other path is left naming no file,
// which the adapter answers 404, so nothing the request says ever reaches a file name.
// Returns the answer when there is nothing for the page engine to run.
std::optional<host::ResponseData> PrepareBuiltInSite(host::CgiEnvironment& env,
                                                     host::CgiOptions& options) {
  const std::optional<std::string> database = Lookup(env, "KORVEX_DB");
  const std::optional<std::string> connection = Lookup(env, "KORVEX_CONNECTION");
  if (!database && !connection) return std::nullopt;
  SiteSettings settings;
  if (database && connection)
    return NotSetUp("KORVEX_DB and KORVEX_CONNECTION both name the database: give one");
  if (database) {
    std::error_code ec;
    // SQLite would make an empty database of a mistyped name.
    if (database->empty() || !fs::is_regular_file(*database, ec))
      return NotSetUp("no database file \"" + *database + "\" (KORVEX_DB)");
    settings.connection_string = SqliteConnectionString(fs::absolute(*database));
  } else {
    if (connection->empty()) return NotSetUp("KORVEX_CONNECTION is empty");
    settings.connection_string = *connection;
  }
  settings.database_name = DatabaseNameOf(settings.connection_string);
  host::EnvironmentLookup lookup = [&env](std::string_view name) -> std::optional<std::string> {
    return Lookup(env, std::string(name).c_str());
  };
  fs::path folder;
  try {
    settings.state_dir = host::StateDirectory(lookup, std::nullopt);
    folder = WriteBuiltInSite(settings.state_dir);
    // The secret korvex serve signs the site's links with, so both can serve one state folder.
    options.site_secret = host::SiteSecret(settings.state_dir, "built-in site");
  } catch (const std::exception& e) {
    return NotSetUp(std::string("the built-in site cannot be written out: ") + e.what());
  }
  RegisterBuiltInSite(ClassRegistry::Global(), std::move(settings));

  std::string path = Lookup(env, "PATH_INFO").value_or("");
  if (path.empty()) path = Lookup(env, "SCRIPT_NAME").value_or("");
  const std::string name = path == "/" ? "index.ksp" : path.starts_with('/') ? path.substr(1) : "";
  const auto files = BuiltInSiteFiles();
  auto file = std::find_if(files.begin(), files.end(),
                           [&](const EmbeddedFile& f) { return !name.empty() && f.name == name; });
  if (file != files.end() && !name.ends_with(".ksp")) {
    host::ResponseData response;
    response.content_type = "text/css";
    response.body = std::string(file->text);
    return response;
  }
  env["SCRIPT_NAME"] = file == files.end() ? path : "/" + name;
  env["SCRIPT_FILENAME"] = file == files.end() ? "" : (folder / name).string();
  env["DOCUMENT_ROOT"] = folder.string();
  env.erase("PATH_INFO");
  env.erase("PATH_TRANSLATED");
  return std::nullopt;
}

}  // namespace

int CgiCommand(int argc, char** argv) {
  // A web server may pass the words of a query without "=" as arguments: they are not
  // options, so only an interactive --help is answered.
  if (argc > 1 && std::strcmp(argv[1], "--help") == 0 && !std::getenv("GATEWAY_INTERFACE")) {
    std::fputs(
        "Usage: korvex cgi\n\n"
        "Serves one request as a CGI/1.1 program and ends; a web server runs it once per\n"
        "request. With GATEWAY_INTERFACE set, korvex is this command whatever its arguments.\n\n"
        "The request, from the environment and standard input:\n"
        "  REQUEST_METHOD, QUERY_STRING, CONTENT_TYPE\n"
        "  CONTENT_LENGTH     the bytes of the body read from standard input (at most 64 MiB;\n"
        "                     a larger one is answered 413)\n"
        "  SCRIPT_NAME        the page's URL path\n"
        "  SCRIPT_FILENAME    the page file (else PATH_TRANSLATED); none there is answered 404\n"
        "  PATH_INFO          extra path after the page (other than empty or SCRIPT_NAME) is\n"
        "                     answered 404\n"
        "  DOCUMENT_ROOT      the site folder (else the page's folder)\n"
        "  HTTP_*             the request's headers\n"
        "  REMOTE_ADDR, SERVER_NAME, SERVER_PORT, SERVER_PROTOCOL\n\n"
        "The built-in administration site instead, when the environment names its database:\n"
        "  KORVEX_DB          an SQLite database file (it must exist), or\n"
        "  KORVEX_CONNECTION  a connection string, as for korvex serve --connection.\n"
        "The web server then runs korvex cgi for every path of the host name: the path\n"
        "(PATH_INFO, else SCRIPT_NAME) names the page, \"/\" the home page; SCRIPT_FILENAME\n"
        "and DOCUMENT_ROOT are not used. The pages are written to a folder of the state\n"
        "folder. A site that is not set up is answered 500, the reason on standard error.\n\n"
        "The answer goes to standard output: the Status and other header lines, a blank line,\n"
        "the body. The exit status is 0 once an answer is written, whatever its HTTP status.\n\n"
        "Sessions are kept in sessions.db of the state folder: KORVEX_STATE_DIR, else\n"
        "$XDG_STATE_HOME/korvex, ~/.local/state/korvex or /tmp/korvex-<uid>, the first not\n"
        "inside the site.\n\n"
        "The Host and Origin checks of korvex serve are NOT made here: they are the part of the\n"
        "web server in front (accept only your own host names, and refuse POSTs whose Origin is\n"
        "another site's), as are authentication and security headers.\n",
        stdout);
    return 0;
  }
  RegisterAllClasses();
  host::CgiEnvironment env = host::CgiEnvironmentFromEnvp(environ);
  host::CgiOptions options;
  if (std::optional<host::ResponseData> answer = PrepareBuiltInSite(env, options)) {
    host::WriteCgiResponse(std::cout, *answer);
    std::cout.flush();
    return std::cout ? 0 : 1;
  }
  script::ScriptPageRunner runner;
  return host::RunCgi(env, std::cin, std::cout, runner, options);
}

}  // namespace korvex::app
