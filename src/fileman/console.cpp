// The console frame: the upload form, the letter index, the message of the last action, and
// the reload of the list that shows its result. Also the pieces the delete and rename pages
// write around their forms.
#include "fileman/console.h"

#include "component/admin_recordset.h"
#include "component/settings/html_java_scripts.h"
#include "fileman/file_manager.h"
#include "host/intrinsics.h"
#include "render/field_widgets.h"

namespace korvex {

ReturnTarget KeptReturnTarget(const AdminRecordset& page) {
  host::Session& session = page.Session();
  return {TextOrEmpty(session.Value(page.ParamName("returnfield"))),
          TextOrEmpty(session.Value(page.ParamName("returnform")))};
}

std::string ScriptUrl(const AdminRecordset& page, int code) {
  return page.ScriptName() + "?" + page.ParamName("Page") + "=" + std::to_string(code);
}

std::string ReturnQuery(const AdminRecordset& page, const ReturnTarget& target) {
  return "&returnfield=" + page.UE(target.field) + "&returnform=" + page.UE(target.form);
}

void WriteConsoleHead(AdminRecordset& page) {
  page.Response().Clear();
  page.RW(page.FileMan->ConsoleHead);
}

void WriteConsoleFoot(AdminRecordset& page) {
  page.RW(page.FileMan->ConsoleFoot);
  page.Response().End();
}

std::string BackButton(const AdminRecordset& page) {
  return "<input type=button name=back value='" + TextOrEmpty(page.FileMan->BackCaption) +
         "' onClick=\"parent.frames[1].location=('" +
         HTMLJavaScripts::JsEscapeForAttribute(ScriptUrl(page, 13)) + "')\">";
}

std::string CloseButton(const AdminRecordset& page) {
  return "<input type=button name=back value='" + TextOrEmpty(page.FileMan->CloseCaption) +
         "' onClick=\"parent.close()\">";
}

std::string ScriptBlockString(std::string_view text) {
  const std::string escaped = HTMLJavaScripts::JsEscape(text);
  std::string out;
  out.reserve(escaped.size());
  for (size_t i = 0; i < escaped.size(); ++i) {
    out += escaped[i];
    if (escaped[i] == '<' && i + 1 < escaped.size() && escaped[i + 1] == '/') out += '\\';
  }
  return out;
}

void RenderFileManConsole(AdminRecordset& page, const std::string& message,
                          const std::string& file_name) {
  const filFileMan& files = *page.FileMan;
  const ReturnTarget target = KeptReturnTarget(page);
  const std::string returns = ReturnQuery(page, target);
  WriteConsoleHead(page);
  page.RW("<FORM NAME=theForm ACTION='" + page.HE(ScriptUrl(page, 14)) + returns +
          "' METHOD=POST ENCTYPE='multipart/form-data'>");
  if (files.AllowSendFile) {
    page.RW("<INPUT TYPE=FILE SIZE=41 NAME='FileData'>");
    page.RW("<input type=submit value='" + TextOrEmpty(files.ConfirmSendFile) + "' >");
  }
  page.RW(CloseButton(page));
  page.RW("</FORM>");
  if (CBool(Variant(files.DoAlphabeticalIndex))) {
    page.RW(files.AlphabeticalIndexHead);
    page.RW(
        files.AlphabeticalIndexSeparator +
        AlphabetLinks(files.AlphabeticalIndexSeparator, page.HE(ScriptUrl(page, 12)) + returns));
    page.RW(files.AlphabeticalIndexFoot);
  }
  page.RW(message);
  if (!Trim(message, " ").empty()) {
    // The list reloads scrolled to the file the action was about.
    page.RW("<script>");
    page.RW("parent.frames[0].location=('" +
            ScriptBlockString(ScriptUrl(page, 12) + "&UploadedFile=" + file_name + returns + "&#" +
                              file_name) +
            "')");
    page.RW("</script>");
  }
  WriteConsoleFoot(page);
}

}  // namespace korvex
