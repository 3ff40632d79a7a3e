// `korvex fastcgi`: the site's pages behind a web server that speaks FastCGI.
#pragma once

namespace korvex::app {

/// argv[0] is the command's own name ("fastcgi"); the options follow. Returns the exit status.
int FastCgiCommand(int argc, char** argv);

}  // namespace korvex::app
