// See editor_page.h. Both pages load the same support files, so both are refused alike when
// they are missing.
#include "editor/editor_page.h"

#include <filesystem>
#include <system_error>

#include "component/admin_recordset.h"
#include "component/settings/html_editor.h"
#include "editor/browser_editor_page.h"
#include "editor/msie_editor_page.h"
#include "host/intrinsics.h"

namespace korvex {

namespace {

bool SupportFilesFound(const HTMLEditor& editor) {
  const Variant path(editor.WorkingPath + "instable.htm");
  const std::string mapped =
      ToText(RequireObject(Variant(editor.ASPServer))->Call("MapPath", Args(&path, 1)));
  std::error_code ec;
  return std::filesystem::is_regular_file(mapped, ec);
}

}  // namespace

std::string MissingFilesMessage(const std::string& working_path) {
  return "KORVEX ERROR: In order to use the HTML Editor you need to "
         "copy some files in your web server under the folder "
         "defined in the WorkingPath Property. "
         "At the moment the value of this property is " +
         working_path +
         " but KorVex is unable to find one of the required files."
         " Please copy required files on the web server. "
         " This files are in your KorVex Program folder in a folder named KorVex.";
}

bool IsMSIEUserAgent(std::string_view user_agent) {
  return user_agent.find("MSIE") != std::string_view::npos;
}

std::string RenderHTMLEditor(const HTMLEditor& editor) {
  if (!SupportFilesFound(editor)) return MissingFilesMessage(editor.WorkingPath);
  return MSIEEditorPage(editor);
}

void RenderHTMLEditorPage(AdminRecordset& page) {
  const HTMLEditor& editor = *page.HTMLEditor;
  std::string text;
  if (!SupportFilesFound(editor)) {
    text = MissingFilesMessage(editor.WorkingPath);
  } else if (IsMSIEUserAgent(
                 page.Request().ServerVariables().Get("HTTP_USER_AGENT").value_or(""))) {
    text = MSIEEditorPage(editor);
  } else {
    text = BrowserEditorPage(editor);
  }
  host::Response& response = page.Response();
  response.Clear();
  response.WriteText(text);
  response.End();
}

}  // namespace korvex
