// The editor page for browsers without Internet Explorer's editing control: the same menus,
// toolbars and behaviours on a frame in design mode, opened by the caller's launcher as a
// window that takes the field's value from its opener and hands the edited body back.
#pragma once

#include <string>

namespace korvex {

class HTMLEditor;

/// The whole page. Title, WorkingPath and the Fonts are the page's settings, written as the
/// Internet Explorer page writes them (WorkingPath as a script string where the script needs
/// it); the edited value never appears in the page.
std::string BrowserEditorPage(const HTMLEditor& editor);

}  // namespace korvex
