// The korvex executable: a small table of commands, each in its own file. Under a web server
// (GATEWAY_INTERFACE set) it is a CGI program whatever its arguments.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "app/cgi_command.h"
#include "app/editor_files.h"
#include "app/fastcgi_command.h"
#include "app/serve_command.h"

namespace korvex::app {
namespace {

struct Command {
  std::string_view name;
  std::string_view summary;
  int (*run)(int argc, char** argv);  // argv[0] is the command's name
};

constexpr Command kCommands[] = {
    {"serve",
     "run the HTTP server: the administration site of a database (the demo shop\n"
     "                  when none is named), or a folder of pages of your own",
     ServeCommand},
    {"fastcgi",
     "answer a web server's FastCGI requests (nginx, Apache, lighttpd) for the\n"
     "                  same sites, on a Unix socket or a loopback port",
     FastCgiCommand},
    {"cgi",
     "serve one request as a CGI/1.1 program (chosen by itself under\n"
     "                  GATEWAY_INTERFACE)",
     CgiCommand},
    {"install-editor",
     "copy the HTML editor's support files into a site folder (korvex serve\n"
     "                  serves them itself)",
     InstallEditorCommand},
};

void PrintHelp(std::FILE* out) {
  std::fputs("Usage: korvex <command> [options]\n\nCommands:\n", out);
  for (const Command& c : kCommands)
    std::fprintf(out, "  %-15.*s %.*s\n", static_cast<int>(c.name.size()), c.name.data(),
                 static_cast<int>(c.summary.size()), c.summary.data());
  std::fputs(
      "  help            show this text\n\n"
      "Options: --help (this text), --version. \"korvex <command> --help\" describes a "
      "command.\n\n"
      "To start: \"korvex serve\" creates (first time) the demo shop database in the current\n"
      "folder and serves its administration site on http://127.0.0.1:8080/.\n",
      out);
}

int Main(int argc, char** argv) {
  if (std::getenv("GATEWAY_INTERFACE")) return CgiCommand(argc, argv);
  std::string_view first = argc > 1 ? argv[1] : "";
  if (first == "--version") {
    std::printf("korvex %s\n", KORVEX_VERSION);
    return 0;
  }
  if (first == "--help" || first == "help" || first == "-h") {
    PrintHelp(stdout);
    return 0;
  }
  for (const Command& c : kCommands)
    if (c.name == first) return c.run(argc - 1, argv + 1);
  if (first.empty()) {
    PrintHelp(stderr);
  } else {
    std::fprintf(stderr, "korvex: unknown command '%s' (see korvex --help)\n", argv[1]);
  }
  return 2;
}

}  // namespace
}  // namespace korvex::app

int main(int argc, char** argv) {
  return korvex::app::Main(argc, argv);
}
