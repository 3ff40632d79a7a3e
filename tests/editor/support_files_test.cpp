// The support files the program carries: every file either editor page refers to is among them,
// the images are the 23 by 22 GIFs the toolbars are laid out for, and installing writes them
// whole.
#include "editor/support_files.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>

#include "component/settings/html_editor.h"
#include "editor/browser_editor_page.h"
#include "editor/msie_editor_page.h"
#include "host/temp_folder.h"

namespace korvex {
namespace {

using host::testing::TempFolder;

std::map<std::string, std::string> FilesByPath() {
  std::map<std::string, std::string> files;
  for (EditorSupportFile& file : EditorSupportFiles())
    EXPECT_TRUE(files.emplace(file.path, std::move(file.content)).second) << file.path;
  return files;
}

int Word(const std::string& bytes, size_t at) {
  return static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8;
}

TEST(EditorSupportFiles, HoldEveryFileBothPagesReferTo) {
  const std::map<std::string, std::string> files = FilesByPath();
  HTMLEditor editor;
  editor.WorkingPath = "/W/";
  std::set<std::string> referred;
  const std::regex reference(R"(/W/([a-z/]+\.(?:htm|gif)))");
  for (const std::string& page : {MSIEEditorPage(editor), BrowserEditorPage(editor)}) {
    for (std::sregex_iterator it(page.begin(), page.end(), reference), end; it != end; ++it)
      referred.insert((*it)[1]);
  }
  // The dialogs the scripts open are named there by file, after the folder's variable.
  referred.insert({"instable.htm", "selcolor.htm"});
  for (const std::string& path : referred) {
    auto file = files.find(path);
    ASSERT_NE(file, files.end()) << path;
    if (!path.ends_with(".gif")) continue;
    const std::string& gif = file->second;
    ASSERT_GT(gif.size(), 13u) << path;
    EXPECT_EQ(gif.substr(0, 6), "GIF89a") << path;
    EXPECT_EQ(Word(gif, 6), 23) << path;
    EXPECT_EQ(Word(gif, 8), 22) << path;
    EXPECT_EQ(gif.back(), '\x3B') << path;
  }
  // And nothing is shipped that no page uses.
  for (const auto& [path, content] : files) EXPECT_TRUE(referred.count(path)) << path;
}

TEST(EditorSupportFiles, InstallWritesEveryFileWholeOverOlderOnes) {
  TempFolder site;
  site.Write("editor/images/bold.gif", "an older image, longer than the new one ...........");
  InstallEditorSupportFiles(site.path() / "editor");
  for (const auto& [path, content] : FilesByPath()) {
    std::ifstream in(site.path() / "editor" / path, std::ios::binary);
    const std::string written{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_EQ(written, content) << path;
  }
  // A file where the folder should be: refused, not half done in silence.
  site.Write("blocked", "a file");
  EXPECT_THROW(InstallEditorSupportFiles(site.path() / "blocked"), std::exception);
}

}  // namespace
}  // namespace korvex
