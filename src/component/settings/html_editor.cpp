// HTMLEditor's members, and OnStartPage, which takes the page's Server object for mapping
// paths.
#include "component/settings/html_editor.h"

#include "core/member_table.h"

namespace korvex {

void HTMLEditor::OnStartPage(const std::shared_ptr<Dispatch>& context) {
  ASPServer = RequireObject(context->Get("Server"));
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
                                 });
  return table;
}

}  // namespace korvex
