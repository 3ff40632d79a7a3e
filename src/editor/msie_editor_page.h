// The editor page for Internet Explorer 5 or later: a toolbar-and-menu window around the
// browser's DHTML editing control, loading the dialog argument and returning the edited body
// as the dialog's return value.
#pragma once

#include <string>

namespace korvex {

class HTMLEditor;

/// The whole page. Title, WorkingPath and the Fonts are the page's settings and are written as
/// they stand; the edited value never appears in the page, it arrives as the dialog argument.
std::string MSIEEditorPage(const HTMLEditor& editor);

}  // namespace korvex
