// HTMLTemplate's members: the template file and the comment markers the report merge finds.
#include "component/settings/html_template.h"

#include "core/member_table.h"

namespace korvex {

const MemberTable& HTMLTemplate::Members() const {
  static const MemberTable table(
      "HTMLTemplate", {
                          Prop<&HTMLTemplate::Path>("Path"),
                          Prop<&HTMLTemplate::BeginLoopKey>("BeginLoopKey"),
                          Prop<&HTMLTemplate::EndLoopKey>("EndLoopKey"),
                          Prop<&HTMLTemplate::PaginationKey>("PaginationKey"),
                          Prop<&HTMLTemplate::TotalRecordsKey>("TotalRecordsKey"),
                          Prop<&HTMLTemplate::FirstRecordInPageKey>("FirstRecordInPageKey"),
                          Prop<&HTMLTemplate::LastRecordInPageKey>("LastRecordInPageKey"),
                          Prop<&HTMLTemplate::RecordCountKey>("RecordCountKey"),
                      });
  return table;
}

}  // namespace korvex
