// The template report: one page of a result merged into an HTML template (header, a section
// repeated per record, footer) with the totals and page links, or the result as an XML
// document. Reached through DoReport and the report of a search.
#pragma once

#include <string>

namespace korvex {

class AdminRecordset;

/// Writes the report of source through page.RW: the quoted recordset (with Report.WhereClause)
/// when source is page.recordset(), any other text as the statement itself. A template without
/// its loop keys writes the key's notice and leaves ActionPerformed; otherwise it is 256.
/// Failures to open the data or the template file are raised.
void RenderTemplateReport(AdminRecordset& page, const std::string& source);

}  // namespace korvex
