// Settings of the template report: the template, page size, the table's own WHERE clause,
// how values are written, the ADO filter and the XML alternative.
#pragma once

#include <cstdint>
#include <string>

#include "component/settings/html_template.h"
#include "core/dispatch.h"
#include "core/on_first_read.h"

namespace korvex {

class HTMLReport : public Dispatch {
 public:
  const MemberTable& Members() const override;

  OnFirstRead<HTMLTemplate> Template;
  int32_t PageSize = 50;
  std::string WhereClause;
  bool HtmlEncodeFields = true;
  bool ReplaceVbCrLf = true;
  /// An ADO filter for the report's recordset; an empty text means none.
  Variant Filter = Variant("");
  bool IsXML = false;
};

}  // namespace korvex
