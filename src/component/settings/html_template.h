// The report template: its file and the comment markers the merge looks for.
#pragma once

#include <string>

#include "core/dispatch.h"

namespace korvex {

class HTMLTemplate : public Dispatch {
 public:
  const MemberTable& Members() const override;

  std::string Path;  // "" means the generated base template
  std::string BeginLoopKey = "<!-- KORVEX BEGIN LOOP -->";
  std::string EndLoopKey = "<!-- KORVEX END LOOP -->";
  std::string PaginationKey = "<!-- KORVEX PAGINATION -->";
  std::string TotalRecordsKey = "<!-- KORVEX TOTAL REC -->";
  std::string FirstRecordInPageKey = "<!-- KORVEX FIRST REC ON PAGE -->";
  std::string LastRecordInPageKey = "<!-- KORVEX LAST REC ON PAGE -->";
  std::string RecordCountKey = "<!-- KORVEX REC COUNT -->";
};

}  // namespace korvex
