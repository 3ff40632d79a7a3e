// The menus and toolbars of the editor window, declared once for both editor pages: each
// entry names the command it runs by a key that both pages' scripts understand (the editing
// control's command constant where there is one), its caption, and its image.
#pragma once

#include <span>
#include <string_view>

namespace korvex {

enum class BarEntryKind {
  kButton,     // a command with an image
  kSeparator,  // a gap between groups
  kSelect,     // one of the format selects; key is its id
  kMenu,       // a button opening the pull-down named by key
  kHeading,    // a caption inside a pull-down, naming the items below it
};

struct BarEntry {
  BarEntryKind kind;
  std::string_view key;      // "DECMD_BOLD", "MENU_FILE_SAVE", "ParagraphStyle", "ZOrder"
  std::string_view caption;  // "Bold"
  std::string_view icon;     // file name under WorkingPath + "images/"
};

struct Toolbar {
  std::string_view id;       // "StandardToolbar"
  std::string_view caption;  // as the View menu lists it
  std::span<const BarEntry> entries;
};

/// A pull-down: items (kButton without icon, kSeparator, kHeading) under a caption.
struct Menu {
  std::string_view id;  // "MENU_FILE"
  std::string_view caption;
  std::span<const BarEntry> items;
};

/// File, Edit, View, Format, HTML.
std::span<const Menu> MenuBar();
/// Standard, Formatting, Absolute Positioning, Table, in the order they are shown.
std::span<const Toolbar> Toolbars();
/// The toolbar of that id; std::out_of_range for another.
const Toolbar& FindToolbar(std::string_view id);
/// The pull-down of the Z Order button.
const Menu& ZOrderMenu();

/// The key of the View menu's item that shows or hides a toolbar: "VIEW_" + its id.
inline constexpr std::string_view kViewToolbarPrefix = "VIEW_";

/// Sizes offered by the FontSize select.
inline constexpr int kFontSizes = 7;

}  // namespace korvex
