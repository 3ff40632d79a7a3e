// HTMLReport's members: template, page size, WHERE clause, value writing, filter and the XML
// alternative.
#include "component/settings/html_report.h"

#include "core/member_table.h"

namespace korvex {

const MemberTable& HTMLReport::Members() const {
  using C = HTMLReport;
  static const MemberTable table("HTMLReport", {
                                                   ObjectProp<&C::Template>("Template"),
                                                   Prop<&C::PageSize>("PageSize"),
                                                   Prop<&C::WhereClause>("WhereClause"),
                                                   Prop<&C::HtmlEncodeFields>("HtmlEncodeFields"),
                                                   Prop<&C::ReplaceVbCrLf>("ReplaceVbCrLf"),
                                                   Prop<&C::Filter>("Filter"),
                                                   Prop<&C::IsXML>("IsXML"),
                                               });
  return table;
}

}  // namespace korvex
