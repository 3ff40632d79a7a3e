// HTMLEditor's members, OnStartPage, which takes the page's Server object for mapping paths,
// and the caller button. The page itself is built above this layer and reached through the
// installed screens.
#include "component/settings/html_editor.h"

#include "component/screens.h"
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

std::string HTMLEditor::Render() const {
  return InstalledScreens().RenderHTMLEditor(*this);
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
                                     Method("Render", &C::Render),
                                 });
  return table;
}

}  // namespace korvex
