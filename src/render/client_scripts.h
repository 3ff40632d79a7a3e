// Browser script functions several screens write into their pages: the element finder that
// file fields and the file manager use to read and write a field of the opener's form, and the
// launcher that opens the HTML editor on a field. Each text is a run of complete function
// definitions with CR LF line ends, to be placed inside a script block.
#pragma once

#include <string_view>

namespace korvex {

/// FindObj(n, d), GetObjVal(objName,d) and SetTextOfTextfield(objName,x,newText).
std::string_view FieldFinderScript();

/// checkvalidbrowser() and launchEditor(varURL,varFormName,varFieldName,varPrompt), with
/// launchEditorWindow(varURL, field, varPrompt), its way for browsers without modal dialogs.
std::string_view EditorLauncherScript();

}  // namespace korvex
