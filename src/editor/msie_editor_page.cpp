// The Internet Explorer editor page, top to bottom: the browser check, title, toolbar styles,
// the editing control's published constants, the page logic, the control's event bindings,
// and the body with its menu bar, toolbars, the three objects and the toolbar package. The
// menus and toolbars come from editor_bars; everything else is fixed text.
#include "editor/msie_editor_page.h"

#include <string>
#include <string_view>

#include "component/settings/html_editor.h"
#include "core/collection.h"
#include "editor/editor_bars.h"
#include "editor/page_text.h"

namespace korvex {

namespace {

void Head(PageLines& page, const HTMLEditor& editor) {
  page.Lines(R"page(<html>
<head>
<meta http-equiv="Content-Type" content="text/html; charset=utf-8">
<script LANGUAGE="javascript">
<!--
var tbAgent = navigator.userAgent;
var tbAgentParts = tbAgent.split(";");
if (tbAgent.indexOf("MSIE") < 0 || tbAgentParts.length < 2 || tbAgentParts[1].charAt(6) < "5") {
  alert("This HTML Editor requires Internet Explorer5 or Above!");
  window.close();
}
//-->
</script>
)page");
  page.Line("<title>" + editor.Title + "</title>");
}

void StyleSheet(PageLines& page) {
  page.Lines(R"page(<style type="text/css">
body { margin: 0px; padding: 0px; border: 0px; overflow: hidden; background-color: buttonface; }
.tbToolbar { position: absolute; left: 0px; width: 100%; height: 28px; padding: 2px; background-color: buttonface; border-top: 1px solid buttonhighlight; border-bottom: 1px solid buttonshadow; white-space: nowrap; }
.tbButton { position: relative; display: inline; width: 25px; height: 24px; border: 1px solid buttonface; cursor: default; }
.tbButtonMouseOverUp { border-color: buttonhighlight buttonshadow buttonshadow buttonhighlight; }
.tbButtonMouseOverDown { border-color: buttonshadow buttonhighlight buttonhighlight buttonshadow; }
.tbButtonLatched { background-color: #e8e8e8; border-color: buttonshadow buttonhighlight buttonhighlight buttonshadow; }
.tbIcon { width: 23px; height: 22px; }
.tbIconDown { position: relative; left: 1px; top: 1px; }
.tbIconDisabled { filter: alpha(opacity=35) gray; }
.tbSeparator { display: inline; width: 2px; height: 22px; margin: 0px 3px; border-left: 1px solid buttonshadow; border-right: 1px solid buttonhighlight; }
.tbMenu { display: inline; padding: 2px 7px; border: 1px solid buttonface; font: menu; cursor: default; }
.tbMenuSelected { border-color: buttonshadow buttonhighlight buttonhighlight buttonshadow; }
.tbMenuItem { display: none; }
.tbSubmenu { display: none; }
.tbMenuBody { position: absolute; left: 0px; top: 0px; width: 200px; height: 20px; visibility: hidden; z-index: 100; }
.tbGeneral { margin: 1px 2px; font: 8pt Tahoma, "MS Sans Serif", sans-serif; vertical-align: top; }
.tbContentElement { position: absolute; left: 0px; width: 100%; }
</style>
)page");
}

// The editing control's command identifiers and enumerations, as published.
void CommandConstants(PageLines& page) {
  static constexpr std::string_view kCommands[] = {
      "DECMD_BOLD",
      "DECMD_COPY",
      "DECMD_CUT",
      "DECMD_DELETE",
      "DECMD_DELETECELLS",
      "DECMD_DELETECOLS",
      "DECMD_DELETEROWS",
      "DECMD_FINDTEXT",
      "DECMD_FONT",
      "DECMD_GETBACKCOLOR",
      "DECMD_GETBLOCKFMT",
      "DECMD_GETBLOCKFMTNAMES",
      "DECMD_GETFONTNAME",
      "DECMD_GETFONTSIZE",
      "DECMD_GETFORECOLOR",
      "DECMD_HYPERLINK",
      "DECMD_IMAGE",
      "DECMD_INDENT",
      "DECMD_INSERTCELL",
      "DECMD_INSERTCOL",
      "DECMD_INSERTROW",
      "DECMD_INSERTTABLE",
      "DECMD_ITALIC",
      "DECMD_JUSTIFYCENTER",
      "DECMD_JUSTIFYLEFT",
      "DECMD_JUSTIFYRIGHT",
      "DECMD_LOCK_ELEMENT",
      "DECMD_MAKE_ABSOLUTE",
      "DECMD_MERGECELLS",
      "DECMD_ORDERLIST",
      "DECMD_OUTDENT",
      "DECMD_PASTE",
      "DECMD_REDO",
      "DECMD_REMOVEFORMAT",
      "DECMD_SELECTALL",
      "DECMD_SEND_BACKWARD",
      "DECMD_BRING_FORWARD",
      "DECMD_SEND_BELOW_TEXT",
      "DECMD_BRING_ABOVE_TEXT",
      "DECMD_SEND_TO_BACK",
      "DECMD_BRING_TO_FRONT",
      "DECMD_SETBACKCOLOR",
      "DECMD_SETBLOCKFMT",
      "DECMD_SETFONTNAME",
      "DECMD_SETFONTSIZE",
      "DECMD_SETFORECOLOR",
      "DECMD_SPLITCELL",
      "DECMD_UNDERLINE",
      "DECMD_UNDO",
      "DECMD_UNLINK",
      "DECMD_UNORDERLIST",
      "DECMD_PROPERTIES",
  };
  page.Line("<script LANGUAGE=\"javascript\">").Line("<!--");
  // 5000 is bold; the numbering skips 5001 and runs on from copy.
  int id = 5000;
  for (std::string_view name : kCommands) {
    page.Line("var " + std::string(name) + " = " + std::to_string(id) + ";");
    id += id == 5000 ? 2 : 1;
  }
  page.Lines(R"page(
var OLECMDEXECOPT_DODEFAULT = 0;
var OLECMDEXECOPT_PROMPTUSER = 1;
var OLECMDEXECOPT_DONTPROMPTUSER = 2;
var OLECMDEXECOPT_SHOWHELP = 3;

var DECMDF_NOTSUPPORTED = 0;
var DECMDF_DISABLED = 1;
var DECMDF_ENABLED = 3;
var DECMDF_LATCHED = 7;
var DECMDF_NINCHED = 11;

var DEAPPEARANCE_FLAT = 0;
var DEAPPEARANCE_3D = 1;

var OLE_TRISTATE_UNCHECKED = 0;
var OLE_TRISTATE_CHECKED = 1;
var OLE_TRISTATE_GRAY = 2;
//-->
</script>
)page");
}

// One line of script per context menu entry, from a bar's buttons.
void ContextMenuEntries(PageLines& page, std::string_view array, std::span<const BarEntry> entries,
                        std::string_view skip) {
  page.Line("  " + std::string(array) + "[" + std::string(array) +
            ".length] = new ContextMenuItem(MENU_SEPARATOR, 0);");
  for (const BarEntry& entry : entries) {
    if (entry.kind != BarEntryKind::kButton || entry.key == skip) continue;
    page.Line("  " + std::string(array) + "[" + std::string(array) +
              ".length] = new ContextMenuItem(\"" + std::string(entry.caption) + "\", " +
              std::string(entry.key) + ");");
  }
}

void PageLogic(PageLines& page, const HTMLEditor& editor) {
  page.Line("<script LANGUAGE=\"javascript\">").Line("<!--");
  page.Line("var WorkingPath = \"" + editor.WorkingPath + "\";");
  page.Lines(R"page(var MENU_SEPARATOR = "";
var docContent = window.dialogArguments;
var ContextMenu = new Array();
var GeneralContextMenu = new Array();
var TableContextMenu = new Array();
var AbsPosContextMenu = new Array();

function ContextMenuItem(string, cmdId) {
  this.string = string;
  this.cmdId = cmdId;
}

function window_onload() {
  GeneralContextMenu[0] = new ContextMenuItem("Cut", DECMD_CUT);
  GeneralContextMenu[1] = new ContextMenuItem("Copy", DECMD_COPY);
  GeneralContextMenu[2] = new ContextMenuItem("Paste", DECMD_PASTE);
)page");
  ContextMenuEntries(page, "TableContextMenu", FindToolbar("TableToolbar").entries,
                     "DECMD_INSERTTABLE");
  ContextMenuEntries(page, "AbsPosContextMenu", ZOrderMenu().items, "");
  page.Lines(R"page(  ObjTableInfo.NumRows = 3;
  ObjTableInfo.NumCols = 3;
  ObjTableInfo.TableAttrs = "border=1 cellPadding=2 cellSpacing=0 width=75%";
  ObjTableInfo.CellAttrs = "";
  ObjTableInfo.Caption = "";
  tbContentElement.SnapToGridX = 10;
  tbContentElement.SnapToGridY = 10;
  TBInitButtons();
  TBLayout();
}

function window_onunload() {
  window.returnValue = tbContentElement.DOM.body.innerHTML;
}

function TBStateOf(status) {
  if (status == DECMDF_DISABLED || status == DECMDF_NOTSUPPORTED) return "gray";
  if (status == DECMDF_LATCHED) return "checked";
  return "unchecked";
}

function SelectValue(select, value) {
  var i;
  select.selectedIndex = -1;
  for (i = 0; i < select.options.length; i++) {
    if (select.options[i].value == value) {
      select.selectedIndex = i;
      return;
    }
  }
}

function tbContentElement_DisplayChanged() {
  var i, button, status;
  if (docContent != null) {
    tbContentElement.DOM.body.innerHTML = docContent;
    docContent = null;
  }
  for (i = 0; i < TBButtons.length; i++) {
    button = TBButtons[i];
    if (button.tbcommand.indexOf("DECMD_") == 0) {
      TBSetState(button, TBStateOf(tbContentElement.QueryStatus(window[button.tbcommand])));
    }
  }
  TBSetState(document.all.tbShowBorders, tbContentElement.ShowBorders ? "checked" : "unchecked");
  TBSetState(document.all.tbShowDetails, tbContentElement.ShowDetails ? "checked" : "unchecked");
  TBSetState(document.all.tbSnapToGrid, tbContentElement.SnapToGrid ? "checked" : "unchecked");
  status = tbContentElement.QueryStatus(DECMD_GETBLOCKFMT);
  ParagraphStyle.disabled = status == DECMDF_DISABLED || status == DECMDF_NOTSUPPORTED;
  if (!ParagraphStyle.disabled) SelectValue(ParagraphStyle, tbContentElement.ExecCommand(DECMD_GETBLOCKFMT, OLECMDEXECOPT_DODEFAULT));
)page");
  if (editor.EnableFormatFont) {
    page.Lines(R"page(  status = tbContentElement.QueryStatus(DECMD_GETFONTNAME);
  FontName.disabled = status == DECMDF_DISABLED || status == DECMDF_NOTSUPPORTED;
  if (!FontName.disabled) SelectValue(FontName, tbContentElement.ExecCommand(DECMD_GETFONTNAME, OLECMDEXECOPT_DODEFAULT));
)page");
  }
  page.Lines(R"page(  status = tbContentElement.QueryStatus(DECMD_GETFONTSIZE);
  FontSize.disabled = status == DECMDF_DISABLED || status == DECMDF_NOTSUPPORTED;
  if (!FontSize.disabled) SelectValue(FontSize, tbContentElement.ExecCommand(DECMD_GETFONTSIZE, OLECMDEXECOPT_DODEFAULT));
  return true;
}

function tbContentElement_ShowContextMenu() {
  var menuStrings = new Array();
  var menuStates = new Array();
  var i, status;
  ContextMenu.length = 0;
  for (i = 0; i < GeneralContextMenu.length; i++) ContextMenu[ContextMenu.length] = GeneralContextMenu[i];
  if (tbContentElement.QueryStatus(DECMD_INSERTROW) != DECMDF_DISABLED) {
    for (i = 0; i < TableContextMenu.length; i++) ContextMenu[ContextMenu.length] = TableContextMenu[i];
  }
  if (tbContentElement.QueryStatus(DECMD_MAKE_ABSOLUTE) != DECMDF_DISABLED) {
    for (i = 0; i < AbsPosContextMenu.length; i++) ContextMenu[ContextMenu.length] = AbsPosContextMenu[i];
  }
  for (i = 0; i < ContextMenu.length; i++) {
    menuStrings[i] = ContextMenu[i].string;
    if (menuStrings[i] == MENU_SEPARATOR) {
      menuStates[i] = OLE_TRISTATE_UNCHECKED;
    } else {
      status = tbContentElement.QueryStatus(ContextMenu[i].cmdId);
      if (status == DECMDF_DISABLED || status == DECMDF_NOTSUPPORTED) {
        menuStates[i] = OLE_TRISTATE_GRAY;
      } else if (status == DECMDF_LATCHED) {
        menuStates[i] = OLE_TRISTATE_CHECKED;
      } else {
        menuStates[i] = OLE_TRISTATE_UNCHECKED;
      }
    }
  }
  tbContentElement.SetContextMenu(menuStrings, menuStates);
}

function tbContentElement_ContextMenuAction(itemIndex) {
  tbContentElement.ExecCommand(ContextMenu[itemIndex].cmdId, OLECMDEXECOPT_DODEFAULT);
}

function tbContentElement_DocumentComplete() {
  var names, i, option;
  tbContentElement.ExecCommand(DECMD_GETBLOCKFMTNAMES, OLECMDEXECOPT_DODEFAULT, ObjBlockFormatInfo);
  names = new VBArray(ObjBlockFormatInfo.Names).toArray();
  ParagraphStyle.options.length = 0;
  for (i = 0; i < names.length && i < 9; i++) {
    option = document.createElement("OPTION");
    option.text = names[i];
    option.value = names[i];
    ParagraphStyle.options.add(option);
  }
}

function MENU_FILE_SAVE_onclick() {
  tbContentElement.focus();
  window.close();
}

function MENU_FILE_NEW_onclick() {
  if (tbContentElement.IsDirty && !confirm("Clean Content?")) {
    tbContentElement.focus();
    return;
  }
  tbContentElement.NewDocument();
  tbContentElement.focus();
}

function TABLE_INSERTTABLE_onclick() {
  var args = new Object();
  var result;
  args.NumRows = ObjTableInfo.NumRows;
  args.NumCols = ObjTableInfo.NumCols;
  args.TableAttrs = ObjTableInfo.TableAttrs;
  args.CellAttrs = ObjTableInfo.CellAttrs;
  args.Caption = ObjTableInfo.Caption;
  result = window.showModalDialog(WorkingPath + "instable.htm", args, "dialogWidth:380px; dialogHeight:250px; help:no; status:no; scroll:no");
  if (result != null) {
    ObjTableInfo.NumRows = result.NumRows;
    ObjTableInfo.NumCols = result.NumCols;
    ObjTableInfo.TableAttrs = result.TableAttrs;
    ObjTableInfo.CellAttrs = result.CellAttrs;
    ObjTableInfo.Caption = result.Caption;
    tbContentElement.ExecCommand(DECMD_INSERTTABLE, OLECMDEXECOPT_DODEFAULT, ObjTableInfo);
  }
  tbContentElement.focus();
}
)page");
  if (editor.EnableFormatFont) {
    page.Lines(R"page(
function FORMAT_FONT_onclick() {
  tbContentElement.ExecCommand(DECMD_FONT, OLECMDEXECOPT_DODEFAULT);
  tbContentElement.focus();
}

function FORMAT_COLOR_onclick(command) {
  var current = tbContentElement.ExecCommand(command == DECMD_SETFORECOLOR ? DECMD_GETFORECOLOR : DECMD_GETBACKCOLOR, OLECMDEXECOPT_DODEFAULT);
  var color = window.showModalDialog(WorkingPath + "selcolor.htm", current, "dialogWidth:260px; dialogHeight:250px; help:no; status:no; scroll:no");
  if (color != null) tbContentElement.ExecCommand(command, OLECMDEXECOPT_DODEFAULT, color);
  tbContentElement.focus();
}

function FontName_onchange() {
  tbContentElement.ExecCommand(DECMD_SETFONTNAME, OLECMDEXECOPT_DODEFAULT, FontName.options[FontName.selectedIndex].value);
  tbContentElement.focus();
}
)page");
  } else {
    page.Lines(R"page(
function FORMAT_FONT_onclick() {
  alert("Advanced font formatting is disabled.");
}

function FORMAT_COLOR_onclick(command) {
  alert("Advanced font formatting is disabled.");
}
)page");
  }
  page.Lines(R"page(
function ParagraphStyle_onchange() {
  tbContentElement.ExecCommand(DECMD_SETBLOCKFMT, OLECMDEXECOPT_DODEFAULT, ParagraphStyle.options[ParagraphStyle.selectedIndex].value);
  tbContentElement.focus();
}

function FontSize_onchange() {
  tbContentElement.ExecCommand(DECMD_SETFONTSIZE, OLECMDEXECOPT_DODEFAULT, parseInt(FontSize.options[FontSize.selectedIndex].value));
  tbContentElement.focus();
}

function VIEW_TOOLBAR_onclick(id) {
  var bar = document.all[id];
  bar.style.display = bar.style.display == "none" ? "" : "none";
  TBLayout();
}

function TBCommand(key) {
  TBHideMenu();
  if (key == "MENU_FILE_SAVE") return MENU_FILE_SAVE_onclick();
  if (key == "MENU_FILE_NEW") return MENU_FILE_NEW_onclick();
  if (key.indexOf("VIEW_") == 0) return VIEW_TOOLBAR_onclick(key.substring(5));
  if (key == "DECMD_INSERTTABLE") return TABLE_INSERTTABLE_onclick();
  if (key == "DECMD_FONT") return FORMAT_FONT_onclick();
  if (key == "DECMD_SETFORECOLOR" || key == "DECMD_SETBACKCOLOR") return FORMAT_COLOR_onclick(window[key]);
  if (key == "ShowBorders" || key == "ShowDetails" || key == "SnapToGrid") {
    tbContentElement[key] = !tbContentElement[key];
  } else if (key == "DECMD_HYPERLINK" || key == "DECMD_FINDTEXT") {
    tbContentElement.ExecCommand(window[key], OLECMDEXECOPT_PROMPTUSER);
  } else {
    tbContentElement.ExecCommand(window[key], OLECMDEXECOPT_DODEFAULT);
  }
  tbContentElement.focus();
  tbContentElement_DisplayChanged();
}
//-->
</script>
)page");
}

void EventBindings(PageLines& page) {
  static constexpr std::string_view kEvents[][2] = {
      {"DisplayChanged", "tbContentElement_DisplayChanged()"},
      {"ShowContextMenu", "tbContentElement_ShowContextMenu()"},
      {"ContextMenuAction(itemIndex)", "tbContentElement_ContextMenuAction(itemIndex)"},
      {"DocumentComplete", "tbContentElement_DocumentComplete()"},
  };
  for (const auto& [event, call] : kEvents) {
    page.Line("<script LANGUAGE=\"javascript\" FOR=\"tbContentElement\" EVENT=\"" +
              std::string(event) + "\">");
    page.Line("<!--").Line("return " + std::string(call)).Line("//-->").Line("</script>");
  }
  page.Line("</head>");
}

// A pull-down's items, kept hidden inside its title: the toolbar package reads them when it
// opens the menu body.
void MenuItems(PageLines& page, std::span<const BarEntry> items) {
  page.Line("<div class=\"tbSubmenu\">");
  for (const BarEntry& item : items) {
    if (item.kind == BarEntryKind::kSeparator) {
      page.Line("<div class=\"tbMenuItem\"></div>");
    } else if (item.kind == BarEntryKind::kHeading) {
      page.Line("<div class=\"tbMenuItem\">" + std::string(item.caption) + "</div>");
    } else {
      page.Line("<div class=\"tbMenuItem\" tbcommand=\"" + std::string(item.key) + "\">" +
                std::string(item.caption) + "</div>");
    }
  }
  page.Line("</div>");
}

void MenuBarMarkup(PageLines& page) {
  page.Line("<div class=\"tbToolbar\" id=\"MenuBar\">");
  for (const Menu& menu : MenuBar()) {
    page.Line("<div class=\"tbMenu\" id=\"" + std::string(menu.id) +
              "\" LANGUAGE=\"javascript\" onclick=\"return TBShowMenu(this)\">" +
              std::string(menu.caption));
    MenuItems(page, menu.items);
    page.Line("</div>");
  }
  page.Line("</div>");
}

void Selects(PageLines& page, const BarEntry& entry, const HTMLEditor& editor) {
  const std::string id(entry.key);
  const std::string open = "<select ID=\"" + id + "\" class=\"tbGeneral\" TITLE=\"" +
                           std::string(entry.caption) +
                           "\" LANGUAGE=\"javascript\" onchange=\"return " + id + "_onchange()\"";
  if (id == "ParagraphStyle") {
    page.Line(open + " style=\"width:90px\">").Line("</select>");
  } else if (id == "FontName") {
    if (!editor.EnableFormatFont) return;
    page.Line(open + " style=\"width:140px\">");
    for (const Variant& font : editor.Fonts->Items()) {
      const std::string name = TextOrEmpty(font);
      page.Line("<option value=\"" + name + "\">" + name + "</option>");
    }
    page.Line("</select>");
  } else {
    page.Line(open + " style=\"width:40px\">");
    for (int size = 1; size <= kFontSizes; ++size) {
      const std::string n = std::to_string(size);
      page.Line("<option value=\"" + n + "\">" + n + "</option>");
    }
    page.Line("</select>");
  }
}

void ToolbarsMarkup(PageLines& page, const HTMLEditor& editor) {
  for (const Toolbar& bar : Toolbars()) {
    page.Line("<div class=\"tbToolbar\" id=\"" + std::string(bar.id) + "\">");
    for (const BarEntry& entry : bar.entries) {
      const std::string key(entry.key);
      const std::string image = "<img class=\"tbIcon\" src=\"" + editor.WorkingPath + "images/" +
                                std::string(entry.icon) + "\" WIDTH=\"23\" HEIGHT=\"22\">";
      switch (entry.kind) {
        case BarEntryKind::kSeparator:
          page.Line("<div class=\"tbSeparator\"></div>");
          break;
        case BarEntryKind::kSelect:
          Selects(page, entry, editor);
          break;
        case BarEntryKind::kMenu:
          page.Line("<div class=\"tbButton\" id=\"tb" + key + "\" tbcommand=\"" + key +
                    "\" TITLE=\"" + std::string(entry.caption) +
                    "\" LANGUAGE=\"javascript\" onclick=\"return TBShowMenu(this)\">" + image);
          MenuItems(page, ZOrderMenu().items);
          page.Line("</div>");
          break;
        default:
          page.Line("<div class=\"tbButton\" id=\"tb" + key + "\" tbcommand=\"" + key +
                    "\" TITLE=\"" + std::string(entry.caption) +
                    "\" LANGUAGE=\"javascript\" onclick=\"return TBCommand('" + key + "')\">" +
                    image + "</div>");
      }
    }
    page.Line("</div>");
  }
}

void Objects(PageLines& page) {
  page.Lines(
      R"page(<object ID="ObjBlockFormatInfo" CLASSID="clsid:8D91090E-B955-11D1-ADC5-006008A5848C" VIEWASTEXT>
</object>
<object ID="tbContentElement" CLASS="tbContentElement" CLASSID="clsid:2D360201-FFF5-11D1-8D03-00A0C959BC0A" VIEWASTEXT>
<param NAME="Scrollbars" VALUE="true">
<param NAME="ScrollbarAppearance" VALUE="0">
<param NAME="ActivateApplets" VALUE="false">
<param NAME="ActivateActiveXControls" VALUE="false">
<param NAME="ActivateDTCs" VALUE="false">
<param NAME="ShowDetails" VALUE="false">
<param NAME="ShowBorders" VALUE="false">
<param NAME="Appearance" VALUE="0">
</object>
<object ID="ObjTableInfo" CLASSID="clsid:47B0DFC7-B7A3-11D1-ADC5-006008A5848C" VIEWASTEXT>
</object>
)page");
}

// The toolbar package: button looks and states, the layout of the bars above the control,
// and the pull-downs. A pull-down is a scriptlet (menubody.htm) because only a windowed object
// can be drawn over the editing control.
void ToolbarPackage(PageLines& page, const HTMLEditor& editor) {
  page.Line("<object ID=\"tbMenuBody\" CLASS=\"tbMenuBody\" TYPE=\"text/x-scriptlet\" DATA=\"" +
            editor.WorkingPath + "menubody.htm\"></object>");
  page.Lines(R"page(<script LANGUAGE="javascript">
<!--
var TBButtons = new Array();
var TBBars = new Array("MenuBar", "StandardToolbar", "FormatToolbar", "AbsolutePositioningToolbar", "TableToolbar");
var TBMenuKeys = new Array();
var TBMenuOwner = null;

function TBInitButtons() {
  var divs = document.all.tags("DIV");
  var i;
  for (i = 0; i < divs.length; i++) {
    if (divs[i].className == "tbButton") {
      divs[i].TBSTATE = "unchecked";
      divs[i].onmouseover = TBButtonOver;
      divs[i].onmouseout = TBButtonOut;
      divs[i].onmousedown = TBButtonDown;
      divs[i].onmouseup = TBButtonOver;
      TBButtons[TBButtons.length] = divs[i];
    }
  }
  window.onresize = TBLayout;
  document.onmousedown = TBDocumentDown;
}

function TBSetState(button, state) {
  button.TBSTATE = state;
  button.className = state == "checked" ? "tbButton tbButtonLatched" : "tbButton";
  button.children(0).className = state == "gray" ? "tbIcon tbIconDisabled" : "tbIcon";
}

function TBButtonOver() {
  if (this.TBSTATE == "unchecked") this.className = "tbButton tbButtonMouseOverUp";
  this.children(0).className = this.TBSTATE == "gray" ? "tbIcon tbIconDisabled" : "tbIcon";
}

function TBButtonOut() {
  TBSetState(this, this.TBSTATE);
}

function TBButtonDown() {
  if (this.TBSTATE == "gray") return;
  this.className = "tbButton tbButtonMouseOverDown";
  this.children(0).className = "tbIcon tbIconDown";
}

function TBLayout() {
  var top = 0;
  var i, bar;
  for (i = 0; i < TBBars.length; i++) {
    bar = document.all[TBBars[i]];
    if (bar.style.display != "none") {
      bar.style.top = top;
      top += bar.offsetHeight;
    }
  }
  tbContentElement.style.top = top;
  tbContentElement.style.height = Math.max(document.body.clientHeight - top, 0);
}

function TBMenuItemState(key) {
  if (key.indexOf("VIEW_") == 0) return document.all[key.substring(5)].style.display == "none" ? "" : "checked";
  if (key.indexOf("DECMD_") == 0) {
    var state = TBStateOf(tbContentElement.QueryStatus(window[key]));
    return state == "unchecked" ? "" : state;
  }
  if (key == "ShowBorders" || key == "ShowDetails" || key == "SnapToGrid") return tbContentElement[key] ? "checked" : "";
  return "";
}

function TBShowMenu(owner) {
  var items, i, key, lines, left, top, element;
  if (TBMenuOwner == owner) {
    TBHideMenu();
    return false;
  }
  TBHideMenu();
  items = owner.all.tags("DIV");
  lines = "";
  TBMenuKeys.length = 0;
  for (i = 0; i < items.length; i++) {
    if (items[i].className != "tbMenuItem") continue;
    key = items[i].getAttribute("tbcommand");
    TBMenuKeys[TBMenuKeys.length] = key;
    if (key == null || key == "") {
      lines += items[i].innerText + "\t" + (items[i].innerText == "" ? "-" : "heading") + "\n";
    } else {
      lines += items[i].innerText + "\t" + TBMenuItemState(key) + "\n";
    }
  }
  tbMenuBody.Items = lines;
  left = 0;
  top = owner.offsetHeight;
  for (element = owner; element != null; element = element.offsetParent) {
    left += element.offsetLeft;
    top += element.offsetTop;
  }
  tbMenuBody.style.left = left;
  tbMenuBody.style.top = top;
  tbMenuBody.style.height = tbMenuBody.Height;
  tbMenuBody.style.visibility = "visible";
  if (owner.className == "tbMenu") owner.className = "tbMenu tbMenuSelected";
  TBMenuOwner = owner;
  return false;
}

function TBHideMenu() {
  if (TBMenuOwner == null) return;
  tbMenuBody.style.visibility = "hidden";
  if (TBMenuOwner.className == "tbMenu tbMenuSelected") TBMenuOwner.className = "tbMenu";
  TBMenuOwner = null;
}

function TBDocumentDown() {
  if (TBMenuOwner != null && !TBMenuOwner.contains(window.event.srcElement)) TBHideMenu();
}

function TBMenuChosen(name, index) {
  var key;
  if (name != "choose") return;
  key = TBMenuKeys[index];
  TBHideMenu();
  if (key != null && key != "") TBCommand(key);
}
//-->
</script>
<script LANGUAGE="javascript" FOR="tbMenuBody" EVENT="onscriptletevent(name, eventData)">
<!--
return TBMenuChosen(name, eventData)
//-->
</script>
)page");
}

void Body(PageLines& page, const HTMLEditor& editor) {
  page.Line(
      "<body LANGUAGE=\"javascript\" onload=\"return window_onload()\" onunload=\"return "
      "window_onunload()\">");
  MenuBarMarkup(page);
  ToolbarsMarkup(page, editor);
  Objects(page);
  ToolbarPackage(page, editor);
  page.Line("</body>").Line("</html>");
}

}  // namespace

std::string MSIEEditorPage(const HTMLEditor& editor) {
  PageLines page;
  Head(page, editor);
  StyleSheet(page);
  CommandConstants(page);
  PageLogic(page, editor);
  EventBindings(page);
  Body(page, editor);
  return page.Take();
}

}  // namespace korvex
