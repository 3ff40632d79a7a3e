// The editor window's menus and toolbars, as captioned.
#include "editor/editor_bars.h"

#include <stdexcept>
#include <string>

namespace korvex {

namespace {

using K = BarEntryKind;
constexpr BarEntry kGap{K::kSeparator, "", "", ""};

constexpr BarEntry kFileItems[] = {
    {K::kButton, "MENU_FILE_SAVE", "Save And Close", ""},
};
constexpr BarEntry kEditItems[] = {
    {K::kButton, "DECMD_UNDO", "Undo", ""},
    {K::kButton, "DECMD_REDO", "Redo", ""},
    kGap,
    {K::kButton, "DECMD_CUT", "Cut", ""},
    {K::kButton, "DECMD_COPY", "Copy", ""},
    {K::kButton, "DECMD_PASTE", "Paste", ""},
    {K::kButton, "DECMD_DELETE", "Delete", ""},
    kGap,
    {K::kButton, "DECMD_SELECTALL", "Select All", ""},
    kGap,
    {K::kButton, "DECMD_FINDTEXT", "Find...", ""},
};
constexpr BarEntry kViewItems[] = {
    {K::kHeading, "", "Toolbars", ""},
    {K::kButton, "VIEW_StandardToolbar", "Standard", ""},
    {K::kButton, "VIEW_FormatToolbar", "Formatting", ""},
    {K::kButton, "VIEW_AbsolutePositioningToolbar", "Absolute Positioning", ""},
    {K::kButton, "VIEW_TableToolbar", "Table", ""},
};
constexpr BarEntry kFormatItems[] = {
    {K::kButton, "DECMD_FONT", "Font...", ""},
    kGap,
    {K::kButton, "DECMD_BOLD", "Bold", ""},
    {K::kButton, "DECMD_ITALIC", "Italic", ""},
    {K::kButton, "DECMD_UNDERLINE", "Underline", ""},
    kGap,
    {K::kButton, "DECMD_SETFORECOLOR", "Set Foreground Color...", ""},
    {K::kButton, "DECMD_SETBACKCOLOR", "Set Background Color...", ""},
    kGap,
    {K::kButton, "DECMD_JUSTIFYLEFT", "Align Left", ""},
    {K::kButton, "DECMD_JUSTIFYCENTER", "Center", ""},
    {K::kButton, "DECMD_JUSTIFYRIGHT", "Align Right", ""},
};
constexpr BarEntry kHtmlItems[] = {
    {K::kButton, "DECMD_HYPERLINK", "Link...", ""},
};
constexpr BarEntry kZOrderItems[] = {
    {K::kButton, "DECMD_BRING_TO_FRONT", "Bring to Front", ""},
    {K::kButton, "DECMD_SEND_TO_BACK", "Send to Back", ""},
    {K::kButton, "DECMD_BRING_FORWARD", "Bring Forward", ""},
    {K::kButton, "DECMD_SEND_BACKWARD", "Send Backward", ""},
    kGap,
    {K::kButton, "DECMD_SEND_BELOW_TEXT", "Below Text", ""},
    {K::kButton, "DECMD_BRING_ABOVE_TEXT", "Above Text", ""},
};

constexpr Menu kMenus[] = {
    {"MENU_FILE", "File", kFileItems}, {"MENU_EDIT", "Edit", kEditItems},
    {"MENU_VIEW", "View", kViewItems}, {"MENU_FORMAT", "Format", kFormatItems},
    {"MENU_HTML", "HTML", kHtmlItems},
};
constexpr Menu kZOrder{"ZOrder", "Z Order", kZOrderItems};

constexpr BarEntry kStandard[] = {
    {K::kButton, "MENU_FILE_NEW", "New File", "newdoc.gif"},
    {K::kButton, "MENU_FILE_SAVE", "Save And Close", "save.gif"},
    kGap,
    {K::kButton, "DECMD_CUT", "Cut", "cut.gif"},
    {K::kButton, "DECMD_COPY", "Copy", "copy.gif"},
    {K::kButton, "DECMD_PASTE", "Paste", "paste.gif"},
    kGap,
    {K::kButton, "DECMD_UNDO", "Undo", "undo.gif"},
    {K::kButton, "DECMD_REDO", "Redo", "redo.gif"},
    kGap,
    {K::kButton, "DECMD_FINDTEXT", "Find", "find.gif"},
};
constexpr BarEntry kFormat[] = {
    {K::kSelect, "ParagraphStyle", "Paragraph Format", ""},
    {K::kSelect, "FontName", "Font Name", ""},
    {K::kSelect, "FontSize", "Font Size", ""},
    kGap,
    {K::kButton, "DECMD_BOLD", "Bold", "bold.gif"},
    {K::kButton, "DECMD_ITALIC", "Italic", "italic.gif"},
    {K::kButton, "DECMD_UNDERLINE", "Underline", "under.gif"},
    kGap,
    {K::kButton, "DECMD_SETFORECOLOR", "Foreground Color", "fgcolor.gif"},
    {K::kButton, "DECMD_SETBACKCOLOR", "Background Color", "bgcolor.gif"},
    kGap,
    {K::kButton, "DECMD_JUSTIFYLEFT", "Align Left", "left.gif"},
    {K::kButton, "DECMD_JUSTIFYCENTER", "Center", "center.gif"},
    {K::kButton, "DECMD_JUSTIFYRIGHT", "Align Right", "right.gif"},
    kGap,
    {K::kButton, "DECMD_ORDERLIST", "Numbered List", "numlist.gif"},
    {K::kButton, "DECMD_UNORDERLIST", "Bulletted List", "bullist.gif"},
    {K::kButton, "DECMD_OUTDENT", "Decrease Indent", "outdent.gif"},
    {K::kButton, "DECMD_INDENT", "Increase Indent", "indent.gif"},
    kGap,
    {K::kButton, "DECMD_HYPERLINK", "Link", "link.gif"},
};
constexpr BarEntry kAbsolute[] = {
    {K::kButton, "ShowBorders", "Visible Borders", "borders.gif"},
    {K::kButton, "ShowDetails", "Show Details", "details.gif"},
    kGap,
    {K::kButton, "DECMD_MAKE_ABSOLUTE", "Make Absolute", "abspos.gif"},
    {K::kButton, "DECMD_LOCK_ELEMENT", "Lock", "lock.gif"},
    kGap,
    {K::kMenu, "ZOrder", "Z Order", "zorder.gif"},
    kGap,
    {K::kButton, "SnapToGrid", "Snap to Grid", "snapgrid.gif"},
};
constexpr BarEntry kTable[] = {
    {K::kButton, "DECMD_INSERTTABLE", "Insert Table", "instable.gif"},
    kGap,
    {K::kButton, "DECMD_INSERTROW", "Insert Row", "insrow.gif"},
    {K::kButton, "DECMD_DELETEROWS", "Delete Rows", "delrow.gif"},
    kGap,
    {K::kButton, "DECMD_INSERTCOL", "Insert Column", "inscol.gif"},
    {K::kButton, "DECMD_DELETECOLS", "Delete Columns", "delcol.gif"},
    kGap,
    {K::kButton, "DECMD_INSERTCELL", "Insert Cell", "inscell.gif"},
    {K::kButton, "DECMD_DELETECELLS", "Delete Cells", "delcell.gif"},
    {K::kButton, "DECMD_MERGECELLS", "Merge Cells", "mrgcell.gif"},
    {K::kButton, "DECMD_SPLITCELL", "Split Cells", "spltcell.gif"},
};

constexpr Toolbar kToolbars[] = {
    {"StandardToolbar", "Standard", kStandard},
    {"FormatToolbar", "Formatting", kFormat},
    {"AbsolutePositioningToolbar", "Absolute Positioning", kAbsolute},
    {"TableToolbar", "Table", kTable},
};

}  // namespace

std::span<const Menu> MenuBar() {
  return kMenus;
}

std::span<const Toolbar> Toolbars() {
  return kToolbars;
}

const Toolbar& FindToolbar(std::string_view id) {
  for (const Toolbar& bar : kToolbars)
    if (bar.id == id) return bar;
  throw std::out_of_range("no toolbar " + std::string(id));
}

const Menu& ZOrderMenu() {
  return kZOrder;
}

}  // namespace korvex
