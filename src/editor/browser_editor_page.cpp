// The current-browser editor page: markup of the bars from editor_bars, the edit frame, the
// layers for menus and dialogs, then the page's styles and script (page/browser_editor.*),
// which read only the two settings written before them.
#include "editor/browser_editor_page.h"

#include <string>
#include <string_view>

#include "component/settings/html_editor.h"
#include "core/collection.h"
#include "editor/editor_bars.h"
#include "editor/editor_resources.h"
#include "editor/page_text.h"

namespace korvex {

namespace {

void MenuItems(PageLines& page, std::span<const BarEntry> items) {
  page.Line("<div class=\"tbSubmenu\" role=\"menu\" hidden>");
  for (const BarEntry& item : items) {
    if (item.kind == BarEntryKind::kSeparator) {
      page.Line("<hr class=\"tbMenuSeparator\">");
    } else if (item.kind == BarEntryKind::kHeading) {
      page.Line("<div class=\"tbMenuHeading\">" + std::string(item.caption) + "</div>");
    } else {
      page.Line("<button type=\"button\" class=\"tbMenuItem\" role=\"menuitem\" data-command=\"" +
                std::string(item.key) + "\">" + std::string(item.caption) + "</button>");
    }
  }
  page.Line("</div>");
}

void MenuBarMarkup(PageLines& page) {
  page.Line("<div class=\"tbToolbar tbMenuBar\" id=\"MenuBar\" role=\"menubar\">");
  for (const Menu& menu : MenuBar()) {
    page.Line("<div class=\"tbMenu\"><button type=\"button\" class=\"tbMenuTitle\" id=\"" +
              std::string(menu.id) + "\" aria-haspopup=\"true\">" + std::string(menu.caption) +
              "</button>");
    MenuItems(page, menu.items);
    page.Line("</div>");
  }
  page.Line("</div>");
}

void Select(PageLines& page, const BarEntry& entry, const HTMLEditor& editor) {
  const std::string id(entry.key);
  if (id == "FontName" && !editor.EnableFormatFont) return;
  page.Line("<select id=\"" + id + "\" class=\"tbGeneral\" title=\"" + std::string(entry.caption) +
            "\">");
  if (id == "FontName") {
    for (const Variant& font : editor.Fonts->Items()) {
      const std::string name = TextOrEmpty(font);
      page.Line("<option value=\"" + name + "\">" + name + "</option>");
    }
  } else if (id == "FontSize") {
    for (int size = 1; size <= kFontSizes; ++size) {
      const std::string n = std::to_string(size);
      page.Line("<option value=\"" + n + "\">" + n + "</option>");
    }
  }
  page.Line("</select>");
}

void ToolbarsMarkup(PageLines& page, const HTMLEditor& editor) {
  for (const Toolbar& bar : Toolbars()) {
    page.Line("<div class=\"tbToolbar\" id=\"" + std::string(bar.id) +
              "\" role=\"toolbar\" aria-label=\"" + std::string(bar.caption) + "\">");
    for (const BarEntry& entry : bar.entries) {
      const std::string caption(entry.caption);
      const std::string image = "<img class=\"tbIcon\" src=\"" + editor.WorkingPath + "images/" +
                                std::string(entry.icon) + "\" width=\"23\" height=\"22\" alt=\"" +
                                caption + "\">";
      switch (entry.kind) {
        case BarEntryKind::kSeparator:
          page.Line("<span class=\"tbSeparator\"></span>");
          break;
        case BarEntryKind::kSelect:
          Select(page, entry, editor);
          break;
        case BarEntryKind::kMenu:
          page.Line(
              "<div class=\"tbMenu\"><button type=\"button\" class=\"tbButton tbMenuTitle\" id=\"" +
              std::string(entry.key) + "\" title=\"" + caption + "\" aria-haspopup=\"true\">" +
              image + "</button>");
          MenuItems(page, ZOrderMenu().items);
          page.Line("</div>");
          break;
        default:
          page.Line("<button type=\"button\" class=\"tbButton\" data-command=\"" +
                    std::string(entry.key) + "\" title=\"" + caption + "\">" + image + "</button>");
      }
    }
    page.Line("</div>");
  }
}

}  // namespace

std::string BrowserEditorPage(const HTMLEditor& editor) {
  PageLines page;
  page.Line("<!DOCTYPE html>").Line("<html>").Line("<head>").Line("<meta charset=\"utf-8\">");
  page.Line("<title>" + editor.Title + "</title>");
  page.Line("<style>").Lines(EditorResourceText("browser_editor.css")).Line("</style>");
  page.Line("</head>").Line("<body>");
  MenuBarMarkup(page);
  ToolbarsMarkup(page, editor);
  // Without allow-scripts nothing in the edited value runs: no script, no event attribute, no
  // refresh. allow-same-origin lets this page reach the frame's document to edit it.
  page.Line(
      "<iframe id=\"tbContentElement\" class=\"tbContentElement\" sandbox=\"allow-same-origin\" "
      "title=\"Content\"></iframe>");
  page.Line(
      "<div id=\"ContextMenu\" class=\"tbSubmenu tbContextMenu\" role=\"menu\" hidden></div>");
  page.Line("<div id=\"DialogLayer\" class=\"tbDialogLayer\" hidden>");
  page.Line("<iframe id=\"DialogFrame\" class=\"tbDialog\" title=\"Dialog\"></iframe>");
  page.Line("<form id=\"FontDialog\" class=\"tbDialog tbFontDialog\" hidden></form>");
  page.Line("</div>");
  page.Line("<script>");
  page.Line("var WorkingPath = " + JsStringLiteral(editor.WorkingPath) + ";");
  page.Line(std::string("var EnableFormatFont = ") + (editor.EnableFormatFont ? "true" : "false") +
            ";");
  page.Lines(EditorResourceText("browser_editor.js"));
  page.Line("</script>").Line("</body>").Line("</html>");
  return page.Take();
}

}  // namespace korvex
