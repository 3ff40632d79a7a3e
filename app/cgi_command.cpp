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
        "Serves one request as a CGI/1.1 program: REQUEST_METHOD, QUERY_STRING, SCRIPT_NAME,\n"
        "SCRIPT_FILENAME (the page file), CONTENT_TYPE, CONTENT_LENGTH, HTTP_*,\n"
        "DOCUMENT_ROOT (the site folder; else the page's folder) from the environment, the\n"
        "body from standard input; writes the header lines, a blank line and the body to\n"
        "standard output. Sessions are kept in the folder KORVEX_STATE_DIR names.\n\n"
        "A request with extra path after the page (PATH_INFO other than empty or SCRIPT_NAME)\n"
        "is answered 404. The Host and Origin checks of korvex serve are NOT made here: they\n"
        "are the part of the web server in front (accept only your own host names, and refuse\n"
        "POSTs whose Origin is another site's), as are authentication and security headers.\n",
        stdout);
    return 0;
  }
  RegisterAllClasses();
  script::ScriptPageRunner runner;
  host::CgiEnvironment env = host::CgiEnvironmentFromEnvp(environ);
  return host::RunCgi(env, std::cin, std::cout, runner);
}

}  // namespace korvex::app
