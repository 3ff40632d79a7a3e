// HTMLSearchForm's members: skin, captions, result target, style, per-field declarations and
// the keyword box.
#include "component/settings/html_search_form.h"

#include "core/member_table.h"

namespace korvex {

const MemberTable& HTMLSearchForm::Members() const {
  using C = HTMLSearchForm;
  static const MemberTable table("HTMLSearchForm",
                                 {
                                     ObjectProp<&C::Table>("Table"),
                                     Prop<&C::SubmitCaption>("SubmitCaption"),
                                     Prop<&C::ResetCaption>("ResetCaption"),
                                     Prop<&C::CriterionTitle>("CriterionTitle"),
                                     Prop<&C::SelectText>("SelectText"),
                                     Prop<&C::Action>("Action"),
                                     Prop<&C::HideOrderByRow>("HideOrderByRow"),
                                     Prop<&C::HideTopDistinctRow>("HideTopDistinctRow"),
                                     ObjectProp<&C::HiddenFields>("HiddenFields"),
                                     ObjectProp<&C::FieldAliases>("FieldAliases"),
                                     ObjectProp<&C::RelatedRecords>("RelatedRecords"),
                                     Prop<&C::Style>("Style"),
                                     Prop<&C::ShowResetButton>("ShowResetButton"),
                                     ObjectProp<&C::FastSearch>("FastSearch"),
                                     Prop<&C::BeforeButtons>("BeforeButtons"),
                                 });
  return table;
}

}  // namespace korvex
