// Page links of an open recordset: the count comes from the recordset's RecordCount, which
// the data layer answers without fetching the rows, and the recordset stays on its first
// record for the caller's walk.
#include "ado/recordset.h"
#include "component/admin_recordset.h"
#include "host/intrinsics.h"
#include "render/page_links.h"

namespace korvex {

std::string LinkPath(const AdminRecordset& page) {
  return page.HE(page.Request().ServerVariables().Get("PATH_INFO").value_or(""));
}

std::string BuildPageLinks(AdminRecordset& page, ado::Recordset& recordset, std::string_view sql,
                           int32_t current, int32_t page_size, int32_t page_code, PageSpan& span) {
  span = PageSpan{};
  if (recordset.IsBOF() && recordset.IsEOF()) return "";
  if (current == 0) current = 1;
  // Walking to the last record and back only to count would read the whole table; the count
  // is the same and leaves the recordset where MoveFirst would.
  int32_t total = recordset.RecordCount();
  int32_t pages = PageCount(total, page_size);
  const std::string recordset_name = page.UE(page.recordset());
  const std::string encoded_sql = page.UE(std::string(sql));
  const std::string path = LinkPath(page);
  const std::string signature = page.SqlSignature(sql);
  PageLinkTarget target{path, page.CriptoPrefix, page_code, recordset_name, encoded_sql, signature};
  std::string links = PageLinkText(target, current, pages);
  span = SpanOfPage(total, current, page_size);
  return links;
}

}  // namespace korvex
