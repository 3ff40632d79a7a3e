// Page arithmetic and the row of page links shown under a paged list or report. Every link
// carries the screen's page code, the page number, the recordset name and the SQL text, so
// the next request can rebuild the same list, and the SQL text's signature, without which
// the controller runs no SQL text a request brings.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace korvex {

/// Where the links point and what they carry; the recordset and SQL are already URL-encoded.
struct PageLinkTarget {
  std::string_view path;  // the running page's PATH_INFO, HTML-encoded
  std::string_view cripto_prefix;
  int32_t page_code = -1;  // -1 editing list, -2 template report
  std::string_view encoded_recordset;
  std::string_view encoded_sql;
  std::string_view sql_signature;  // hexadecimal, written as it stands
};

/// Numbers of the first and last record of the current page, and the total.
struct PageSpan {
  int32_t first = 0;
  int32_t last = 0;
  int32_t total = 0;
};

/// Pages needed for total records: a page size of 0 raises 11 "Division by zero"; an unknown
/// count (-1) gives 0 pages.
int32_t PageCount(int32_t total, int32_t page_size);

/// The first and last record numbers of the current page (the last capped at the total).
/// Raises 6 when they do not fit 32 bits.
PageSpan SpanOfPage(int32_t total, int32_t current, int32_t page_size);

/// The link text: each link's parameters Page, CP, Recordset, SQL and SQLSign, each name
/// followed by the prefix. Pages current-9 .. current+9 by number (the current one in bold), with a
/// "1" and "&lt;" jump before that window and a "&gt;" and last-page jump after it.
std::string PageLinkText(const PageLinkTarget& target, int32_t current, int32_t pages);

}  // namespace korvex

namespace korvex {

class AdminRecordset;
namespace ado {
class Recordset;
}

/// The running page's path (the server variable PATH_INFO), the base of every generated link,
/// HTML-encoded for the href or action attribute it goes into.
std::string LinkPath(const AdminRecordset& page);

/// The page links of an open recordset standing on its first record, and by reference the
/// first and last record numbers of the current page and the total. An empty recordset gives
/// "" and zeros. A current page of 0 is taken as 1; a page size of 0 raises 11.
std::string BuildPageLinks(AdminRecordset& page, ado::Recordset& recordset, std::string_view sql,
                           int32_t current, int32_t page_size, int32_t page_code, PageSpan& span);

}  // namespace korvex
