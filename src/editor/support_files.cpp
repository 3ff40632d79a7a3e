// See support_files.h.
#include "editor/support_files.h"

#include <fstream>
#include <stdexcept>

#include "editor/editor_resources.h"
#include "editor/toolbar_icons.h"

namespace korvex {

std::vector<EditorSupportFile> EditorSupportFiles() {
  std::vector<EditorSupportFile> files;
  for (const char* name : {"instable.htm", "selcolor.htm", "menubody.htm"})
    files.push_back({name, std::string(EditorResourceText(name))});
  for (ToolbarIcon& icon : ToolbarIcons())
    files.push_back({"images/" + icon.file_name, std::move(icon.gif)});
  return files;
}

void InstallEditorSupportFiles(const std::filesystem::path& folder) {
  for (const EditorSupportFile& file : EditorSupportFiles()) {
    const std::filesystem::path target = folder / file.path;
    std::filesystem::create_directories(target.parent_path());
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(file.content.data(), static_cast<std::streamsize>(file.content.size()));
    if (!out.flush()) throw std::runtime_error("cannot write " + target.string());
  }
}

}  // namespace korvex
