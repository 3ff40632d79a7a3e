// The editor's text files carried inside the program: the support files served from the
// editor's working folder (support/) and the current-browser page's script and styles
// (page/). Generated at build time by embed_resources.cmake.
#pragma once

#include <span>
#include <string_view>

namespace korvex {

struct EditorResource {
  std::string_view name;  // the file name, "instable.htm"
  std::string_view text;
};

/// Every embedded file, in file name order within each folder.
std::span<const EditorResource> EditorResources();
/// The text of the file of that name; std::out_of_range for another.
std::string_view EditorResourceText(std::string_view name);

}  // namespace korvex
