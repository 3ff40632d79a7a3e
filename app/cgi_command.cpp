// `korvex cgi`: every creatable class registered, then one request through the CGI adapter and
// the page engine. Sessions live in the state folder's SQLite file (KORVEX_STATE_DIR).
#include "app/cgi_command.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "host/cgi.h"
#include "korvex.h"
#include "script/script_page_runner.h"

namespace korvex::app {

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
  script::ScriptPageRunner runner;
  host::CgiEnvironment env = host::CgiEnvironmentFromEnvp(environ);
  return host::RunCgi(env, std::cin, std::cout, runner);
}

}  // namespace korvex::app
