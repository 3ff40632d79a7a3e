// HTMLEditingList's members, and the button-caption setters, which refuse a blank caption and
// an edit caption equal to the delete caption.
#include "component/settings/html_editing_list.h"

#include "component/errors.h"
#include "core/member_table.h"

namespace korvex {

const MemberTable& HTMLEditingList::Members() const {
  using C = HTMLEditingList;
  static const MemberTable table(
      "HTMLEditingList",
      {
          ObjectProp<&C::Table>("Table"),
          Prop<&C::PageSize>("PageSize"),
          Prop<&C::EditTitle>("EditTitle"),
          Prop<&C::AllowEdit>("AllowEdit"),
          Prop<&C::AllowDelete>("AllowDelete"),
          Prop<&C::ShowRecordCount>("ShowRecordCount"),
          Prop<&C::ShowSQLText>("ShowSQLText"),
          Prop<&C::RecordText>("RecordText"),
          Prop<&C::ToText>("ToText"),
          Prop<&C::OnATotalText>("OnATotalText"),
          Prop<&C::BetweenEditAndDelete>("BetweenEditAndDelete"),
          Prop<&C::PageText>("PageText"),
          Prop<&C::TopText>("TopText"),
          Prop<&C::BottomText>("BottomText"),
          Prop<&C::ErrNoCurrentRecord>("ErrNoCurrentRecord"),
          ObjectProp<&C::HiddenFields>("HiddenFields"),
          ObjectProp<&C::RelatedRecords>("RelatedRecords"),
          ObjectProp<&C::FieldAliases>("FieldAliases"),
          Prop<&C::Filter>("Filter"),
          ObjectProp<&C::ManyToMany>("ManyToMany"),
          Prop<&C::MaxFieldsLenght>("MaxFieldsLenght"),
          Prop<&C::TrimmedContentCaption>("TrimmedContentCaption"),
          Accessor("ButtonEditCaption", &C::ButtonEditCaption, &C::ButtonEditCaption),
          Accessor("ButtonDeleteCaption", &C::ButtonDeleteCaption, &C::ButtonDeleteCaption),
      });
  return table;
}

void HTMLEditingList::ButtonEditCaption(std::string caption) {
  CheckButtonCaption(caption, button_delete_caption_);
  button_edit_caption_ = std::move(caption);
}

void HTMLEditingList::ButtonDeleteCaption(std::string caption) {
  CheckButtonCaption(caption, button_edit_caption_);
  button_delete_caption_ = std::move(caption);
}

}  // namespace korvex
