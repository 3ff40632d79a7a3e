#include "listing/html_table.h"

#include "core/member_table.h"

namespace korvex {

const MemberTable& HTMLTable::Members() const {
  static const MemberTable table("HTMLTable",
                                 {
                                     Prop<&HTMLTable::LabelTD>("LabelTD"),
                                     Prop<&HTMLTable::DataTD>("DataTD"),
                                     Prop<&HTMLTable::SubmitTD>("SubmitTD"),
                                     Prop<&HTMLTable::LabelTitleTD>("LabelTitleTD"),
                                     Prop<&HTMLTable::DataTitleTD>("DataTitleTD"),
                                     Prop<&HTMLTable::LabelTitle>("LabelTitle"),
                                     Prop<&HTMLTable::DataTitle>("DataTitle"),
                                     Prop<&HTMLTable::TableTag>("TableTag"),
                                     Prop<&HTMLTable::LabelTDClose>("LabelTDClose"),
                                     Prop<&HTMLTable::DataTDClose>("DataTDClose"),
                                     Prop<&HTMLTable::SubmitTDClose>("SubmitTDClose"),
                                     Prop<&HTMLTable::LabelTitleTDClose>("LabelTitleTDClose"),
                                     Prop<&HTMLTable::DataTitleTDClose>("DataTitleTDClose"),
                                     Prop<&HTMLTable::TitleTR>("TitleTR"),
                                     Prop<&HTMLTable::TitleTRClose>("TitleTRClose"),
                                     Prop<&HTMLTable::OddTR>("OddTR"),
                                     Prop<&HTMLTable::EvenTR>("EvenTR"),
                                     Prop<&HTMLTable::OddTRClose>("OddTRClose"),
                                     Prop<&HTMLTable::EvenTRClose>("EvenTRClose"),
                                     Prop<&HTMLTable::SubmitTR>("SubmitTR"),
                                     Prop<&HTMLTable::SubmitTRClose>("SubmitTRClose"),
                                     Prop<&HTMLTable::TableTagClose>("TableTagClose"),
                                 });
  return table;
}

}  // namespace korvex
