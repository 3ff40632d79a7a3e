// `korvex serve`: the embedded HTTP server on a site folder.
#pragma once

namespace korvex::app {

/// argv[0] is the command's own name ("serve"); the options follow. Returns the exit status.
int ServeCommand(int argc, char** argv);

/// The options of `korvex serve`, as `korvex serve --help` prints them.
const char* ServeUsage();

}  // namespace korvex::app
