// RStoTable; see recordset_table.h.
#include "diagnostics/recordset_table.h"

#include "ado/field.h"
#include "ado/recordset.h"
#include "core/text.h"
#include "render/html_text.h"

namespace korvex {

std::string RStoTable(const AdminRecordset& page, ado::Recordset& recordset) {
  ado::Fields& fields = recordset.Fields();
  const size_t count = static_cast<size_t>(fields.Count());
  HtmlText html(page);
  html.Raw("<TABLE BORDER=1><TR ALIGN=CENTER>");
  // Names come from the database like the values do, so they are encoded as well.
  for (size_t i = 0; i < count; ++i) html.Raw("<TD>").Html(fields[i].Name()).Raw("</TD>");
  html.Raw("</TR>");
  for (; !recordset.IsEOF(); recordset.MoveNext()) {
    html.Raw("<TR ALIGN=CENTER>");
    for (size_t i = 0; i < count; ++i) {
      // A binary value is its bytes: whatever is not UTF-8 among them must not reach the page.
      std::string value = SanitizeUtf8(TextOrEmpty(fields[i].Value()));
      html.Raw("<TD>");
      if (value.empty())
        html.Raw("&nbsp;");
      else
        html.Html(value);
      html.Raw("</TD>");
    }
    html.Raw("</TR>");
  }
  html.Raw("</TABLE>");
  return html.Take();
}

}  // namespace korvex
