// The shared browser functions. They are fixed texts: nothing of the request or the database
// goes into them.
#include "render/client_scripts.h"

namespace korvex {

std::string_view FieldFinderScript() {
  // FindObj looks for a name in the named elements, the whole element list, every form and
  // every layer of the document; "name?frame" looks in that frame's document instead.
  return "function FindObj(n, d) {\r\n"
         "  var p, i, x;\r\n"
         "  if (!d) d = document;\r\n"
         "  if ((p = n.indexOf('?')) > 0 && parent.frames.length) {\r\n"
         "    d = parent.frames[n.substring(p + 1)].document;\r\n"
         "    n = n.substring(0, p);\r\n"
         "  }\r\n"
         "  if (!(x = d[n]) && d.all) x = d.all[n];\r\n"
         "  for (i = 0; !x && i < d.forms.length; i++) x = d.forms[i][n];\r\n"
         "  for (i = 0; !x && d.layers && i < d.layers.length; i++)\r\n"
         "    x = FindObj(n, d.layers[i].document);\r\n"
         "  if (!x && d.getElementById) x = d.getElementById(n);\r\n"
         "  return x;\r\n"
         "}\r\n"
         "function GetObjVal(objName,d) {\r\n"
         "  var obj = FindObj(objName, d);\r\n"
         "  return obj ? obj.value : '';\r\n"
         "}\r\n"
         "function SetTextOfTextfield(objName,x,newText) {\r\n"
         "  var obj = FindObj(objName);\r\n"
         "  if (obj) obj.value = newText;\r\n"
         "}\r\n";
}

std::string_view EditorLauncherScript() {
  // Internet Explorer gets the editor page on its HTML editing control as a modal dialog; the
  // version test reads the digit after "MSIE " as text, as the editor page itself does. Any
  // other browser (none has modal dialogs any more) gets a window, as page code 20 serves it
  // the page built on the browser's own editing: the value waits in KorVexEditorCalls under the
  // window's name, and the window hands the edited value back when it closes, however closed;
  // the question waits until the window is gone, as a closing window cannot show it.
  return "function checkvalidbrowser() {\r\n"
         "  var agent = navigator.userAgent;\r\n"
         "  var parts = agent.split(';');\r\n"
         "  if (agent.indexOf('MSIE') < 0 || parts.length < 2 || parts[1].charAt(6) < '5') {\r\n"
         "    alert('This HTML Editor requires Internet Explorer5 or Above!');\r\n"
         "    return false;\r\n"
         "  }\r\n"
         "  return true;\r\n"
         "}\r\n"
         "function launchEditor(varURL,varFormName,varFieldName,varPrompt) {\r\n"
         "  if (!window.showModalDialog || navigator.userAgent.indexOf('MSIE') < 0)\r\n"
         "    return launchEditorWindow(varURL, "
         "document.forms[varFormName].elements[varFieldName], "
         "varPrompt);\r\n"
         "  if (!checkvalidbrowser()) return false;\r\n"
         "  var field = document.forms[varFormName].elements[varFieldName];\r\n"
         "  var current = field.value;\r\n"
         "  var edited = window.showModalDialog(varURL, current,\r\n"
         "      'font-family:Verdana; font-size:12; dialogWidth:740px; dialogHeight:580px');\r\n"
         "  if (edited != null && edited != current && confirm(varPrompt)) field.value = "
         "edited;\r\n"
         "  return false;\r\n"
         "}\r\n"
         "function launchEditorWindow(varURL, field, varPrompt) {\r\n"
         "  var calls = window.KorVexEditorCalls || (window.KorVexEditorCalls = {});\r\n"
         "  launchEditorWindow.opened = (launchEditorWindow.opened || 0) + 1;\r\n"
         "  var name = 'KorVexEditor' + launchEditorWindow.opened;\r\n"
         "  var current = field.value;\r\n"
         "  calls[name] = {\r\n"
         "    value: current,\r\n"
         "    close: function (edited) {\r\n"
         "      delete calls[name];\r\n"
         "      window.setTimeout(function () {\r\n"
         "        if (edited != null && edited != current && confirm(varPrompt)) field.value = "
         "edited;\r\n"
         "      }, 0);\r\n"
         "    }\r\n"
         "  };\r\n"
         "  if (!window.open(varURL, name, "
         "'width=740,height=580,resizable=yes,scrollbars=yes'))\r\n"
         "    delete calls[name];\r\n"
         "  return false;\r\n"
         "}\r\n";
}

}  // namespace korvex
