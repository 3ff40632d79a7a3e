// HTMLFastSearch's members: the keyword box's size, its any/all-words choice and the markup
// placed around it.
#include "component/settings/html_fast_search.h"

#include "core/member_table.h"

namespace korvex {

const MemberTable& HTMLFastSearch::Members() const {
  using C = HTMLFastSearch;
  static const MemberTable table("HTMLFastSearch",
                                 {
                                     Prop<&C::MaxLength>("MaxLength"),
                                     Prop<&C::Size>("Size"),
                                     Prop<&C::ShowAllAnySelector>("ShowAllAnySelector"),
                                     Prop<&C::DefaultToAllWords>("DefaultToAllWords"),
                                     Prop<&C::AnyWordCaption>("AnyWordCaption"),
                                     Prop<&C::AllWordsCaption>("AllWordsCaption"),
                                     Prop<&C::AfterFormOpenHTML>("AfterFormOpenHTML"),
                                     Prop<&C::AfterInputHTML>("AfterInputHTML"),
                                     Prop<&C::AfterAnyRadioHTML>("AfterAnyRadioHTML"),
                                     Prop<&C::AfterAllRadioHTML>("AfterAllRadioHTML"),
                                 });
  return table;
}

}  // namespace korvex
