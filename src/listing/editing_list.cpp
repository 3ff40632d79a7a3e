// The editing list screen, top to bottom as the page shows it. Steps before the title row
// (connection, query, filter, counting, page links) turn a failure into the list's notice
// and let the page go on; from the title row on, a failure is raised to the page.
#include "listing/editing_list.h"

#include <memory>

#include "ado/ado_constants.h"
#include "ado/connection.h"
#include "ado/recordset.h"
#include "component/admin_recordset.h"
#include "host/intrinsics.h"
#include "listing/editing_list_rows.h"
#include "render/html_text.h"
#include "render/page_links.h"
#include "render/related_list.h"
#include "render/select_from_recordset.h"
#include "render/skin.h"

namespace korvex {

namespace {

// Everything the list knows once its header is written.
struct ListHead {
  Skin skin;
  std::string link_base;
  std::shared_ptr<ado::Recordset> recordset;
  std::string navigation;
  PageSpan span;
  int32_t current = 1;
};

std::shared_ptr<ado::Recordset> OpenList(AdminRecordset& page, const std::string& sql) {
  std::string source = IsBlank(sql) ? page.QuotedIdentifier(page.recordset()) : sql;
  auto recordset = std::make_shared<ado::Recordset>();
  recordset->Open(Variant(source), Variant(page.Connection()), ado::kOpenKeyset, ado::kLockReadOnly,
                  ado::kCmdUnspecified);
  return recordset;
}

// The page asked for: "CP" + suffix from any request collection; absent (or 0) is page 1.
int32_t CurrentPage(AdminRecordset& page) {
  int32_t current = CLng(page.Request().Item(Variant(page.ParamName("CP"))));
  return current == 0 ? 1 : current;
}

ListHead WriteHead(AdminRecordset& page, const std::string& sql) {
  HTMLEditingList& list = *page.EditingList;
  ListHead head;
  head.skin = ReadSkin(*list.Table);
  const int16_t page_size = list.PageSize;
  head.link_base = LinkPath(page) + "?" + page.ParamName("Page") + "=1&" +
                   page.ParamName("Recordset") + "=" + page.UE(page.recordset());

  head.recordset = OpenList(page, sql);
  if (HasFilter(list.Filter)) head.recordset->Filter(list.Filter);
  AddSchemaRelations(page, *list.RelatedRecords);

  page.RW(list.TopText);
  // The SQL text may carry what a visitor typed into a search form: it is shown encoded.
  if (list.ShowSQLText) page.RW(page.HE(sql) + "<br>");

  head.current = CurrentPage(page);
  head.navigation = list.PageText + BuildPageLinks(page, *head.recordset, sql, head.current,
                                                   page_size, -1, head.span);
  if (list.ShowRecordCount) {
    page.RW(list.RecordText + std::to_string(head.span.first) + list.ToText +
            std::to_string(head.span.last) + list.OnATotalText + std::to_string(head.span.total));
  }
  page.RW("\r\n<!-- Begginning Table -->\r\n");
  return head;
}

// Positions the recordset on the first record of the current page and gives how many rows
// to render. The records walked past are skipped with one move, not read one by one.
int64_t SeekPage(ado::Recordset& recordset, int32_t current, int16_t page_size) {
  const int64_t last = int64_t{page_size} * current;  // records up to the page's end
  const int64_t first = last - page_size + 1;
  if (last < 1 || first > last || recordset.IsEOF()) return 0;
  if (first > 1) {
    if (first - 1 > INT32_MAX) return 0;
    recordset.Move(static_cast<int32_t>(first - 1));
  }
  return last - std::max<int64_t>(first, 1) + 1;
}

}  // namespace

void RenderEditingList(AdminRecordset& page, const std::string& sql) {
  ListHead head;
  try {
    head = WriteHead(page, sql);
  } catch (const AutomationError& error) {
    page.WriteEditingListNotice(error);
    return;
  }
  HTMLEditingList& list = *page.EditingList;
  ado::Recordset& recordset = *head.recordset;

  ListRows rows(page, recordset, head.skin, head.link_base);
  page.RW(rows.TitleRow());
  int64_t remaining = SeekPage(recordset, head.current, list.PageSize);
  for (; remaining > 0 && !recordset.IsEOF(); --remaining) {
    page.RW(rows.Row());
    recordset.MoveNext();
  }

  page.RW(head.skin.TableTagClose + "\r\n");
  page.RW("<BR>" + head.navigation + "<br>");
  page.RW(list.BottomText);
  recordset.Close();
  page.ActionPerformed = 64;
}

}  // namespace korvex
