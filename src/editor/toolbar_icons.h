// The 23 by 22 pixel button images of the editor's toolbars, drawn here and written as GIF
// files, so the program ships every support file it needs.
#pragma once

#include <string>
#include <vector>

namespace korvex {

inline constexpr int kIconWidth = 23;
inline constexpr int kIconHeight = 22;

struct ToolbarIcon {
  std::string file_name;  // "bold.gif", under WorkingPath + "images/"
  std::string gif;
};

/// Every image the editor pages refer to, in a fixed order.
std::vector<ToolbarIcon> ToolbarIcons();

}  // namespace korvex
