// The HTML editor's support files outside the program: `korvex install-editor` copies them
// into a site, and `korvex serve` serves them at the editor's default WorkingPath.
#pragma once

#include <filesystem>

#include "host/site_path.h"

namespace korvex::app {

/// The editor's default WorkingPath, "/KorVex/HTML_Editor/".
inline constexpr const char* kEditorWorkingPath = "/KorVex/HTML_Editor/";

/// A virtual folder "KorVex" holding HTML_Editor/ with every support file, written once per
/// set of files into a folder of state_dir named after their content (so servers of different
/// versions never serve each other's files) and never seen half-written.
host::VirtualFolder EditorFilesFolder(const std::filesystem::path& state_dir);

/// argv[0] is the command's own name ("install-editor"). Returns the exit status.
int InstallEditorCommand(int argc, char** argv);

}  // namespace korvex::app
