// See editor_files.h.
#include "app/editor_files.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "editor/support_files.h"

namespace korvex::app {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kUsage = R"(Usage: korvex install-editor DIR [--working-path PATH]

Writes the HTML editor's support files (instable.htm, selcolor.htm, menubody.htm and the
toolbar images under images/) into the site folder DIR, under the virtual folder PATH: the
value the site's pages give HTMLEditor.WorkingPath (default /KorVex/HTML_Editor/). Folders
are created as needed; files of the same names are replaced. PATH may not lead outside DIR.
`korvex serve` serves these files itself at the default WorkingPath.
)";

// 64-bit FNV-1a over the files' names and contents.
std::string ContentTag() {
  uint64_t hash = 14695981039346656037ull;
  auto add = [&hash](std::string_view bytes) {
    for (unsigned char c : bytes) hash = (hash ^ c) * 1099511628211ull;
    hash = (hash ^ 0xff) * 1099511628211ull;
  };
  for (const EditorSupportFile& file : EditorSupportFiles()) {
    add(file.path);
    add(file.content);
  }
  char tag[17];
  std::snprintf(tag, sizeof tag, "%016llx", static_cast<unsigned long long>(hash));
  return tag;
}

}  // namespace

host::VirtualFolder EditorFilesFolder(const fs::path& state_dir) {
  const fs::path folder = state_dir / ("editor-" + ContentTag());
  if (!fs::is_directory(folder)) {
    // Built aside and renamed into place whole: a folder of that name is always complete.
    const fs::path building = state_dir / ("editor-building-" + std::to_string(::getpid()));
    fs::remove_all(building);
    InstallEditorSupportFiles(building / "HTML_Editor");
    std::error_code ec;
    fs::rename(building, folder, ec);
    fs::remove_all(building);  // another server got there first
    if (!fs::is_directory(folder)) throw fs::filesystem_error("cannot create", folder, ec);
  }
  return {"KorVex", folder};
}

int InstallEditorCommand(int argc, char** argv) {
  std::string root, working_path = kEditorWorkingPath;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage.data(), stdout);
      return 0;
    }
    if (arg == "--working-path" && i + 1 < argc) {
      working_path = argv[++i];
    } else if (arg.starts_with("--working-path=")) {
      working_path = arg.substr(std::string_view("--working-path=").size());
    } else if (root.empty() && !arg.starts_with("--")) {
      root = arg;
    } else {
      std::fprintf(stderr,
                   "korvex install-editor: unexpected %s (see korvex install-editor --help)\n",
                   argv[i]);
      return 2;
    }
  }
  if (root.empty()) {
    std::fputs(kUsage.data(), stderr);
    return 2;
  }
  std::error_code ec;
  const fs::path site = fs::canonical(root, ec);
  if (ec || !fs::is_directory(site)) {
    std::fprintf(stderr, "korvex install-editor: no site folder %s\n", root.c_str());
    return 1;
  }
  const std::optional<fs::path> folder = host::ResolveSitePath(site, working_path);
  if (!folder || *folder == site) {
    std::fprintf(stderr, "korvex install-editor: the working path %s is not a folder inside %s\n",
                 working_path.c_str(), site.c_str());
    return 2;
  }
  try {
    InstallEditorSupportFiles(*folder);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "korvex install-editor: %s\n", e.what());
    return 1;
  }
  std::printf("korvex: installed the HTML editor's files in %s (WorkingPath %s)\n", folder->c_str(),
              working_path.c_str());
  return 0;
}

}  // namespace korvex::app
