// The files the editor pages load from WorkingPath: the table and colour dialogs, the menu
// body, and the toolbar images. The program carries them; a site gets them from
// `korvex install-editor` or from `korvex serve`, which serves them itself.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace korvex {

struct EditorSupportFile {
  std::string path;  // under WorkingPath, with "/" between folders: "images/bold.gif"
  std::string content;
};

/// Every support file, the dialogs first.
std::vector<EditorSupportFile> EditorSupportFiles();

/// Writes every support file under folder, creating the folders it needs and replacing files
/// of the same names. Raises std::filesystem::filesystem_error, or std::runtime_error when a
/// file cannot be written whole.
void InstallEditorSupportFiles(const std::filesystem::path& folder);

}  // namespace korvex
