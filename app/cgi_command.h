// `korvex cgi`: serves the one request a web server describes in the environment and on
// standard input, as a CGI/1.1 program.
#pragma once

namespace korvex::app {

/// argv[0] is the command's own name ("cgi"). Returns the exit status.
int CgiCommand(int argc, char** argv);

}  // namespace korvex::app
