// HTMLResultPage's members: the texts and limits of the page shown after a form was stored.
#include "component/settings/html_result_page.h"

#include "core/member_table.h"

namespace korvex {

const MemberTable& HTMLResultPage::Members() const {
  using C = HTMLResultPage;
  static const MemberTable table("HTMLResultPage",
                                 {
                                     ObjectProp<&C::Table>("Table"),
                                     Prop<&C::TopAddNewText>("TopAddNewText"),
                                     Prop<&C::BottomAddNewText>("BottomAddNewText"),
                                     Prop<&C::TopModifyText>("TopModifyText"),
                                     Prop<&C::BottomModifyText>("BottomModifyText"),
                                     Prop<&C::DeleteText>("DeleteText"),
                                     ObjectProp<&C::RelatedRecords>("RelatedRecords"),
                                     Prop<&C::MaxFieldsLenght>("MaxFieldsLenght"),
                                     Prop<&C::TrimmedContentCaption>("TrimmedContentCaption"),
                                 });
  return table;
}

}  // namespace korvex
