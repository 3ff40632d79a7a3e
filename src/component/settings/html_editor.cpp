// HTMLEditor's members, and OnStartPage, which takes the page's Server object for mapping
// paths.
#include "component/settings/html_editor.h"

#include "component/settings/html_java_scripts.h"
#include "core/member_table.h"

namespace korvex {

void HTMLEditor::OnStartPage(const std::shared_ptr<Dispatch>& context) {
  ASPServer = RequireObject(context->Get("Server"));
}

std::string HTMLEditor::GenerateCallerCode(const std::string& FieldName,
                                           const std::string& FormName,
                                           const std::string& URL) const {
  std::string out = "<input class='Button' type='button' name='' value='";
  out += TextOrEmpty(CallerButtonCaption);
  out += "' LANGUAGE='javascript' onClick=\"return launchEditor('";
  out += HTMLJavaScripts::JsEscapeForAttribute(URL);
  out += "', '";
  out += HTMLJavaScripts::JsEscapeForAttribute(FormName);
  out += "','";
  out += HTMLJavaScripts::JsEscapeForAttribute(FieldName);
  out += "','";
  out += TextOrEmpty(SavePrompt);
  out += "')\">";
  return out;
}

const MemberTable& HTMLEditor::Members() const {
  using C = HTMLEditor;
  static const MemberTable table("HTMLEditor",
                                 {
                                     Prop<&C::Title>("Title"),
                                     Prop<&C::WorkingPath>("WorkingPath"),
                                     Prop<&C::EnableFormatFont>("EnableFormatFont"),
                                     ObjectProp<&C::Fonts>("Fonts"),
                                     Prop<&C::CallerButtonCaption>("CallerButtonCaption"),
                                     Prop<&C::SavePrompt>("SavePrompt"),
                                     Prop<&C::ASPServer>("ASPServer"),
                                     Method("OnStartPage", &C::OnStartPage),
                                     Method("GenerateCallerCode", &C::GenerateCallerCode),
                                 });
  return table;
}

}  // namespace korvex
